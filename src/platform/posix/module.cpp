#include "platform/module.h"

#include "platform/process.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace platform {
namespace {

thread_local std::string tLastError;

void RememberError() {
    const char* text = ::dlerror();
    tLastError = text ? text : "";
}

}  // namespace

ModuleHandle LoadModule(const std::string& fileName, const std::string& folder) {
    tLastError.clear();
    std::string path = fileName;
    if (fileName.find('/') == std::string::npos && !folder.empty()) {
        const std::string beside = folder.back() == '/' ? folder + fileName : folder + "/" + fileName;
        struct stat st;
        if (::stat(beside.c_str(), &st) == 0) path = beside;
    }
    // RTLD_LOCAL: each library keeps its own symbols, so two libraries built
    // from the same sources (the settings store, say) never bind to each other.
    ModuleHandle module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) RememberError();
    return module;
}

bool FreeModule(ModuleHandle module) {
    tLastError.clear();
    if (::dlclose(module) == 0) return true;
    RememberError();
    return false;
}

void* ModuleSymbol(ModuleHandle module, const char* name) {
    tLastError.clear();
    ::dlerror();
    void* address = ::dlsym(module, name);
    if (!address) RememberError();
    return address;
}

std::string ModuleError() { return tLastError; }

std::string ProgramFolder() {
    const std::string path = ProgramPath();
    return path.substr(0, path.rfind('/') + 1);
}

}  // namespace platform
