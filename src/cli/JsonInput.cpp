#include "cli/JsonInput.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <utility>

namespace cli {
namespace {

using Json = nlohmann::json;

// Keeps the top-level object's members and the first of its keys given twice (the parser would
// keep the last), or where and why the parser stopped.
class Collector : public nlohmann::json_sax<Json> {
public:
    explicit Collector(JsonMembers& members) : members_(members) {}

    bool null() override { return Value({JsonValue::Type::Null, 0, {}}); }
    bool boolean(bool /*value*/) override { return Value({}); }
    bool number_integer(number_integer_t n) override { return Number(static_cast<double>(n)); }
    bool number_unsigned(number_unsigned_t n) override { return Number(static_cast<double>(n)); }
    bool number_float(number_float_t n, const string_t& /*text*/) override { return Number(n); }
    bool string(string_t& s) override { return Value({JsonValue::Type::Text, 0, std::move(s)}); }
    bool binary(binary_t& /*bytes*/) override { return Value({}); }
    bool start_object(std::size_t /*size*/) override {
        isObject |= depth_ == 0;
        return Open();
    }
    bool start_array(std::size_t /*size*/) override { return Open(); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool key(string_t& k) override {
        if (depth_ == 1) {
            if (!twice && members_.count(k) != 0) {
                twice = k;
            }
            key_ = std::move(k);
        }
        return true;
    }
    bool parse_error(std::size_t position, const std::string& /*lastToken*/,
                     const Json::exception& error) override {
        // what() is "[json.exception.parse_error.101] parse error at line 1, column 7: REASON",
        // or, for a number past a double's range, "[json.exception.out_of_range.406] REASON".
        std::string_view why = error.what();
        why.remove_prefix(dynamic_cast<const Json::parse_error*>(&error) != nullptr
                              ? why.find(": ") + 2
                              : why.find("] ") + 2);
        failedAt = position > 0 ? position - 1 : 0;
        reason = why;
        return false;
    }

    bool isObject = false;             // the document is an object
    std::optional<std::string> twice;  // the first top-level key given a second time
    std::size_t failedAt = 0;          // the byte the parser stopped at (the size at the end)
    std::string reason;

private:
    bool Number(double n) { return Value({JsonValue::Type::Number, n, {}}); }
    bool Value(JsonValue value) {
        if (depth_ == 1) {
            members_[key_] = std::move(value);
        }
        return true;
    }
    bool Open() {
        Value({});
        ++depth_;
        return true;
    }
    bool Close() {
        --depth_;
        return true;
    }

    JsonMembers& members_;
    std::size_t depth_ = 0;
    std::string key_;
};

// "line L, column C" of the byte at `offset`, both from 1 and the column in bytes, a newline on
// the line it ends. Counted from the parser's byte offset, since its own count gives column 0 for
// a fault at or just before a newline.
std::string LineAndColumn(std::string_view text, std::size_t offset) {
    const std::string_view before = text.substr(0, offset);
    const auto newline = before.rfind('\n');
    const std::size_t lineStart = newline == std::string_view::npos ? 0 : newline + 1;
    return "line " + std::to_string(std::count(before.begin(), before.end(), '\n') + 1) +
           ", column " + std::to_string(offset - lineStart + 1);
}

}  // namespace

std::optional<std::string> ReadJsonObject(std::string_view text, JsonMembers& members) {
    members.clear();
    // Windows editors save "Unicode" text as UTF-16, which no JSON parser reads as UTF-8.
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        return "not UTF-8: UTF-16 text (save it as UTF-8)";
    }
    // The parser takes a zero byte for the end of the text and would pass over what follows it.
    if (const auto zero = text.find('\0'); zero != std::string_view::npos) {
        return LineAndColumn(text, zero) + ": a zero byte, which is not JSON";
    }
    Collector collector(members);
    std::optional<std::string> refused;
    if (!Json::sax_parse(text.begin(), text.end(), &collector)) {
        refused = LineAndColumn(text, collector.failedAt) + ": " + collector.reason;
    } else if (!collector.isObject) {
        refused = "not a JSON object";
    } else if (collector.twice) {
        refused = "the key \"" + *collector.twice + "\" is given twice";
    }
    if (refused) {
        members.clear();
    }
    return refused;
}

}  // namespace cli
