// A link library with one of the create and destroy exports missing; it
// counts the objects it was asked to create.
#include "core/serialecu.h"

#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
int createCalls = 0;
}

PARTIAL_EXPORT int Probe_CreateCalls() {
    return createCalls;
}

#ifndef WITHOUT_CREATE
PARTIAL_EXPORT TSerialEcuLink* _CreateClassInstance() {
    ++createCalls;
    return nullptr;
}
#endif

#ifndef WITHOUT_DESTROY
PARTIAL_EXPORT void _DestroyClassInstance(TSerialEcuLink*) {}
#endif

PARTIAL_EXPORT int _GetDLLVersion(FILE_VERSION_DATA*) {
    return 1;
}
