#pragma once
// The maker's default-configuration library "Basario.dll", bound once at
// start-up: its module (whose "#256" resources are the default configurations
// the transfer engine reads) and the addresses of its two exports,
// "_GetResourceId" and "_GetCalibratingId". Start-up binds it, the program's
// end frees it; nothing else loads or frees it.
#include "platform/module.h"

// int(fuel, reserved, injector type, customer code): a resource number, 0 for none.
using TBasarioIdFn = int (*)(int, int, int, int);

extern platform::ModuleHandle BasarioModule;
// The bound exports (the names with a leading underscore are the library's;
// C++ keeps such names for itself, so the addresses carry these).
extern TBasarioIdFn BasarioGetResourceId;
extern TBasarioIdFn BasarioGetCalibratingId;

// Loads "Basario.dll" and binds both exports. False when the library or
// either export is missing: then nothing stays loaded or bound.
bool BindBasarioLibrary();
// Frees the library and clears the handle and both addresses.
void FreeBasarioLibrary();
// The bound "_GetResourceId"; 0 (no resource) while the library is not bound.
int GetResourceId(int fuel, int reserved, int injectorType, int customerCode);
