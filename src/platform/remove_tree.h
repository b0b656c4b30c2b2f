#pragma once
// Removing a folder with everything in it without ever leaving it: no
// symbolic link is followed, so a link inside (or planted while the removal
// runs) loses only itself, never the files it points at. Any thread may call
// this.

#include <string>

namespace platform {

// Removes the folder name inside parent and all it holds. A name that is a
// symbolic link (or no folder) is refused: false with errno ELOOP (ENOTDIR)
// and nothing removed. Other failures give false with errno set; what could
// be removed until then is gone.
bool RemoveFolderTree(const std::string& parent, const std::string& name);

}  // namespace platform
