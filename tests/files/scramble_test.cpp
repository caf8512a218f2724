#include "core/scramble.h"

#include "filestest.h"

#include <QFileInfo>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kKey = "abc";

QByteArray Scrambled(QByteArray bytes, const char* key = kKey) {
    ScrambleBytes(reinterpret_cast<uint8_t*>(bytes.data()), size_t(bytes.size()), key);
    return bytes;
}

const QByteArray kPlain = "[Lambda]\r\nRifLambda=40\r\n";
const QByteArray kEnc = QByteArray(kEncryptedHeader) + "\r\n";
const QByteArray kDec = QByteArray(kDecryptedHeader) + "\r\n";

} // namespace

// Key "abc": byte i is XOR-ed with key[i mod 3] << (i mod 5), low 8 bits.
TEST(ScrambleTransform, WorkedExampleWithThreeCharacterKey) {
    std::vector<uint8_t> data(11, 0);
    ScrambleBytes(data.data(), data.size(), "abc");
    const std::vector<uint8_t> expected = {0x61, 0xc4, 0x8c, 0x08, 0x20, 0x63,
                                           0xc2, 0x88, 0x18, 0x10, 0x62};
    EXPECT_EQ(data, expected);

    // A code page 1252 key character above 127 shifts as an unsigned byte.
    std::vector<uint8_t> high(6, 0);
    ScrambleBytes(high.data(), high.size(), "\xe9");
    EXPECT_EQ(high, (std::vector<uint8_t>{0xe9, 0xd2, 0xa4, 0x48, 0x90, 0xe9}));
}

TEST(ScrambleTransform, FollowsThePositionFormulaForEveryKeyLengthAndStart) {
    std::mt19937 random(7);
    std::vector<uint8_t> input(1000);
    for (auto& b : input)
        b = uint8_t(random());
    for (const size_t length : {1, 2, 5, 7, 10, 49}) {
        std::string key;
        for (size_t k = 0; k < length; ++k)
            key += char(0x21 + (k * 37) % 0xde);
        for (const size_t start : {size_t(0), size_t(3), size_t(244)}) {
            std::vector<uint8_t> out = input;
            ScrambleBytes(out.data(), out.size(), key.c_str(), start);
            for (size_t i = 0; i < input.size(); ++i) {
                const size_t p = start + i;
                const uint8_t k = uint8_t(unsigned(uint8_t(key[p % length])) << (p % 5));
                ASSERT_EQ(out[i], input[i] ^ k) << "length " << length << " position " << p;
            }
            ScrambleBytes(out.data(), out.size(), key.c_str(), start);
            ASSERT_EQ(out, input) << "scrambling twice must give the input back";
        }
    }
}

TEST(ScrambleTransform, KeyMustHaveOneTo49Characters) {
    EXPECT_FALSE(IsValidScrambleKey(nullptr));
    EXPECT_FALSE(IsValidScrambleKey(""));
    EXPECT_TRUE(IsValidScrambleKey("k"));
    EXPECT_TRUE(IsValidScrambleKey(std::string(49, 'k').c_str()));
    EXPECT_FALSE(IsValidScrambleKey(std::string(50, 'k').c_str()));
}

TEST(ScrambleContainer, RecognisesHeaderLines) {
    struct Case {
        QByteArray data;
        TContainerHeader header;
        size_t offset;
    } cases[] = {
        {kEnc + "body", TContainerHeader::Encrypted, 21},
        {QByteArray(kEncryptedHeader) + "\nbody", TContainerHeader::Encrypted, 20},
        {kDec, TContainerHeader::Decrypted, 21},
        {QByteArray(kDecryptedHeader) + " \t\r\nx", TContainerHeader::Decrypted, 23},
        {QByteArray(kEncryptedHeader) + "X\r\nbody", TContainerHeader::None, 0},
        {QByteArray(kEncryptedHeader) + " x\r\n", TContainerHeader::None, 0},
        {"[Generale]\r\n", TContainerHeader::None, 0},
        {"", TContainerHeader::None, 0},
        {"ENCRYPTED_MLTP", TContainerHeader::Truncated, 0},
        {kEncryptedHeader, TContainerHeader::Truncated, 0},
        {QByteArray(kDecryptedHeader) + "\r", TContainerHeader::Truncated, 0},
    };
    for (const Case& c : cases) {
        const TContainerLayout layout = InspectContainer(
            reinterpret_cast<const uint8_t*>(c.data.data()), size_t(c.data.size()));
        EXPECT_EQ(layout.header, c.header) << c.data.toStdString();
        EXPECT_EQ(layout.bodyOffset, c.offset) << c.data.toStdString();
    }
}

class ConvertScrambledFileTest : public FilesTest {};

