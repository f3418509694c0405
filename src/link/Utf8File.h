#pragma once

#include <cstdio>
#include <string>

namespace rtu {

// std::fopen for a path in UTF-8, the encoding of all the program's text. Windows' fopen would
// read the path in the ANSI code page and miss (or create) a file whose name has Chinese in it;
// there the path goes through UTF-16 to the C runtime's wide fopen. Sets errno on failure.
std::FILE* OpenUtf8Path(const std::string& path, const char* mode);

}  // namespace rtu
