#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/ConfigKeys.h"

namespace cli {

// A value that cannot be accepted, and the key it was given for (empty when the input as a whole
// is at fault, e.g. a file that is not JSON).
struct Refusal {
    std::string key;
    std::string reason;
    std::string Message() const;
};

// Checks one value given as text with the limits the window applies: a number as the window
// converts a field's text (optional blanks and sign, decimal digits), 0..65535 for a 16-bit
// register and 0..2147483647 for a register pair; a list entry by its text ("115200", "无校验")
// or by its index. Stores the number or the index at the key's place in `values`.
std::optional<Refusal> Assign(ConfigValues& values, std::string_view key, std::string_view text);

// save's KEY=VALUE pairs, applied in order: a later pair for the same key wins. Stops at the first
// pair that is malformed, names no key that save writes, or holds a refused value.
std::optional<Refusal> ParseAssignments(std::span<const std::string> pairs, ConfigValues& values);

}  // namespace cli
