// The unit's parameter memory: widths, signed ids, bit fields, the shapes it
// refuses, the fresh unit and the memory file.
#include "simfixture.h"

#include "tests/support/fullfolder.h"
#include "tests/support/specialfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>

namespace {

struct WidthCase {
    const char* what;
    uint32_t writeId;
    int index;
    int32_t value;
    uint32_t readId;
    int32_t expected;
};

const WidthCase kWidthCases[] = {
    {"word keeps 16 bits", 0x20c, 3, 70000, 0xc30c, 70000 & 0xffff},
    {"byte keeps 8 bits", 0x82, 0, 300, 0xc182, 300 & 0xff},
    {"signed byte reads negative", 0x495, 2, -5, 0x4595, -5},
    {"same byte without the signed bit", 0x495, 2, -5, 0x4195, 251},
    {"signed word reads negative", 0x678, 1, -1350, 0x6778, -1350},
    {"signed word past 16 bits wraps", 0x678, 1, -40000, 0x6778, int16_t(-40000)},
    {"character above 127 as a byte", 0x35, 2, -23, 0x1e135, 233},
};

} // namespace

TEST_F(SimTest, ElementsAreStoredToTheirWidthAndReadBackByTheIdsSign) {
    ASSERT_TRUE(link->Connect());
    for (const WidthCase& c : kWidthCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(link->WriteParamItem(c.writeId, c.index, c.value));
        int32_t values[64] = {};
        ASSERT_TRUE(link->ReadParam(c.readId, values));
        EXPECT_EQ(values[c.index], c.expected);
    }
}

TEST_F(SimTest, EveryWriteFormReachesTheSameElements) {
    ASSERT_TRUE(link->Connect());
    const int32_t flags[2] = {0x1234, 0x8};
    ASSERT_TRUE(link->WriteParamArray(0x2303, flags));
    ASSERT_TRUE(link->WriteParam(0x210, 2401));
    ASSERT_TRUE(link->WriteParamCell(0x28f, 7, 1, 999)); // TInjDefault, last cell
    const int32_t row[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(link->WriteParamRow(0x6154, row, 12)); // last map row
    ASSERT_TRUE(link->WriteParamCell(0x54, 12, 5, 200));

    EXPECT_EQ(sim.peekAll(0x03), (std::vector<int>{0x1234, 0x8}));
    EXPECT_EQ(read1(0x210), 2401);
    int32_t tinj[2] = {};
    ASSERT_TRUE(link->ReadParamRow(0x238f, tinj, 7));
    EXPECT_EQ(tinj[1], 999);
    int32_t map[6] = {};
    ASSERT_TRUE(link->ReadParamRow(0x6154, map, 12));
    EXPECT_EQ(std::vector<int32_t>(map, map + 6), (std::vector<int32_t>{1, 2, 3, 4, 5, 200}));
    EXPECT_EQ(sim.peek(0x54, 12 * 6 + 5), 200);
}

TEST_F(SimTest, BitFieldIdsCarryTheWholeTpsWord) {
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParam(0x1a, 0x41));
    ASSERT_TRUE(link->WriteParam(0x230001a, 0x59)); // bits 3-4 changed by the caller
    EXPECT_EQ(read1(0x1a), 0x59);
    EXPECT_EQ(read1(0x170001a), 0x59);
    EXPECT_FALSE(link->WriteParam(0x3000014, 1)) << "a field of another parameter";
    EXPECT_FALSE(link->WriteParam(0x370001a, 1)) << "a field beyond the byte";
    EXPECT_FALSE(link->WriteParamItem(0x300001a, 0, 1));
    EXPECT_EQ(sim.peek(0x1a), 0x59);
}

