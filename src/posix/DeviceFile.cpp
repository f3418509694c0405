#include "posix/DeviceFile.h"

#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace posix {

std::string DevicePath(std::string_view name) {
    if (!name.empty() && name.front() != '/') {
        return "/dev/" + std::string(name);
    }
    return std::string(name);
}

PathAccess AccessTo(const std::string& path) {
    if (::access(path.c_str(), R_OK | W_OK) == 0) {
        return PathAccess::ReadWrite;
    }
    return errno == EACCES || errno == EPERM || errno == EROFS ? PathAccess::Refused
                                                               : PathAccess::Missing;
}

std::string OwningGroup(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    if (const struct group* owner = ::getgrgid(info.st_gid)) {
        return owner->gr_name;
    }
    return {};
}

bool HasHungUp(int fd) {
    pollfd line{};
    line.fd = fd;
    line.events = POLLIN;
    if (::poll(&line, 1, 0) < 0) {
        return true;
    }
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

std::size_t WriteAtOnce(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t taken = 0;
    while (taken < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + taken, bytes.size() - taken);
        if (written > 0) {
            taken += static_cast<std::size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return taken;
}

}  // namespace posix
