#pragma once
// Shared libraries loaded by name at run time (the companion libraries). A
// bare file name is looked for in a given folder first (normally the
// program's own), then by the system's library search. Symbols are bound when
// the library is loaded, so a library with unresolved references fails to
// load instead of failing later. User-interface thread only (the error text
// of the system's loader is per-thread but is read right after each call).

#include <string>

namespace platform {

// An opaque handle of a loaded library; null when none.
using ModuleHandle = void*;

// Loads fileName: a name with a "/" as it stands, a bare name first as
// folder + fileName (when folder is not empty and that file exists), then
// through the system's search. Returns null on failure; ModuleError() then
// says why.
ModuleHandle LoadModule(const std::string& fileName, const std::string& folder);

// Releases one load of the library; false when the system refused.
bool FreeModule(ModuleHandle module);

// The address of the exported name, or null when the library has none.
void* ModuleSymbol(ModuleHandle module, const char* name);

// The system's text for the last failure of the calls above ("" when none).
std::string ModuleError();

// Folder of the running program, ending in "/" (see ProgramPath).
std::string ProgramFolder();

}  // namespace platform
