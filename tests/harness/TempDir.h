#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace harness {

// A new, empty directory of the test's own under the system's temporary directory (TMPDIR or
// /tmp on Linux, %TEMP% on Windows), removed with all it holds when the object goes. Tests write
// their files here: /tmp does not exist on Windows, and Windows' tmpfile() creates its file in
// the drive's root, which only an administrator may write to.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // The file `name` in the directory, opened with std::fopen's `mode`; nullptr on failure.
    std::FILE* Open(const std::string& name, const char* mode) const;

private:
    std::filesystem::path path_;
};

// A path as the program's code takes it: UTF-8, whatever the system's code page.
std::string Utf8(const std::filesystem::path& path);

// The bytes of the file at `path`, read in binary mode (no line-end translation); empty when
// it cannot be read.
std::string FileBytes(const std::filesystem::path& path);

}  // namespace harness