TEST_F(SimTest, RefusedShapesAndIndexesChangeNothing) {
    ASSERT_TRUE(link->Connect());
    const int32_t values[16] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    int32_t out[256] = {};
    const struct {
        const char* what;
        std::function<bool()> call;
    } cases[] = {
        {"item past the array", [&] { return link->WriteParamItem(0x20c, 12, 7); }},
        {"negative item", [&] { return link->WriteParamItem(0x20c, -1, 7); }},
        {"map row past the geometry", [&] { return link->WriteParamCell(0x54, 13, 0, 7); }},
        {"map column past the geometry", [&] { return link->WriteParamCell(0x54, 0, 6, 7); }},
        {"zone row past the table", [&] { return link->WriteParamCell(0x495, 4, 0, 7); }},
        {"map row longer than the columns", [&] { return link->WriteParamRow(0x7154, values, 0); }},
        {"array longer than the parameter", [&] { return link->WriteParamArray(0xd30c, values); }},
        {"count 0", [&] { return link->WriteParamArray(0x30c, values); }},
        {"byte id on a word parameter", [&] { return link->WriteParamItem(0x10c, 0, 7); }},
        {"whole-array id for one item", [&] { return link->WriteParamItem(0xc30c, 0, 7); }},
        {"bit 11 set", [&] { return link->WriteParam(0x80c, 7); }},
        {"unknown parameter", [&] { return link->WriteParam(0x99, 7); }},
        {"read-only clock", [&] { return link->WriteParam(0x279, 7); }},
        {"read-only unit byte", [&] { return link->WriteParam(0x43, 7); }},
        {"read of a row past the map", [&] { return link->ReadParamRow(0x6154, out, 13); }},
        {"read longer than the parameter", [&] { return link->ReadParam(0xd30c, out); }},
        {"read into nothing", [&] { return link->ReadParam(0xc30c, nullptr); }},
    };
    const auto snapshot = [&] { return sim.peekEach({0x0c, 0x54, 0x95, 0x79, 0x43}); };
    const auto before = snapshot();
    for (const auto& c : cases)
        EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(snapshot(), before);
}

TEST_F(SimTest, MapFollowsTheUnitsGeometry) {
    ASSERT_TRUE(link->Connect());
    const Answer fresh = command(4, 1, 2, 84);
    ASSERT_TRUE(fresh.ok);
    EXPECT_EQ(fresh.bytes[0], 6);
    EXPECT_EQ(fresh.bytes[1], 13);

    ASSERT_TRUE(sim.setMapGeometry(8, 10));
    const Answer changed = command(4, 1, 2, 84);
    EXPECT_EQ(changed.bytes[0], 8);
    EXPECT_EQ(changed.bytes[1], 10);
    const int32_t row[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(link->WriteParamRow(0x8154, row, 9));
    EXPECT_FALSE(link->WriteParamRow(0x8154, row, 10));
    EXPECT_EQ(sim.peek(0x54, 9 * 8 + 7), 8);
    EXPECT_FALSE(sim.setMapGeometry(17, 10));
}

TEST_F(SimTest, PressureCoefficientsTakeTheWidthTheUnitReports) {
    ASSERT_TRUE(link->Connect());
    const struct {
        int width;
        bool byteForm, wordForm;
    } cases[] = {{1, true, false}, {2, false, true}, {0, false, false}, {-1, false, false}};
    int32_t out[15] = {};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        sim.setParamWidth(c.width);
        EXPECT_EQ(link->GetParamWidth(124, 1), c.width);
        EXPECT_EQ(link->ReadParam(0xf57c, out), c.byteForm);
        EXPECT_EQ(link->ReadParam(0xf77c, out), c.wordForm);
        EXPECT_EQ(link->WriteParamItem(0x47c, 0, -3), c.byteForm);
        EXPECT_EQ(link->WriteParamItem(0x67c, 0, -3000), c.wordForm);
    }
    sim.setParamWidth(2);
    ASSERT_TRUE(link->ReadParam(0xf77c, out));
    EXPECT_EQ(out[0], -3000);
}

