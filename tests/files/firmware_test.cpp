#include "core/firmware.h"

#include "filestest.h"

#include "platform/crypto.h"

#include <climits>
#include <random>

namespace {

// A container header hiding `phrase`: its bytes sit, in file order, on set
// mask bits spread over the groups, with filler everywhere else.
QByteArray Header(const QByteArray& phrase) {
    uint8_t masks[16] = {};
    QByteArray candidates(128, '\0');
    std::mt19937 random(11);
    for (char& c : candidates)
        c = char(random());
    for (int n = 0; n < phrase.size(); ++n) {
        const int at = n * 5 + n % 3;
        masks[at / 8] |= uint8_t(1u << (at % 8));
        candidates[at] = phrase[n];
    }
    QByteArray h(kEncryptedFirmwareMagic);
    h.append(reinterpret_cast<const char*>(masks), 16).append(candidates);
    EXPECT_EQ(h.size(), 166);
    return h;
}

} // namespace

class FirmwareTest : public FilesTest {};

// Pass phrase "Vexano", RC4 under its whole MD5 digest, computed elsewhere.
TEST_F(FirmwareTest, DecryptsAKnownContainer) {
    const uint8_t cipher[] = {0xc1, 0x03, 0xf2, 0xa9, 0x92, 0x03, 0x15, 0xcb, 0xdb,
                              0x6c, 0x0b, 0xf9, 0x70, 0x56, 0x3e, 0x43, 0xc9, 0xb1,
                              0xaf, 0xb9, 0xde, 0xd7, 0xe8, 0x93, 0xad};
    // "Vexano" in mask order: group 0 bit 0, group 0 bit 1, group 3 bit 7, ...
    QByteArray h(kEncryptedFirmwareMagic);
    uint8_t masks[16] = {0x03, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 0, 0x01};
    QByteArray candidates(128, 'x');
    candidates[0] = 'V';
    candidates[1] = 'e';
    candidates[8 * 3 + 7] = 'x';
    candidates[8 * 10 + 4] = 'a';
    candidates[8 * 15 + 0] = 'n';
    // 'o' follows in the same group as 'n': bit 1 of mask 15.
    masks[15] |= 0x02;
    candidates[8 * 15 + 1] = 'o';
    h.append(reinterpret_cast<const char*>(masks), 16).append(candidates);
    Write(Path("fw.po4"), h + QByteArray(reinterpret_cast<const char*>(cipher), sizeof cipher));
    EXPECT_EQ(ReadEncryptedFirmwareFile(Path("fw.po4")), Prefixed("FIRMWARE-IMAGE-0123456789"));
}

TEST_F(FirmwareTest, DecryptsOneContinuousStreamWhateverTheLength) {
    for (const int size : {0, 1, 254, 255, 256, 511, 600}) {
        QByteArray payload(size, '\0');
        for (int i = 0; i < size; ++i)
            payload[i] = char(i * 7 + 3);
        QByteArray cipher = payload;
        const QByteArray phrase = "pass phrase of the maker";
        platform::DeriveRc4KeyFromMd5({phrase.begin(), phrase.end()})
            .process(reinterpret_cast<uint8_t*>(cipher.data()), size_t(cipher.size()));
        Write(Path("fw.po8"), Header(phrase) + cipher);
        EXPECT_EQ(ReadEncryptedFirmwareFile(Path("fw.po8")), Prefixed(payload)) << size;
    }
}

TEST_F(FirmwareTest, EmptyPassPhraseIsHashedAsNoBytes) {
    const uint8_t cipher[] = {0x65, 0x6c, 0xd3, 0x7b, 0xb4, 0x99, 0x01, 0x24};
    Write(Path("fw.po4"), Header("") + QByteArray(reinterpret_cast<const char*>(cipher), 8));
    EXPECT_EQ(ReadEncryptedFirmwareFile(Path("fw.po4")), Prefixed(QByteArray(8, '\0')));
}

TEST_F(FirmwareTest, RefusesWhatIsNotAWholeContainer) {
    const QByteArray good = Header("abc") + "payload";
    QByteArray wrongMagic = good;
    wrongMagic[21] = '2';
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", ""},
        {"magic alone", kEncryptedFirmwareMagic},
        {"one byte short of the header", good.left(165)},
        {"wrong magic", wrongMagic},
        {"scrambled container", QByteArray("ENCRYPTED_MLTP_FILE\r\n") + QByteArray(200, 'x')},
    };
    for (const auto& c : cases) {
        Write(Path("fw.po4"), c.bytes);
        EXPECT_EQ(ReadEncryptedFirmwareFile(Path("fw.po4")), std::nullopt) << c.what;
    }
    EXPECT_EQ(ReadEncryptedFirmwareFile(Path("missing.po4")), std::nullopt);
    Write(Path("fw.po4"), good.left(166));
    EXPECT_EQ(ReadEncryptedFirmwareFile(Path("fw.po4")), Prefixed(""));
}

// The container has no checksum: a damaged byte comes out damaged, alone.
TEST_F(FirmwareTest, DamagedPayloadByteStaysLocal) {
    QByteArray file = Header("abc") + QByteArray(300, 'z');
    Write(Path("fw.po4"), file);
    const auto clean = ReadEncryptedFirmwareFile(Path("fw.po4"));
    file[166 + 260] = char(file[166 + 260] ^ 0x5a);
    Write(Path("fw.po4"), file);
    const auto damaged = ReadEncryptedFirmwareFile(Path("fw.po4"));
    ASSERT_TRUE(clean && damaged);
    for (size_t i = 0; i < clean->size(); ++i)
        EXPECT_EQ((*clean)[i] ^ (*damaged)[i], i == 4 + 260 ? 0x5a : 0) << i;
}

TEST(ProgrammingStatus, CodesOfTheTable) {
    const std::pair<int, const char*> table[] = {
        {1, "P05"},
        {2, "P06"},
        {-1, "P07"},
        {-2, "P08"},
        {-3, "P09"},
        {-4, "P10"},
        {-5, "P11"},
        {3, "P12"},
        {-6, "P12"},
        {-999, "P12"},
        {-1000, "P1000"},
        {-1234, "P1234"},
        {INT_MIN, "P2147483648"},
    };
    for (const auto& [status, code] : table)
        EXPECT_EQ(ProgrammingStatusCode(status), code) << status;
}
