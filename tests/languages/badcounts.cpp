// Reports zero languages and has no "_MaxStrings" export.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) void
reportNoLanguage(std::uint8_t* count) __asm__("_MaxLanguages");

void reportNoLanguage(std::uint8_t* count) {
    *count = 0;
}
