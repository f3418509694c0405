#include "cli/InputFile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "seams/Utf8File.h"

namespace cli {

std::optional<std::string> ReadInputFile(const std::string& path, std::istream& standardInput,
                                         std::string& text) {
    text.clear();
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(standardInput), {});
        if (standardInput.bad()) {
            return "read error";
        }
        return std::nullopt;
    }
    // A stream over a directory opens on Linux and throws on the first read.
    std::error_code error;
    if (std::filesystem::is_directory(
            std::filesystem::path(std::u8string(path.begin(), path.end())), error)) {
        return "it is a directory";
    }
    errno = 0;
    std::FILE* file = seams::OpenUtf8Path(path, "rb");
    if (file == nullptr) {
        return errno != 0 ? std::strerror(errno) : "cannot be opened";
    }
    std::array<char, 4096> chunk{};
    for (;;) {
        const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file);
        text.append(chunk.data(), n);
        if (n < chunk.size()) {
            break;
        }
    }
    const bool failed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (failed) {
        text.clear();
        return readErrno != 0 ? std::strerror(readErrno) : "read error";
    }
    return std::nullopt;
}

}  // namespace cli
