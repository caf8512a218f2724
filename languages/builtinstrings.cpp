#include "builtinstrings.h"

#include <QtGlobal>

// Outside any namespace, as the resource's own registration function is.
static void registerResource() {
    Q_INIT_RESOURCE(vexano_builtin_strings);
}

namespace languages {

void RegisterBuiltinStrings() {
    registerResource();
}

} // namespace languages
