#pragma once
// Loading of the program's libraries by their Windows names, their exports,
// and their resources (string tables and typed resources).
//
// "SerQuarnDL.dll" names the file "SerQuarnDL.so"; a bare name is looked up
// beside the program first, then in the working folder, always by full path.
// A module's resources are Qt resources that the module registers under
// ":/modules/<base name>/" when it is loaded; the program's own resources
// (module handle null) live under ":/modules/Vexano/".
#include <QByteArray>
#include <string>

namespace platform {

struct Module;
using ModuleHandle = Module*;

ModuleHandle LoadLibrary(const std::string& name);
void* GetProcAddress(ModuleHandle module, const char* symbol);
void FreeLibrary(ModuleHandle module);
// Base name of the module ("Languages"); "Vexano" for null.
std::string ModuleName(ModuleHandle module);
// Full path of the file that would be loaded for a name, empty if none exists.
std::string ResolveLibraryPath(const std::string& name);
// Folder of the running program, with no trailing separator.
std::string ProgramDirectory();

// String n of a module's string table into buffer (at most size - 1 bytes and
// a terminating 0). Returns the number of bytes copied, 0 when no such string.
int LoadString(ModuleHandle module, unsigned id, char* buffer, int size);

// A typed resource such as name "#18" of type "#256"; false when absent.
bool FindResource(ModuleHandle module, const std::string& name, const std::string& type,
                  QByteArray& data);

// Resource paths as the modules register them.
QString StringTableResourcePath(const std::string& moduleName);
QString TypedResourcePath(const std::string& moduleName, const std::string& name,
                          const std::string& type);

} // namespace platform
