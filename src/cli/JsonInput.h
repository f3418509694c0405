#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// A member's value, as far as save looks at it.
struct JsonValue {
    enum class Type : std::uint8_t { Null, Number, Text, Other };
    Type type = Type::Other;
    double number = 0;  // every JSON number is taken as a double
    std::string text;   // UTF-8
};

// The members of an object by key, in byte order.
using JsonMembers = std::map<std::string, JsonValue>;

// Reads text that must hold one JSON object into `members`. Otherwise returns why: for text that
// is not JSON, "line L, column C: " (from 1, the column in bytes) and the parser's own reason;
// "not a JSON object"; "not UTF-8: ..." for UTF-16 text; or, for a top-level key given twice,
// which one.
std::optional<std::string> ReadJsonObject(std::string_view text, JsonMembers& members);

}  // namespace cli
