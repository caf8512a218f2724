// The recorded-trace file: the writer's bytes, locale-free numbers, a device
// that fails, and the reader's accepted and refused lines.
#include "core/tracefile.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <clocale>
#include <gtest/gtest.h>

namespace {

TTraceRow SampleRow() {
    TTraceRow r;
    r.tempo = 150;
    r.giri = 1234;
    r.lambda = 0.45;
    r.inj = 3.264;
    r.injBnz = 0;
    r.press = 1.05;
    r.tRid = -3;
    r.tMot = 87;
    r.lambda2 = 0.9;
    r.inj2 = 12.5;
    r.injBnz2 = 0.000012;
    return r;
}

std::string Parsed(const std::string& text, TTrace* out = nullptr) {
    TTrace t;
    const bool ok = ParseTrace(text, t);
    if (out)
        *out = t;
    return ok ? "ok " + std::to_string(t.Rows()) : "refused";
}

// The same text given to the reader in blocks of `size` bytes.
std::string InBlocks(const std::string& text, size_t size) {
    TTrace t;
    TTraceReader reader(t);
    bool ok = true;
    for (size_t at = 0; ok && at < text.size(); at += size)
        ok = reader.Feed(std::string_view(text).substr(at, size));
    ok = ok && reader.Finish();
    return ok ? "ok " + std::to_string(t.Rows()) : "refused";
}

TEST(TraceWriter, BytesOfOneAndTwoBanks) {
    EXPECT_EQ(TTraceWriter::HeaderText(1, "10 dicembre 2026 12:00:00"),
              "Ver. 1 1 real time data ECU3307, 10 dicembre 2026 12:00:00\r\n"
              "TEMPO\tGIRI\tLAMBDA\tINJ.\tINJ.BNZ\tPRESS.\tT.RID.\tT.MOT.");
    EXPECT_EQ(
        TTraceWriter::HeaderText(2, "x"),
        "Ver. 1 2 real time data ECU3307, x\r\n"
        "TEMPO\tGIRI\tLAMBDA\tINJ.\tINJ.BNZ\tPRESS.\tT.RID.\tT.MOT.\tLAMBDA2\tINJ2.\tINJ.BNZ2");
    EXPECT_EQ(TTraceWriter::RowText(1, SampleRow()), "\r\n150\t1234\t0.45\t3.264\t0\t1.05\t-3\t87");
    EXPECT_EQ(TTraceWriter::RowText(2, SampleRow()),
              "\r\n150\t1234\t0.45\t3.264\t0\t1.05\t-3\t87\t0.9\t12.5\t1.2e-05");
    TTraceRow big = SampleRow();
    big.tempo = 4294967295u;
    big.inj = 1234567.8;
    EXPECT_EQ(TTraceWriter::RowText(1, big),
              "\r\n4294967295\t1234\t0.45\t1.23457e+06\t0\t1.05\t-3\t87");
}

TEST(TraceWriter, NumbersIgnoreTheLocale) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const bool comma =
        std::setlocale(LC_NUMERIC, "it_IT.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(TTraceWriter::RowText(1, SampleRow()), "\r\n150\t1234\t0.45\t3.264\t0\t1.05\t-3\t87");
    TTrace t;
    EXPECT_TRUE(ParseTrace("Ver. 1 1 x\nh\n0 0 0.5 1.25 0 0 0 0", t));
    ASSERT_EQ(t.Rows(), 1u);
    EXPECT_FLOAT_EQ(t.values[0][0], 0.5f);
    EXPECT_FLOAT_EQ(t.values[1][0], 1.25f);
    std::setlocale(LC_NUMERIC, before.c_str());
    if (!comma)
        GTEST_LOG_(INFO)
            << "no locale with a decimal comma installed: checked in the C locale only";
}

TEST(TraceWriter, ValuesOfATick) {
    TBlock1Values v;
    v.rpm = 2345;
    v.lambda1 = 0.789;
    v.lambda2 = 4.999;
    v.gasTime1 = 3.5;
    v.reducerTemp = -4.9;
    v.engineTemp = 89.99;
    const TTraceRow r = TraceRowOf(300, v, 123);
    EXPECT_EQ(r.tempo, 300u);
    EXPECT_EQ(r.giri, 2345);
    EXPECT_DOUBLE_EQ(r.lambda, 0.78);
    EXPECT_DOUBLE_EQ(r.lambda2, 4.99);
    EXPECT_DOUBLE_EQ(r.inj, 3.5);
    EXPECT_DOUBLE_EQ(r.press, 1.23);
    EXPECT_EQ(r.tRid, -4);
    EXPECT_EQ(r.tMot, 89);
}

TEST(TraceWriter, WritesBackWhatItReads) {
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    TTraceWriter w(buffer, 2);
    ASSERT_TRUE(w.WriteHeader("start"));
    TTraceRow r = SampleRow();
    for (int i = 0; i < 3; ++i, r.tempo += 150, r.giri += 10)
        ASSERT_TRUE(w.WriteRow(r));
    TTrace t;
    ASSERT_TRUE(ParseTrace(buffer.data().toStdString(), t));
    EXPECT_EQ(t.banks, 2);
    EXPECT_EQ(t.tempo, (std::vector<int64_t>{150, 300, 450}));
    EXPECT_EQ(t.giri, (std::vector<int32_t>{1234, 1244, 1254}));
    const float row[9] = {0.45f, 3.264f, 0, 1.05f, -3, 87, 0.9f, 12.5f, 0.000012f};
    for (size_t c = 0; c < 9; ++c)
        EXPECT_EQ(t.values[c], std::vector<float>(3, row[c])) << "column " << c;
}

// A device whose writes fail from the n-th on.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(int goodWrites) : good_(goodWrites) { open(QIODevice::WriteOnly); }
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override { return good_-- > 0 ? len : -1; }

private:
    int good_;
};

