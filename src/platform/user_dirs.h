#pragma once
// Where the program keeps the data of the user who runs it, and folders made
// private to that user. Any thread may call these.

#include <string>
#include <sys/types.h>

namespace platform {

// "$XDG_DATA_HOME/lorvano/", or "~/.local/share/lorvano/" when XDG_DATA_HOME
// is unset, empty or not an absolute path. Ends in "/". Nothing is created.
std::string UserDataDir();

// Creates path and every missing folder above it, each new one with mode
// (subject to the umask); existing folders are left as they are. False
// (errno set) when a folder could not be made or a component is no folder.
bool MakeFolders(const std::string& path, mode_t mode);

}  // namespace platform
