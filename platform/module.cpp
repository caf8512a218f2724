#include "module.h"

#include "stringtable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace platform {

struct Module {
    QLibrary library;
    std::string name;
    std::string path;
    int references = 0;
    std::unique_ptr<StringTable> strings; // parsed on first use
};

namespace {

std::string baseName(const std::string& name) {
    return QFileInfo(QString::fromStdString(name)).completeBaseName().toStdString();
}

QString soFileName(const std::string& name) {
    QString file = QFileInfo(QString::fromStdString(name).replace('\\', '/')).fileName();
    if (file.endsWith(".dll", Qt::CaseInsensitive))
        file.chop(4);
    if (!file.endsWith(".so"))
        file += ".so";
    return file;
}

// Resource ids and types are written "#<number>" on the program's side.
QString resourceKey(const std::string& s) {
    QString k = QString::fromStdString(s);
    if (k.startsWith('#'))
        k.remove(0, 1);
    return k;
}

// Null when the module carries no table (yet).
std::unique_ptr<StringTable> readStringTable(const std::string& moduleName) {
    QFile f(StringTableResourcePath(moduleName));
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    auto table = std::make_unique<StringTable>();
    table->parse(f.readAll());
    return table;
}

// The string table of a module, parsed once per loaded module. The program's
// own table is parsed once it is registered: asking before that must not
// leave the program without its strings for the rest of the run.
const StringTable* stringTableOf(ModuleHandle module) {
    if (module) {
        if (!module->strings)
            module->strings = readStringTable(module->name);
        return module->strings.get();
    }
    static std::mutex lock;
    static std::unique_ptr<StringTable> own;
    std::lock_guard<std::mutex> guard(lock);
    if (!own)
        own = readStringTable(ModuleName(nullptr));
    return own.get();
}

} // namespace

std::string ProgramDirectory() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath().toStdString();
    return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath().toStdString();
}

std::string ResolveLibraryPath(const std::string& name) {
    const QString given = QString::fromStdString(name).replace('\\', '/');
    const QString file = soFileName(name);
    QStringList candidates;
    if (given.contains('/'))
        candidates << QFileInfo(given).absolutePath() + '/' + file;
    else
        candidates << QString::fromStdString(ProgramDirectory()) + '/' + file
                   << QDir::currentPath() + '/' + file;
    for (const QString& c : candidates)
        if (QFileInfo(c).isFile())
            return QFileInfo(c).absoluteFilePath().toStdString();
    return {};
}

namespace {

// One handle per loaded file, counted as the system counts its loads: a
// second load of the same library gives the same handle, and the library
// stays mapped until the last holder frees it.
std::mutex modulesLock;
std::map<std::string, Module*> loadedModules;

} // namespace

ModuleHandle LoadLibrary(const std::string& name) {
    if (name.empty())
        return nullptr;
    const std::string path = ResolveLibraryPath(name);
    if (path.empty())
        return nullptr;
    std::lock_guard<std::mutex> guard(modulesLock);
    if (auto it = loadedModules.find(path); it != loadedModules.end()) {
        ++it->second->references;
        return it->second;
    }
    auto module = std::make_unique<Module>();
    module->library.setFileName(QString::fromStdString(path));
    if (!module->library.load())
        return nullptr;
    module->name = baseName(path);
    module->path = path;
    module->references = 1;
    loadedModules[path] = module.get();
    return module.release();
}

void* GetProcAddress(ModuleHandle module, const char* symbol) {
    if (!module || !symbol)
        return nullptr;
    return reinterpret_cast<void*>(module->library.resolve(symbol));
}

void FreeLibrary(ModuleHandle module) {
    if (!module)
        return;
    std::lock_guard<std::mutex> guard(modulesLock);
    auto it = loadedModules.find(module->path);
    if (it == loadedModules.end() || it->second != module || --module->references > 0)
        return;
    loadedModules.erase(it);
    module->library.unload();
    delete module;
}

std::string ModuleName(ModuleHandle module) {
    return module ? module->name : "Vexano";
}

QString StringTableResourcePath(const std::string& moduleName) {
    return QStringLiteral(":/modules/%1/strings.bin").arg(QString::fromStdString(moduleName));
}

QString TypedResourcePath(const std::string& moduleName, const std::string& name,
                          const std::string& type) {
    return QStringLiteral(":/modules/%1/rc/%2/%3")
        .arg(QString::fromStdString(moduleName), resourceKey(type), resourceKey(name));
}

int LoadString(ModuleHandle module, unsigned id, char* buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    const StringTable* table = stringTableOf(module);
    const std::string* text = table ? table->find(id) : nullptr;
    if (!text || text->empty())
        return 0;
    const int n = std::min<int>(static_cast<int>(text->size()), size - 1);
    std::copy_n(text->data(), n, buffer);
    buffer[n] = '\0';
    return n;
}

bool FindResource(ModuleHandle module, const std::string& name, const std::string& type,
                  QByteArray& data) {
    QFile f(TypedResourcePath(ModuleName(module), name, type));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    data = f.readAll();
    return true;
}

} // namespace platform
