#pragma once
// Path text helpers shared by the streams and the directory entries. Pure
// functions; any thread.

#include <string>
#include <string_view>

// Brings a data path to the one form this program stores and reports:
// every "\" becomes "/", repeated separators collapse, "." components are
// dropped, and a component followed by ".." goes together with the ".."
// (a ".." that follows ".." or starts a relative path stays; one directly
// below the root of an absolute path is dropped). A leading "/" and a
// trailing "/" are kept. A path that cancels out entirely becomes ".".
// "a\b\..\c.dat" -> "a/c.dat".
std::string NormalizePath(std::string_view path);

// True for "/" and "\", the separators data files may use.
constexpr bool IsPathSeparator(char ch) { return ch == '/' || ch == '\\'; }
