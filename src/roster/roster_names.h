#pragma once
// The rule every teacher's and pupil's name follows. A pupil's name is also
// the name of the pupil's folder, so a name must stay one plain folder name:
// no "/" or "\" (both separate folders in data paths), no "..", no control
// characters, not hidden (no leading "."), no blanks at either end, valid
// UTF-8 and at most kMaxNameBytes bytes. Any thread may call these.

#include <string>
#include <string_view>

namespace roster {

constexpr std::size_t kMaxNameBytes = 64;

// Empty when name is acceptable; otherwise a sentence saying why not.
std::string NameProblem(std::string_view name);

// Names compared the way the program compares file names: ASCII letters
// without regard to case.
bool SameName(std::string_view a, std::string_view b);

}  // namespace roster
