#include "common/ModuleLoader.h"

#include "common/InstallLayout.h"

#include <QFile>

#include <dlfcn.h>

namespace qm::modules {

namespace {

Library open(const std::string& path, const std::string& what) {
    Library lib;
    lib.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib.handle == nullptr) {
        const char* why = ::dlerror();
        lib.error = what + " cannot be loaded: " + (why != nullptr ? why : path);
    }
    return lib;
}

}  // namespace

void* Library::symbol(const char* name) {
    if (handle == nullptr) return nullptr;
    void* s = ::dlsym(handle, name);
    if (s == nullptr) error = std::string("no ") + name + " in the library";
    return s;
}

Library loadLibrary(const std::string& soname) { return open(soname, soname); }

Library loadModule(const QString& fileName) {
    const std::string path = QFile::encodeName(install::modulePath(fileName)).toStdString();
    return open(path, "the module " + path);
}

}  // namespace qm::modules
