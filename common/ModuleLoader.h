#pragma once

#include <QString>

#include <string>

// The one way the program loads code at run time: libmpv by its soname, and
// its own modules (the loudness analysis, the web engine) by their file
// name, where install::modulePath finds them. A library, once loaded, stays
// for the rest of the run: its threads may live as long. Safe from any thread.
namespace qm::modules {

struct Library {
    void* handle = nullptr;
    std::string error;  // why it could not be loaded, or a symbol found; empty when all went well
    bool loaded() const { return handle != nullptr; }
    // The address of symbol, or null (with error set) when there is none.
    void* symbol(const char* name);
};

// A system library by its soname, as the dynamic loader finds it.
Library loadLibrary(const std::string& soname);
// One of our modules by its file name ("qm5_loudness.so").
Library loadModule(const QString& fileName);

}  // namespace qm::modules
