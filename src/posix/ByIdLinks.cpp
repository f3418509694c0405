#include "posix/ByIdLinks.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace posix {

std::vector<std::string> ByIdLinks(std::string_view directory, std::string_view device) {
    namespace fs = std::filesystem;
    std::vector<std::string> links;
    std::error_code error;
    const fs::path target = fs::canonical(fs::path(device), error);
    if (error) {
        return links;
    }
    for (fs::directory_iterator it(fs::path(directory), error), end; !error && it != end;
         it.increment(error)) {
        std::error_code resolveError;
        const fs::path resolved = fs::canonical(it->path(), resolveError);
        if (!resolveError && resolved == target) {
            links.push_back(it->path().string());
        }
    }
    std::sort(links.begin(), links.end());
    return links;
}

}  // namespace posix