TEST_F(SimTest, FreshUnitIsNeverConfiguredWithItsSerialNumberAndClock) {
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(read1(0x01), 1);
    EXPECT_EQ(read1(0x02), 0xAC);
    EXPECT_EQ(read1(0x279), 2560);
    int32_t serial[20] = {};
    ASSERT_TRUE(link->ReadParam(0x14100, serial));
    std::string text;
    for (int32_t c : serial)
        text += char(c);
    EXPECT_EQ(text.size(), 20u);
    EXPECT_EQ(text.substr(0, 3), "SIM");
    EXPECT_EQ(text.find_first_not_of("0123456789", 3), std::string::npos) << text;
    int32_t map[6] = {-1, -1, -1, -1, -1, -1};
    ASSERT_TRUE(link->ReadParamRow(0x6154, map, 0));
    EXPECT_EQ(std::vector<int32_t>(map, map + 6), std::vector<int32_t>(6, 0));

    for (int model : {30, 31}) {
        sim.setModel(model);
        uint8_t id[4] = {};
        ASSERT_TRUE(link->ReadEcuId(id));
        EXPECT_EQ(std::vector<uint8_t>(id, id + 4),
                  (std::vector<uint8_t>{10, uint8_t(model), 7, 2}));
    }
}

TEST_F(SimTest, ANewLinkObjectFindsWhatTheFileHolds) {
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 0, 1111));
    ASSERT_TRUE(link->WriteParam(0x01, 0)); // configured
    reopenLink();
    const QByteArray stored = memoryFile();
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(read1(0x20c), 1111);
    EXPECT_EQ(read1(0x01), 0);

    // A later change, then the earlier file put back: the next object takes the file.
    ASSERT_TRUE(link->WriteParamItem(0x20c, 0, 2222));
    reopenLinkWithFile(stored);
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(read1(0x20c), 1111);
}

TEST_F(SimTest, SaveCommandStoresTheMemoryAtOnce) {
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 5, 3000));
    const QByteArray before = memoryFile();
    ASSERT_TRUE(command(17, 1, 5).ok);
    ASSERT_TRUE(command(18, 1, 5).ok);
    EXPECT_NE(memoryFile(), before);
    // The stored file alone gives the value back.
    const QByteArray stored = memoryFile();
    ASSERT_TRUE(link->WriteParamItem(0x20c, 5, 1));
    reopenLinkWithFile(stored);
    EXPECT_EQ(sim.peek(0x0c, 5), 3000);
}

TEST_F(SimTest, DamagedOrForeignMemoryFileGivesAFreshUnit) {
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 0, 1111));
    ASSERT_TRUE(link->WriteParam(0x01, 0));
    reopenLink();
    const QByteArray good = memoryFile();
    ASSERT_FALSE(good.isEmpty());
    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x01);
    const struct {
        const char* what;
        QByteArray content;
    } cases[] = {
        {"empty", QByteArray()},
        {"cut short", good.left(good.size() - 1)},
        {"one bit changed", flipped},
        {"longer", good + "x"},
        {"foreign", QByteArray("ENCRYPTED_MLTP_FILE\r\nnot a unit memory\r\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        reopenLinkWithFile(c.content);
        ASSERT_TRUE(link->Connect());
        EXPECT_EQ(read1(0x20c), 0);
        EXPECT_EQ(read1(0x01), 1);
        EXPECT_EQ(sim.serialNumber().substr(0, 3), "SIM");
    }
}

// A memory file that is no file gives a fresh unit at once; nothing is
// written, so what stands there is left as it is.
TEST_F(SimTest, AMemoryFileThatIsNoFileGivesAFreshUnit) {
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 0, 1111));
    ASSERT_TRUE(link->WriteParam(0x01, 0));
    sim.destroyLink(link);
    link = nullptr;
    const QString path = QString::fromStdString(sim.memoryPath());
    for (const SpecialCase& c : SpecialCases()) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QFile::remove(path) || QDir().rmdir(path));
        ASSERT_TRUE(PlantSpecial(c.kind, path));
        const QFileInfo before(path);
        link = sim.createLink();
        ASSERT_TRUE(link->Connect());
        EXPECT_EQ(read1(0x20c), 0);
        EXPECT_EQ(read1(0x01), 1);
        sim.destroyLink(link);
        link = nullptr;
        const QFileInfo after(path);
        EXPECT_EQ(after.isSymLink(), before.isSymLink());
        EXPECT_EQ(after.isFile(), before.isFile());
        EXPECT_EQ(after.isDir(), before.isDir());
    }
    ASSERT_TRUE(QDir().rmdir(path));
    reopenLinkWithFile(QByteArray());
}

