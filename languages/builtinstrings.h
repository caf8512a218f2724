#pragma once
// The program's own copy of the Italian texts (ids 0-499), read through the
// null module when the language library is missing.

namespace languages {

// Makes sure the table is registered; a linker may drop a resource object
// that nothing references. Safe to call any number of times.
void RegisterBuiltinStrings();

} // namespace languages
