#include "seams/Utf8File.h"

// POSIX file names are bytes: UTF-8 passes through as it is.
std::FILE* seams::OpenUtf8Path(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}
