#pragma once
// Path spelling rules of the data files: "\" and "/" both separate folders,
// and names differing only in letter case ("Say.wav", "say.wav") are one
// file. Any thread may call these.

#include <string>

namespace platform {

// Every "\" becomes "/".
std::string ToForwardSlashes(std::string path);

// The path with "/" separators and each component spelt as it exists on disk
// when a case-insensitive match exists; components that match nothing are
// kept as given (so a new file is created under the given name).
std::string MatchExistingCase(const std::string& path);

}  // namespace platform