TEST_F(ConvertScrambledFileTest, WritesTheWantedForm) {
    struct Case {
        const char* what;
        QByteArray source;
        bool toPlain;
        QByteArray target;
    } cases[] = {
        {"plain without header to scrambled", kPlain, false, kEnc + Scrambled(kPlain)},
        {"plain copy stays as it is", kDec + kPlain, true, kDec + kPlain},
        {"plain copy packed drops its header", kDec + kPlain, false, kEnc + Scrambled(kPlain)},
        {"header ending in LF alone", QByteArray(kEncryptedHeader) + "\n" + Scrambled(kPlain), true,
         kDec + kPlain},
        {"no header is unscrambled whole", Scrambled(kPlain), true, kDec + kPlain},
        {"scrambled stays as it is", kEnc + Scrambled(kPlain), false, kEnc + Scrambled(kPlain)},
        {"empty source", "", false, kEnc},
    };
    for (const Case& c : cases) {
        Write(Path("source"), c.source);
        Write(Path("target"), "OLD CONTENT");
        EXPECT_TRUE(
            ConvertScrambledFile(Path("source").c_str(), Path("target").c_str(), c.toPlain, kKey))
            << c.what;
        EXPECT_EQ(Read(Path("target")), c.target) << c.what;
        EXPECT_EQ(Read(Path("source")), c.source) << c.what;
    }
}

TEST_F(ConvertScrambledFileTest, RefusalLeavesBothFilesByteForByte) {
    const QByteArray old = kEnc + Scrambled("[Lambda]\r\nRifLambda=1\r\n");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Path("folder"))));
    ASSERT_TRUE(
        QFile::link(QString::fromStdString(Path("target")), QString::fromStdString(Path("link"))));
    struct Case {
        const char* what;
        std::string source;
        std::string target;
        const char* key;
    } cases[] = {
        {"same path", Path("target"), Path("target"), kKey},
        {"same file through another folder spelling", Path("folder/../target"), Path("target"),
         kKey},
        {"same file through a link", Path("link"), Path("target"), kKey},
        {"missing source", Path("missing"), Path("target"), kKey},
        {"source cut inside its header", Path("cut"), Path("target"), kKey},
        {"target is a folder", Path("source"), Path("folder"), kKey},
        {"empty key", Path("source"), Path("target"), ""},
        {"no key", Path("source"), Path("target"), nullptr},
    };
    Write(Path("source"), kPlain);
    Write(Path("cut"), "ENCRYPTED_MLTP_FI");
    for (const Case& c : cases) {
        Write(Path("target"), old);
        EXPECT_FALSE(ConvertScrambledFile(c.source.c_str(), c.target.c_str(), true, c.key))
            << c.what;
        EXPECT_EQ(Read(Path("target")), old) << c.what;
        EXPECT_EQ(Read(Path("source")), kPlain) << c.what;
    }
    EXPECT_TRUE(QFileInfo(QString::fromStdString(Path("folder"))).isDir());
}

TEST_F(ConvertScrambledFileTest, ReadScrambledFileGivesTheLengthPrefixedPayload) {
    struct Case {
        const char* what;
        QByteArray file;
        std::optional<std::vector<uint8_t>> expected;
    } cases[] = {
        {"scrambled with header", kEnc + Scrambled(kPlain), Prefixed(kPlain)},
        {"header ending in LF", QByteArray(kEncryptedHeader) + "\n" + Scrambled(kPlain),
         Prefixed(kPlain)},
        {"plain with header", kDec + kPlain, Prefixed(kPlain)},
        {"no header", Scrambled(kPlain), Prefixed(kPlain)},
        {"empty", "", std::vector<uint8_t>{0, 0, 0, 0}},
        {"cut inside the header", "DECRYPTED_MLTP", std::nullopt},
    };
    for (const Case& c : cases) {
        Write(Path("firmware"), c.file);
        EXPECT_EQ(ReadScrambledFile(Path("firmware").c_str(), kKey), c.expected) << c.what;
    }
    EXPECT_EQ(ReadScrambledFile(Path("missing").c_str(), kKey), std::nullopt);
    EXPECT_EQ(ReadScrambledFile(Path("firmware").c_str(), ""), std::nullopt);
}

TEST_F(ConvertScrambledFileTest, UnscrambleResourceWritesThePlainBody) {
    struct Case {
        const char* what;
        QByteArray resource;
        QByteArray target;
    } cases[] = {
        {"header CR LF", kEnc + Scrambled(kPlain), kPlain},
        {"header LF", QByteArray(kEncryptedHeader) + "\n" + Scrambled(kPlain), kPlain},
        {"no header", Scrambled(kPlain), kPlain},
        // A resource is never plain: that header is body like the rest.
        {"plain header is not one", kDec + kPlain, Scrambled(kDec + kPlain)},
        {"header alone", kEnc, ""},
    };
    for (const Case& c : cases) {
        Write(Path("plain"), "OLD");
        EXPECT_TRUE(UnscrambleResource(reinterpret_cast<const uint8_t*>(c.resource.data()),
                                       size_t(c.resource.size()), Path("plain").c_str(), kKey))
            << c.what;
        EXPECT_EQ(Read(Path("plain")), c.target) << c.what;
    }
}

TEST_F(ConvertScrambledFileTest, UnscrambleResourceRefusesCutAndEmptyData) {
    for (const QByteArray& resource :
         {QByteArray("ENCRYPTED_MLTP_FI"), QByteArray(kEncryptedHeader),
          QByteArray(kEncryptedHeader) + "\r", QByteArray("")}) {
        Write(Path("plain"), "OLD");
        EXPECT_FALSE(UnscrambleResource(reinterpret_cast<const uint8_t*>(resource.data()),
                                        size_t(resource.size()), Path("plain").c_str(), kKey))
            << resource.toStdString();
        EXPECT_EQ(Read(Path("plain")), "OLD");
    }
    EXPECT_FALSE(UnscrambleResource(nullptr, 10, Path("plain").c_str(), kKey));
}
