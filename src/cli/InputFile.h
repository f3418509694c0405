#pragma once

#include <istream>
#include <optional>
#include <string>

namespace cli {

// Reads the whole of a file save or diff takes, or of `standardInput` for "-", into `text`.
// Returns why, when it cannot be had whole: "it is a directory", or the system's reason.
std::optional<std::string> ReadInputFile(const std::string& path, std::istream& standardInput,
                                         std::string& text);

}  // namespace cli
