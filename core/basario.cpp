#include "basario.h"

platform::ModuleHandle BasarioModule = nullptr;
TBasarioIdFn BasarioGetResourceId = nullptr;
TBasarioIdFn BasarioGetCalibratingId = nullptr;

bool BindBasarioLibrary() {
    FreeBasarioLibrary();
    platform::ModuleHandle module = platform::LoadLibrary("Basario.dll");
    if (!module)
        return false;
    const auto resourceId =
        reinterpret_cast<TBasarioIdFn>(platform::GetProcAddress(module, "_GetResourceId"));
    const auto calibratingId =
        reinterpret_cast<TBasarioIdFn>(platform::GetProcAddress(module, "_GetCalibratingId"));
    if (!resourceId || !calibratingId) {
        platform::FreeLibrary(module);
        return false;
    }
    BasarioModule = module;
    BasarioGetResourceId = resourceId;
    BasarioGetCalibratingId = calibratingId;
    return true;
}

void FreeBasarioLibrary() {
    if (BasarioModule)
        platform::FreeLibrary(BasarioModule);
    BasarioModule = nullptr;
    BasarioGetResourceId = nullptr;
    BasarioGetCalibratingId = nullptr;
}

int GetResourceId(int fuel, int reserved, int injectorType, int customerCode) {
    return BasarioGetResourceId ? BasarioGetResourceId(fuel, reserved, injectorType, customerCode)
                                : 0;
}