TEST_F(SimTest, ReloadTakesTheFileAsAnotherProcessLeftIt) {
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 0, 1111));
    ASSERT_TRUE(link->Disconnect()); // stores
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 0, 2222)); // not stored yet
    sim.reload();
    EXPECT_EQ(sim.peek(0x0c, 0), 1111);
}

// A memory the disk cannot take is not stored: the save command is refused,
// the file keeps every byte and the next start finds the configured unit.
TEST_F(SimTest, AFullDiskKeepsTheStoredMemory) {
    QTemporaryDir dir;
    FullFolder disk(dir.filePath("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    sim.destroyLink(link);
    sim.reset(dir.filePath("disk/unit.mem").toStdString());
    link = sim.createLink();
    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 0, 1111));
    ASSERT_TRUE(link->WriteParam(0x01, 0)); // configured
    ASSERT_TRUE(link->Disconnect());        // stores
    const QByteArray stored = memoryFile();
    ASSERT_FALSE(stored.isEmpty());
    ASSERT_TRUE(disk.fill());

    ASSERT_TRUE(link->Connect());
    ASSERT_TRUE(link->WriteParamItem(0x20c, 0, 2222));
    ASSERT_TRUE(command(17, 1, 5).ok);
    EXPECT_FALSE(command(18, 1, 5).ok);
    EXPECT_EQ(memoryFile(), stored);
    reopenLink();
    EXPECT_EQ(memoryFile(), stored);
    ASSERT_TRUE(link->Connect());
    EXPECT_EQ(read1(0x20c), 1111);
    EXPECT_EQ(read1(0x01), 0);
    sim.destroyLink(link);
    sim.reset(); // off the disk before it goes
    link = sim.createLink();
}

TEST_F(SimTest, ResetFromTheEnvironmentUsesTheMemoryFileItNames) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("sub/unit.mem").toStdString();
    const char* saved = std::getenv("SERQUARN_SIM_MEMORY");
    const std::string previous = saved ? saved : "";
    setenv("SERQUARN_SIM_MEMORY", path.c_str(), 1);
    sim.resetFromEnvironment();
    if (saved)
        setenv("SERQUARN_SIM_MEMORY", previous.c_str(), 1);
    else
        unsetenv("SERQUARN_SIM_MEMORY");
    EXPECT_EQ(sim.memoryPath(), path);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path))) << "the fresh unit is stored";
    EXPECT_EQ(sim.stateFlags(), 1);
}

