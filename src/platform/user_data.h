#pragma once
// Where a user's own files live, and the per-user language folder that lays
// itself over a shipped, read-only one. MirrorFolder is called from the
// thread that entered the program, before others start; the rest from any
// thread.

#include <string>
#include <sys/types.h>

namespace platform {

// $XDG_DATA_HOME, else $HOME/.local/share (the password database's home when
// HOME is unset); no trailing "/".
std::string UserDataHome();
// $XDG_CONFIG_HOME, else $HOME/.config.
std::string UserConfigHome();

// The program's own folder in the data home: UserDataHome() + "/lorvano/".
// Nothing is created.
std::string UserDataDir();

// Creates path and every missing folder above it, each new one with mode
// (subject to the umask); existing folders are left as they are. False
// (errno set) when a folder could not be made or a component is no folder.
bool MakeFolders(const std::string& path, mode_t mode);

// True when new files can be made in the folder.
bool IsWritableFolder(const std::string& path);

// Makes user a mirror of shipped: every folder of shipped exists in user,
// and every file of shipped that user does not have as a file of its own
// gets a symbolic link there to the shipped file. Files of the user (new
// ones, or ones that replaced a link) are kept and so override the shipped
// ones; links to shipped files that are gone are removed. False, with a
// reason in error, when the mirror could not be made complete.
// The shipped folder is remembered for the rest of the run: writing a file
// through one of its links replaces the link (see WriteFileAtomically).
bool MirrorFolder(const std::string& shipped, const std::string& user, std::string& error);

// True when path (a resolved, absolute path) lies in a folder that a mirror
// made in this run reads from.
bool IsMirroredFile(const std::string& path);

}  // namespace platform
