// The language library: its string tables are a resource that registers
// itself when the library is loaded and goes away when it is unloaded; the
// code is the two exports that give the tables' shape.
#include "languages/shape.h"

#include <cstdint>

// The program binds these by their exported names, which begin with an
// underscore; the assembler names keep that out of the C++ identifiers.
extern "C" {
__attribute__((visibility("default"))) void
exportMaxLanguages(std::uint8_t* count) __asm__("_MaxLanguages");
__attribute__((visibility("default"))) void
exportMaxStrings(std::int32_t* count) __asm__("_MaxStrings");
}

void exportMaxLanguages(std::uint8_t* count) {
    if (count)
        *count = static_cast<std::uint8_t>(languages::kLanguageCount);
}

void exportMaxStrings(std::int32_t* count) {
    if (count)
        *count = languages::kStringsPerLanguage;
}
