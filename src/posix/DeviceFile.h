#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace posix {

// The device file of a system name (ttyUSB0 is /dev/ttyUSB0); a path stays as it is.
std::string DevicePath(std::string_view name);

// What this user may do with a device file.
enum class PathAccess : std::uint8_t { ReadWrite, Refused, Missing };
PathAccess AccessTo(const std::string& path);

// The name of the group that owns the device file, e.g. "dialout"; empty when unknown.
std::string OwningGroup(const std::string& path);

// Whether the open line behind the descriptor has hung up (or cannot be asked).
bool HasHungUp(int fd);

// Writes as much of `bytes` as the kernel takes at once; returns how many it took.
std::size_t WriteAtOnce(int fd, std::span<const std::uint8_t> bytes);

}  // namespace posix
