#pragma once
// vStrTmpl_c: the program's text string (every text property of a loadable
// class is one). A standard string, so it works with every library the
// program uses.

#include <string>

using vStrTmpl_c = std::string;
