#pragma once
// INI ("profile") files read and written the way the settings store and the
// link files expect: sections and keys matched without regard to case, white
// space around names and values trimmed, a missing file read as empty. There
// is no cache: every call reads the file, so a value written by another
// instance is seen by the next query. Writes replace the file whole (a
// temporary file in the same folder, then rename) or leave it untouched.
//
// File syntax: "[Section]" lines open sections, "Key=Value" lines are entries,
// lines whose first non-blank character is ";" are comments. Other lines are
// kept on write but are not entries. Lines before the first section belong to
// no section. When a name occurs twice, the first occurrence counts.
//
// Any thread may call these; concurrent writers to one file are not
// serialised (the last rename wins, and readers never see a partial file).

#include <cstddef>
#include <string>

namespace platform {

// Reads one value, or a list of names.
//   section and key given: the value of key (a matching pair of quotes around
//     it removed), or def (null means "") when there is none. The text is cut
//     to size - 1 characters; the result is the number of characters stored,
//     so a value that fills or overflows the buffer gives size - 1.
//   key null: the names of the section's keys; section null: the section
//     names. Each name is NUL-terminated and the list ends with an extra NUL.
//     A list that does not fit is cut and ends with two NULs; the result is
//     then size - 2.
// The buffer is always NUL-terminated when size > 0; size 0 gives 0.
std::size_t ReadProfileString(const char* section, const char* key, const char* def,
                              char* buffer, std::size_t size, const std::string& path);

// Writes key = value into section, appending the section or the key when it
// is missing; the rest of the file is kept as it is. A null value deletes the
// key, a null key deletes the whole section (header and lines). Returns false
// when nothing could be written: no section, a name or value that cannot be
// stored in an INI line (line breaks, "=" in a key, "]" in a section), or a
// file system failure; the old file is then unchanged.
bool WriteProfileString(const char* section, const char* key, const char* value, const std::string& path);

}  // namespace platform
