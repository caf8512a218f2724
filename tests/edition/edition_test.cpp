#include "core/edition.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Every test starts from the profile that start-up builds.
class Edition : public ::testing::Test {
protected:
    void SetUp() override { SetupEditionProfile(128); }
    void TearDown() override { SetupEditionProfile(128); }
};

TEST_F(Edition, ProfileOfThisEdition) {
    EXPECT_EQ(BrandMaskOfCode(-1), 128);
    EXPECT_EQ(CustomerCodeOfMask(0), 10);
    EXPECT_EQ(int(GetModelCodeA()), 30);
    EXPECT_EQ(int(GetModelCodeB()), 31);
    EXPECT_EQ(int(GetKMapRows()), 12);
    EXPECT_EQ(GetKMapColumns(), 6);
    EXPECT_STREQ(GetModelConfigExt(30), "vx4");
    EXPECT_STREQ(GetModelConfigExt(31), "vx8");
    EXPECT_STREQ(GetModelFirmwareExt(30), "po4");
    EXPECT_STREQ(GetModelFirmwareExt(31), "po8");
    EXPECT_STREQ(GetSettingsSubPath(), "Pellam\\3307K");
    EXPECT_STREQ(GetProductTitle(), "Pellam - Tavelo Injection System");
}

TEST_F(Edition, CodeAndMaskTables) {
    const struct {
        int in, brandMaskOfCode, customerCodeOfMask, brandIndexOfMask, defaultResourceIdOfMask;
    } cases[] = {
        {-1, 128, 10, -1, 0},   // a negative code: the build's mask
        {0, 0, 10, 0, 0},       //
        {1, 0, 10, 0, 0},       //
        {10, 128, 10, 3, 0},    // customer code 10 is this brand
        {127, 0, 10, 6, 0},     //
        {128, 0, 10, 7, 18},    // this edition
        {253, 0, 10, 7, 0},     //
        {255, 2047, 10, 7, 0},  // all brands
        {0x7ff, 0, 255, 10, 0}, // 2047: every brand
        {0x800, 0, 255, 0, 0},  // no bit among the low eleven
        {0x801, 0, 255, 11, 0}, // the highest bit of the mask itself
        {4095, 0, 255, 11, 0},  //
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BrandMaskOfCode(c.in), c.brandMaskOfCode) << "code " << c.in;
        EXPECT_EQ(int(CustomerCodeOfMask(c.in)), c.customerCodeOfMask) << "mask " << c.in;
        if (c.brandIndexOfMask >= 0) {
            EXPECT_EQ(BrandIndexOfMask(c.in), c.brandIndexOfMask) << "mask " << c.in;
        }
        EXPECT_EQ(DefaultResourceIdOfMask(c.in), c.defaultResourceIdOfMask) << "mask " << c.in;
    }
}

TEST_F(Edition, ExtensionsOfOtherModelsAreModelB) {
    for (int model : {31, 0, -1, 29, 32, 286})
        EXPECT_STREQ(GetModelConfigExt(model), "vx8") << model;
    EXPECT_STREQ(GetModelFirmwareExt(0), "po8");

    char buffer[8];
    EXPECT_EQ(CopyModelConfigExt(buffer, 128, 30), buffer);
    EXPECT_STREQ(buffer, "vx4");
    EXPECT_STREQ(CopyModelConfigExt(buffer, 128, 0), "vx8");
    EXPECT_STREQ(CopyModelConfigExt(buffer, 64, 30), "vx4") << "the profile's text";
    EXPECT_STREQ(CopyModelConfigExt(buffer, 64, 31), "vx8");
}

TEST_F(Edition, AnotherMaskKeepsOnlyTheMask) {
    SetupEditionProfile(64);
    EXPECT_EQ(BrandMaskOfCode(-1), 64);
    EXPECT_EQ(int(CustomerCodeOfMask(0)), 0);
    EXPECT_EQ(int(CustomerCodeOfMask(128)), 10) << "a fixed answer";
    EXPECT_EQ(int(GetModelCodeA()), 0);
    EXPECT_EQ(int(GetModelCodeB()), 0);
    EXPECT_EQ(int(GetKMapRows()), 0);
    EXPECT_EQ(GetKMapColumns(), 0);
    for (const char* text : {GetModelConfigExt(30), GetModelConfigExt(0), GetModelFirmwareExt(30),
                             GetSettingsSubPath(), GetProductTitle(), GetFileScrambleKey()})
        EXPECT_STREQ(text, "");
    char buffer[8] = "old";
    EXPECT_STREQ(CopyModelConfigExt(buffer, 64, 5), "");
    EXPECT_STREQ(CopyModelConfigExt(buffer, 128, 5), "vx8") << "mask 128 has fixed texts";

    SetupEditionProfile(128);
    EXPECT_STREQ(GetProductTitle(), "Pellam - Tavelo Injection System") << "filled again";
}

std::string rebuilt(const std::vector<uint8_t>& in, char (&out)[20]) {
    std::memset(out, 'x', sizeof out);
    RebuildStoredText(in.data(), int(in.size()), out);
    return std::string(out);
}

TEST(RebuildStoredText, DifferenceBytesBecomeTheText) {
    const struct {
        std::vector<uint8_t> in;
        std::string text;
    } cases[] = {
        {{'A', 1, 1}, "ABC"},
        {{'A', 0, 0, 1}, "AAAB"},       // a zero difference repeats
        {{'A', 0xFF, 0xFF}, "A@?"},     // differences wrap at 256
        {{'z', 0x86, 'Q', 'R'}, "z"},   // 'z' + 0x86 is 0: the text ends
        {{'a', 1, 0x9E, 'a', 1}, "ab"}, // a zero in the middle ends it
        {{0, 'a', 1}, ""},              // a zero first: nothing
        {{'a', 1}, "ab"},               // no more than the input holds
        {{}, ""},                       //
        {std::vector<uint8_t>(30, 1), std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a"
                                                  "\x0b\x0c\x0d\x0e\x0f\x10\x11")},
    };
    for (const auto& c : cases) {
        char out[20];
        EXPECT_EQ(rebuilt(c.in, out), c.text) << "input of " << c.in.size();
        for (size_t i = c.text.size(); i < sizeof out; ++i)
            EXPECT_EQ(out[i], 0) << "byte " << i << " of the buffer";
    }
}

// Sixteen steps after the first byte: at most 17 characters, however long
// the input runs on.
TEST(RebuildStoredText, StopsAfterSeventeenCharacters) {
    std::vector<uint8_t> in(40, 1);
    in[0] = 'a';
    char out[20];
    EXPECT_EQ(rebuilt(in, out), "abcdefghijklmnopq");
    EXPECT_EQ(out[17], 0);
    EXPECT_EQ(out[19], 0);
}

TEST_F(Edition, ScrambleKeyIsShortPrintableText) {
    const std::string key = GetFileScrambleKey();
    EXPECT_GE(key.size(), 1u);
    EXPECT_LE(key.size(), 17u);
    for (unsigned char c : key)
        EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "character " << int(c);
    SetupEditionProfile(128);
    EXPECT_EQ(GetFileScrambleKey(), key) << "the same key on every start";
}

} // namespace
