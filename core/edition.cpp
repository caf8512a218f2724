#include "edition.h"

#include <cstring>

namespace {

// The configuration-file key, stored as difference bytes so it never appears
// as text in the program file.
constexpr uint8_t kScrambleKeyBytes[] = {0x54, 0x22, 0xb4, 0x09, 0x00, 0xfd, 0x07, 0x34,
                                         0xe5, 0x15, 0x07, 0x00, 0xb5, 0x40, 0x0c, 0x93};

constexpr int kThisEdition = 128;

struct Profile {
    int brandMask = 0;
    uint8_t customerCode = 0;
    int8_t modelA = 0, modelB = 0;
    int8_t rows = 0;
    int columns = 0;
    char configExtA[4] = "", configExtB[4] = "";
    char firmwareExtA[4] = "", firmwareExtB[4] = "";
    char subPath[32] = "";
    char title[64] = "";
    char key[20] = "";
};

Profile profile;

} // namespace

void RebuildStoredText(const uint8_t* in, int inSize, char out[20]) {
    std::memset(out, 0, 20);
    if (inSize <= 0)
        return;
    out[0] = static_cast<char>(in[0]);
    for (int i = 1; i < inSize && i <= 16 && out[i - 1] != 0; ++i)
        out[i] = static_cast<char>((in[i] + static_cast<uint8_t>(out[i - 1])) & 0xff);
}

void SetupEditionProfile(int buildMask) {
    profile = Profile{};
    profile.brandMask = buildMask;
    if (buildMask != kThisEdition)
        return;
    profile.customerCode = 10;
    RebuildStoredText(kScrambleKeyBytes, sizeof kScrambleKeyBytes, profile.key);
    std::strcpy(profile.configExtA, "vx4");
    std::strcpy(profile.configExtB, "vx8");
    std::strcpy(profile.firmwareExtA, "po4");
    std::strcpy(profile.firmwareExtB, "po8");
    profile.modelA = 30;
    profile.modelB = 31;
    profile.rows = 12;
    profile.columns = 6;
    std::strcpy(profile.subPath, "Pellam\\3307K");
    std::strcpy(profile.title, "Pellam - Tavelo Injection System");
}

int BrandMaskOfCode(int code) {
    if (code < 0)
        return profile.brandMask;
    if (code == 10)
        return 128;
    if (code == 255)
        return 2047;
    return 0;
}

uint8_t CustomerCodeOfMask(int mask) {
    if (mask >= 2047)
        return 255;
    if (mask == 128)
        return 10;
    return profile.customerCode;
}

int BrandIndexOfMask(int mask) {
    if ((mask & 0x7ff) == 0)
        return 0;
    int bit = 0;
    for (unsigned m = static_cast<unsigned>(mask) >> 1; m != 0; m >>= 1)
        ++bit;
    return bit;
}

int DefaultResourceIdOfMask(int mask) { return mask == 128 ? 18 : 0; }

const char* GetModelConfigExt(int model) {
    return model == profile.modelA ? profile.configExtA : profile.configExtB;
}

char* CopyModelConfigExt(char* buffer, int mask, int model) {
    if (mask == 128)
        std::strcpy(buffer, model == GetModelCodeA() ? "vx4" : "vx8");
    else
        std::strcpy(buffer, GetModelConfigExt(model));
    return buffer;
}

const char* GetModelFirmwareExt(int model) {
    return model == profile.modelA ? profile.firmwareExtA : profile.firmwareExtB;
}

int8_t GetModelCodeA() { return profile.modelA; }
int8_t GetModelCodeB() { return profile.modelB; }
int8_t GetKMapRows() { return profile.rows; }
int GetKMapColumns() { return profile.columns; }
const char* GetSettingsSubPath() { return profile.subPath; }
const char* GetProductTitle() { return profile.title; }
const char* GetFileScrambleKey() { return profile.key; }