namespace {

enum class Move { Whole, Rows, ReadOnly };

struct Item {
    uint32_t id;
    Move move;
    int rows;
};

// The ids the program moves between image and unit, with the fresh unit's
// map rows and the byte form of CoeffPressDiff; RifGiriK and TOpenLoop with
// all 12 entries (the program moves as many as the map has columns).
const Item kItems[] = {
    {0x2303, Move::Whole, 1},
    {0x279, Move::ReadOnly, 1},
    {0x86, Move::Whole, 1},
    {0x558a, Move::Whole, 1},
    {0x1e18b, Move::Whole, 1},
    {0xc737, Move::Whole, 1},
    {0xc73d, Move::Whole, 1},
    {0xc37f, Move::Whole, 1},
    {0x6154, Move::Rows, 13},
    {0x14100, Move::Whole, 1},
    {0x04, Move::Whole, 1},
    {0x05, Move::Whole, 1},
    {0x06, Move::Whole, 1},
    {0x07, Move::Whole, 1},
    {0x08, Move::Whole, 1},
    {0x09, Move::Whole, 1},
    {0x0a, Move::Whole, 1},
    {0x0b, Move::Whole, 1},
    {0xc30c, Move::Whole, 1},
    {0x0f, Move::Whole, 1},
    {0x210, Move::Whole, 1},
    {0x11, Move::Whole, 1},
    {0x212, Move::Whole, 1},
    {0x14, Move::Whole, 1},
    {0x17, Move::Whole, 1},
    {0x218, Move::Whole, 1},
    {0xa119, Move::Whole, 1},
    {0x1a, Move::Whole, 1},
    {0x24, Move::Whole, 1},
    {0x4125, Move::Whole, 1},
    {0xa12a, Move::Whole, 1},
    {0x912b, Move::Whole, 1},
    {0x3131, Move::Rows, 3},
    {0x34, Move::Whole, 1},
    {0x1e135, Move::Whole, 1},
    {0x38, Move::Whole, 1},
    {0x5139, Move::Whole, 1},
    {0x513a, Move::Whole, 1},
    {0x23b, Move::Whole, 1},
    {0x23c, Move::Whole, 1},
    {0x3e, Move::Whole, 1},
    {0x43, Move::ReadOnly, 1},
    {0x44, Move::ReadOnly, 1},
    {0x47, Move::Whole, 1},
    {0x48, Move::Whole, 1},
    {0x234a, Move::Whole, 1},
    {0x24b, Move::Whole, 1},
    {0x4151, Move::Whole, 1},
    {0x253, Move::Whole, 1},
    {0x252, Move::Whole, 1},
    {0xa15c, Move::Whole, 1},
    {0x915d, Move::Whole, 1},
    {0x6d, Move::Whole, 1},
    {0x75, Move::Whole, 1},
    {0x76, Move::Whole, 1},
    {0x77, Move::Whole, 1},
    {0x6778, Move::Whole, 1},
    {0x7a, Move::Whole, 1},
    {0xf37b, Move::Whole, 1},
    {0xf57c, Move::Whole, 1},
    {0x27d, Move::Whole, 1},
    {0x27e, Move::Whole, 1},
    {0x280, Move::Whole, 1},
    {0x3181, Move::Whole, 1},
    {0xc182, Move::Whole, 1},
    {0xc383, Move::Whole, 1},
    {0x2385, Move::Whole, 1},
    {0x87, Move::Whole, 1},
    {0x88, Move::Whole, 1},
    {0x89, Move::Whole, 1},
    {0x28d, Move::Whole, 1},
    {0x28e, Move::Whole, 1},
    {0x238f, Move::Rows, 8},
    {0x90, Move::Whole, 1},
    {0x2391, Move::Whole, 1},
    {0x292, Move::Whole, 1},
    {0x293, Move::Whole, 1},
    {0x2194, Move::Whole, 1},
    {0x4595, Move::Rows, 4},
    {0x296, Move::Whole, 1},
    {0x3197, Move::Whole, 1},
    // Read by the windows: state flags, ready code, injectors in error.
    {0x01, Move::Whole, 1},
    {0x02, Move::ReadOnly, 1},
    {0x4d, Move::Whole, 1},
    {0x5e, Move::Whole, 1},
};

} // namespace

TEST_F(SimTest, EveryItemTheProgramMovesFitsTheUnit) {
    ASSERT_TRUE(link->Connect());
    int32_t values[64] = {};
    for (const Item& item : kItems) {
        SCOPED_TRACE(testing::Message() << std::hex << item.id);
        if (item.move == Move::Rows) {
            for (int r = 0; r < item.rows; ++r) {
                EXPECT_TRUE(link->ReadParamRow(item.id, values, r));
                EXPECT_TRUE(link->WriteParamRow(item.id, values, r));
            }
            EXPECT_FALSE(link->ReadParamRow(item.id, values, item.rows)) << "one row more";
            continue;
        }
        EXPECT_TRUE(link->ReadParam(item.id, values));
        const bool multi = item.id & 0x100;
        const bool written =
            multi ? link->WriteParamArray(item.id, values) : link->WriteParam(item.id, values[0]);
        EXPECT_EQ(written, item.move != Move::ReadOnly);
        // One element more than the item has is more than the unit holds.
        if (multi && item.move == Move::Whole) {
            EXPECT_FALSE(link->ReadParam(item.id + 0x1000, values));
        }
    }
}
