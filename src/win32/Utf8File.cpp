#include "seams/Utf8File.h"

#include <cerrno>
#include <exception>
#include <filesystem>
#include <string>

// Windows' C runtime reads a narrow path in the ANSI code page; its wide fopen takes the UTF-16
// that std::filesystem makes of UTF-8.
std::FILE* seams::OpenUtf8Path(const std::string& path, const char* mode) {
    std::filesystem::path native;
    try {
        native = std::filesystem::path(std::u8string(path.begin(), path.end()));
    } catch (const std::exception&) {
        errno = EILSEQ;  // not UTF-8: no file has that name
        return nullptr;
    }
    const std::string narrowMode(mode);
    const std::wstring wideMode(narrowMode.begin(), narrowMode.end());
    return _wfopen(native.c_str(), wideMode.c_str());
}