TEST(TraceWriter, AFailedWriteIsReported) {
    FailingDevice none(0);
    EXPECT_FALSE(TTraceWriter(none, 1).WriteHeader("x"));
    FailingDevice one(1);
    TTraceWriter w(one, 1);
    EXPECT_TRUE(w.WriteHeader("x"));
    EXPECT_FALSE(w.WriteRow(SampleRow()));
}

TEST(TraceWriter, AFileHoldsEveryRowAsSoonAsItIsWritten) {
    QTemporaryDir dir;
    QFile file(dir.filePath("t.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    TTraceWriter w(file, 1);
    ASSERT_TRUE(w.WriteHeader("x"));
    ASSERT_TRUE(w.WriteRow(SampleRow()));
    QFile again(file.fileName());
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_TRUE(again.readAll().endsWith("\t87"));
}

TEST(TraceReader, AcceptedAndRefusedFiles) {
    const std::string one = "Ver. 1 1 real time data ECU3307, x\r\nTEMPO\tGIRI\r\n";
    const std::string two = "Ver. 1 2 real time data ECU3307, x\r\nTEMPO\tGIRI\r\n";
    const std::string row8 = "150\t1234\t0.45\t3.264\t0\t1.05\t-3\t87";
    const std::string row11 = row8 + "\t0.9\t12.5\t1.2e-05";
    const struct {
        const char* what;
        std::string text;
        std::string result;
    } cases[] = {
        {"header and columns only", one.substr(0, one.size() - 2), "ok 0"},
        {"one bank", one + row8 + "\r\n" + row8, "ok 2"},
        {"two banks", two + row11, "ok 1"},
        {"bare line feeds", "Ver. 1 1 x\nh\n" + row8 + "\n" + row8, "ok 2"},
        {"blanks of any kind", "Ver.1\t\t1 x\nh\n 150 \v1234\f0.45 3.264\t\t0 1.05 -3 87 \r",
         "ok 1"},
        {"signs and exponents", "Ver. 1 1\nh\n+5 -6 1e2 .5 5. -0 +1E-3 7", "ok 1"},
        {"other bank count: eleven values", "Ver. 1 3\nh\n" + row11, "ok 1"},
        {"other bank count: eight values", "Ver. 1 0\nh\n" + row8, "refused"},
        {"final line end", one + row8 + "\r\n", "refused"},
        {"empty", "", "refused"},
        {"no bank count", "Ver. 1\r\nh\r\n" + row8, "refused"},
        {"foreign text", "[Generale]\r\nNome=Standard\r\n", "refused"},
        {"leading blank", " Ver. 1 1\nh\n" + row8, "refused"},
        {"eleven values for one bank", one + row11, "refused"},
        {"eight values for two banks", two + row8, "refused"},
        {"cut mid-row", one + "150\t1234\t0.45", "refused"},
        {"letter in a number", one + "150\t1234\t0.45\t3.2x64\t0\t1.05\t-3\t87", "refused"},
        {"letter in the last number", one + row8 + "x", "refused"},
        {"decimal comma", one + "150\t1234\t0,45\t3.264\t0\t1.05\t-3\t87", "refused"},
        {"fraction in GIRI", one + "150\t1234.5\t0.45\t3.264\t0\t1.05\t-3\t87", "refused"},
        {"not finite", one + "150\t1234\tnan\t3.264\t0\t1.05\t-3\t87", "refused"},
        {"out of range", one + "150\t99999999999\t0.45\t3.264\t0\t1.05\t-3\t87", "refused"},
        {"float overflow", one + "150\t1\t1e99\t3.264\t0\t1.05\t-3\t87", "refused"},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "refused"},
        {"binary row", one + std::string("\0\x01\x02\xff", 4), "refused"},
        {"line of 199 characters", one + row8 + std::string(199 - row8.size(), ' '), "ok 1"},
        {"line over 199 characters", one + row8 + std::string(200 - row8.size(), ' '), "refused"},
        {"long header", "Ver. 1 1 " + std::string(200, 'x') + "\nh\n" + row8, "refused"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Parsed(c.text), c.result) << c.what;
        // Lines, carriage returns and over-long lines cut by the end of a block.
        for (size_t block : {1, 2, 5, 64})
            EXPECT_EQ(InBlocks(c.text, block), c.result) << c.what << ", blocks of " << block;
    }
}

TEST(TraceReader, AFileIsReadInPieces) {
    std::string text = "Ver. 1 2 x\r\nh";
    for (int i = 0; i < 40000; ++i)
        text += "\r\n" + std::to_string(i * 150) + "\t" + std::to_string(i % 5000) +
                "\t0.45\t3.264\t0\t1.05\t-3\t87\t0.9\t12.5\t" + std::to_string(i % 7) + "e-05";
    ASSERT_GT(text.size(), size_t(2 << 20)) << "more than one piece";
    TTrace whole, read;
    ASSERT_TRUE(ParseTrace(text, whole));
    QTemporaryDir dir;
    const auto file = [&](const char* name, const std::string& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_EQ(f.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
        return dir.filePath(name).toStdString();
    };
    const std::string path = file("t.txt", text);
    platform::ReadFault fault{};
    ASSERT_TRUE(ReadTraceFile(path, int64_t(text.size()), read, fault));
    EXPECT_EQ(read.Rows(), 40000u);
    EXPECT_EQ(read.tempo, whole.tempo);
    EXPECT_EQ(read.giri, whole.giri);
    EXPECT_EQ(read.values, whole.values);

    // The size a sparse file says, far past any memory, is no measure of its
    // rows: the zeros past them are refused, and the columns are never sized
    // for more than the cap.
    const std::string sparse = file("sparse.txt", text);
    ASSERT_TRUE(QFile::resize(QString::fromStdString(sparse), int64_t(1) << 40));
    using platform::ReadFault;
    const struct {
        const char* what;
        std::string path;
        int64_t cap;
        ReadFault fault;
    } refused[] = {
        {"over the cap", path, int64_t(text.size()) - 1, ReadFault::TooLarge},
        {"a final line end", file("end.txt", text + "\r\n"), int64_t(1) << 30, ReadFault::None},
        {"missing", dir.filePath("none.txt").toStdString(), int64_t(1) << 30, ReadFault::Missing},
        {"rows, then zeros up to a size of 1 TiB", sparse, int64_t(1) << 30, ReadFault::None},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(ReadTraceFile(c.path, c.cap, read, fault));
        EXPECT_EQ(fault, c.fault);
        EXPECT_EQ(read.Rows(), 0u);
    }
}

TEST(TraceReader, ColumnsOfOneAndTwoBanks) {
    TTrace t;
    ASSERT_EQ(Parsed("Ver. 1 1\nh\n10 20 1 2 3 4 5 6\n30 40 7 8 9 10 11 12", &t), "ok 2");
    EXPECT_EQ(t.banks, 1);
    EXPECT_EQ(t.tempo, (std::vector<int64_t>{10, 30}));
    EXPECT_EQ(t.giri, (std::vector<int32_t>{20, 40}));
    EXPECT_EQ(t.values[0], (std::vector<float>{1, 7}));
    EXPECT_EQ(t.values[5], (std::vector<float>{6, 12}));
    EXPECT_TRUE(t.values[6].empty());
    ASSERT_EQ(Parsed("Ver. 1 2\nh\n10 20 1 2 3 4 5 6 7 8 9", &t), "ok 1");
    EXPECT_EQ(t.values[8], std::vector<float>{9});
    ASSERT_EQ(Parsed("Ver. 1 1\nh\n10 20 1 2 3 4 5 6\n", &t), "refused");
    EXPECT_EQ(t.Rows(), 0u) << "rows before the bad line are not kept";
}

} // namespace
