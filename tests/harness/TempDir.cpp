#include "harness/TempDir.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace harness {

TempDir::TempDir() {
    namespace fs = std::filesystem;
    // Random names, so that tests running side by side (ctest -j) never share a directory.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto tag = (std::uint64_t{random()} << 32) | random();
        fs::path candidate =
            fs::temp_directory_path() / ("transmitter-test-" + std::to_string(tag));
        if (fs::create_directory(candidate)) {
            path_ = std::move(candidate);
            return;
        }
    }
    throw std::runtime_error("no fresh temporary directory");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::FILE* TempDir::Open(const std::string& name, const char* mode) const {
    return std::fopen((path_ / name).string().c_str(), mode);
}

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace harness
