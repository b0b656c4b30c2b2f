#pragma once
// Where a user's own files live, and the per-user language folder that lays
// itself over a shipped, read-only one. Call from the thread that entered
// the program.

#include <string>

namespace platform {

// $XDG_DATA_HOME, else $HOME/.local/share (the password database's home when
// HOME is unset); no trailing "/".
std::string UserDataHome();
// $XDG_CONFIG_HOME, else $HOME/.config.
std::string UserConfigHome();

// Creates the folder and its missing parents, new ones readable only by the
// user; true when it exists afterwards.
bool MakePrivateFolders(const std::string& path);

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
