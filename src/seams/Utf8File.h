#pragma once

#include <cstdio>
#include <string>

namespace seams {

// std::fopen for a path in UTF-8, the encoding of all the program's text. Each platform's edge
// defines it: POSIX names are bytes and take UTF-8 as it is; Windows' fopen would read the path in
// the ANSI code page and miss (or create) a file whose name has Chinese in it, so there the path
// goes through UTF-16 to the C runtime's wide fopen. Sets errno on failure.
std::FILE* OpenUtf8Path(const std::string& path, const char* mode);

}  // namespace seams
