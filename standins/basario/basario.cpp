// Stand-in for the maker's default-configuration library "Basario.dll": its
// resources of type "#256" are complete default configurations, and
// _GetResourceId names the one that fits a fuel and an injector type.
#include <cstdint>

namespace {

struct TResource {
    int fuel;         // 0 LPG, 1 CNG
    int injectorType; // low byte of the caller's value
    int id;
};

// Generated from configs/resources.txt.
constexpr TResource kResources[] = {
#include "basario_resources.inc"
};

constexpr int kCustomerCode = 10;

} // namespace

extern "C" {

// Only the low byte of the last two arguments is defined.
__attribute__((visibility("default"))) int _GetResourceId(int fuel, int reserved, int injectorType,
                                                          int customer) {
    if (reserved != 0 || (customer & 0xff) != kCustomerCode)
        return 0;
    for (const TResource& r : kResources)
        if (r.fuel == fuel && r.injectorType == (injectorType & 0xff))
            return r.id;
    return 0;
}

// Looked up by the program, never called: no calibration resource exists.
__attribute__((visibility("default"))) int _GetCalibratingId(int, int, int, int) {
    return 0;
}
}
