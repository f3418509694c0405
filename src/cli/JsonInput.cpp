#include "cli/JsonInput.h"

#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

// Save's input was read with Qt's JSON parser before this one. Its refusals are kept word for word,
// and so is the byte each names wherever the two parsers agree on where the fault lies: the
// words come from the parser's context and the token it stopped at. Qt's parser also accepted a
// few things JSON does not allow (a raw control character or an unknown escape in a string, "1.",
// ".5"); those are refused now, in this parser's own words.

namespace cli {
namespace {

using Json = nlohmann::json;

// Deeper nesting was refused, and still is.
constexpr std::size_t kMaxDepth = 1024;

struct Failure {
    std::size_t position = 0;  // bytes read when the parser stopped: the size + 1 at the end
    std::string lastToken;
    int id = 0;
    std::string context;  // "value", "object", "object key", "object separator", "array"
    std::string detail;   // what was found, e.g. "unexpected ','", "invalid literal"
};

// Keeps the top-level object's members and the containers open at the point the parser stopped.
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
    bool start_object(std::size_t /*size*/) override { return Open('{'); }
    bool start_array(std::size_t /*size*/) override { return Open('['); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool key(string_t& k) override {
        if (open.size() == 1) {
            if (!twice && members_.count(k) != 0) {
                twice = k;
            }
            key_ = std::move(k);
        }
        return true;
    }
    bool parse_error(std::size_t position, const std::string& lastToken,
                     const nlohmann::detail::exception& error) override {
        Failure f{position, lastToken, error.id, {}, {}};
        const std::string_view what = error.what();
        constexpr std::string_view kWhile = "while parsing ";
        if (const auto at = what.find(kWhile); at != std::string_view::npos) {
            const auto rest = what.substr(at + kWhile.size());
            const auto dash = rest.find(" - ");
            f.context = rest.substr(0, dash);
            f.detail = dash == std::string_view::npos ? "" : rest.substr(dash + 3);
        }
        failure = std::move(f);
        return false;
    }

    std::vector<char> open;  // '{' or '[' for each container open, outermost first
    bool tooDeep = false;
    std::optional<std::string> twice;  // the first top-level key given a second time
    std::optional<Failure> failure;

private:
    bool Number(double n) { return Value({JsonValue::Type::Number, n, {}}); }
    bool Value(JsonValue value) {
        if (open.size() == 1 && open.front() == '{') {
            members_[key_] = std::move(value);
        }
        return true;
    }
    bool Open(char bracket) {
        Value({});
        open.push_back(bracket);
        tooDeep = open.size() > kMaxDepth;
        return !tooDeep;
    }
    bool Close() {
        open.pop_back();
        return true;
    }

    JsonMembers& members_;
    std::string key_;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string NotJson(std::string_view what, std::size_t at) {
    return "not JSON: " + std::string(what) + " at byte " + std::to_string(at);
}

// The literal that a word starting with this letter must be, if any.
std::string_view LiteralFor(char c) {
    return c == 't' ? "true" : c == 'f' ? "false" : c == 'n' ? "null" : "";
}

// Where the unquoted word that fails at `bad` starts: at the first letter of a literal that
// breaks off there ("tru}"), or at `bad` itself.
std::size_t WordStart(std::string_view text, std::size_t bad) {
    for (std::size_t k = 1; k <= 4 && k <= bad; ++k) {
        const std::string_view word = LiteralFor(text[bad - k]);
        if (k < word.size() && text.substr(bad - k, k) == word.substr(0, k)) {
            return bad - k;
        }
    }
    return bad;
}

// Where the number or string that failed starts: the parser's last token holds it up to the byte
// it failed on, that byte included (a control byte written out as "<U+001F>").
std::size_t TokenStart(std::string_view text, const Failure& f) {
    const std::size_t at = f.position - 1;
    std::size_t read = f.lastToken.size();
    if (at < text.size()) {
        read -= static_cast<unsigned char>(text[at]) < 0x20 ? 8 : 1;
    }
    return at - std::min(read, at);
}

// The first byte of the ill-formed UTF-8 sequence that the byte at `bad` breaks: the lead byte
// of an incomplete sequence before it, or `bad` itself.
std::size_t BadSequenceStart(std::string_view text, std::size_t bad) {
    std::size_t lead = bad;
    while (lead > 0 && bad - lead < 3 &&
           (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) {
        --lead;
    }
    if (lead == 0) {
        return bad;
    }
    const auto byte = static_cast<unsigned char>(text[lead - 1]);
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    return byte >= 0xC2 && byte <= 0xF4 && bad - (lead - 1) < length ? lead - 1 : bad;
}

// Where the document starts: after the blanks, and after a byte order mark that something follows.
std::size_t DocumentStart(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::size_t first = text.size() > kByteOrderMark.size() && StartsWith(text, kByteOrderMark)
                            ? kByteOrderMark.size()
                            : 0;
    while (first < text.size() && IsSpace(text[first])) {
        ++first;
    }
    return first;
}

// Follows the brackets outside strings from the document's start: where the bracket is that
// opens container number `deepest` + 1, or else the one that closes the document.
std::size_t FollowBrackets(std::string_view text, std::size_t deepest) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = DocumentStart(text); i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if ((c == '{' || c == '[') && ++depth > deepest) {
            return i;
        } else if ((c == '}' || c == ']') && --depth == 0) {
            return i;
        }
    }
    return text.size();
}

// The first byte after the complete document that is not a blank.
std::size_t AfterDocument(std::string_view text) {
    std::size_t i = FollowBrackets(text, text.size()) + 1;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    return i;
}

// Where the old parser's number ended: an optional minus, digits, a fraction and an exponent,
// each part possibly empty.
std::size_t NumberEnd(std::string_view text, std::size_t start) {
    std::size_t end = start;
    const auto skip = [&](std::string_view chars) {
        while (end < text.size() && chars.find(text[end]) != std::string_view::npos) {
            ++end;
        }
    };
    const auto one = [&](std::string_view chars) {
        if (end < text.size() && chars.find(text[end]) != std::string_view::npos) {
            ++end;
            return true;
        }
        return false;
    };
    constexpr std::string_view kDigits = "0123456789";
    one("-");
    skip(kDigits);
    if (one(".")) {
        skip(kDigits);
    }
    if (one("eE")) {
        one("+-");
        skip(kDigits);
    }
    return end;
}

// A token at `start` that an object or an array cannot take where it stands. The old parser named
// the byte after it, in an array after the blanks that follow it.
std::string Misplaced(std::string_view text, const Failure& f, std::size_t start) {
    const char token = start < text.size() ? text[start] : '\0';
    if (f.context == "object key") {
        return NotJson(token == '}' ? "object is missing after a comma" : "unterminated object",
                       start + 1);
    }
    if (f.context == "object separator") {
        return NotJson("missing name separator", start + 1);
    }
    if (f.context == "array") {
        std::size_t end = start + 1;
        while (end < text.size() && IsSpace(text[end])) {
            ++end;
        }
        return NotJson(end == text.size() ? "unterminated array" : "missing value separator", end);
    }
    return NotJson("unterminated object", start + 1);
}

// A literal (`word`) at `start` that breaks off: the old parser wanted as many bytes after its
// first letter as the literal has in all, then stopped after the first that differed.
std::string BrokenLiteral(std::string_view text, std::size_t start, std::string_view word) {
    if (text.size() - (start + 1) < word.size()) {
        return NotJson("illegal value", start + 1);
    }
    std::size_t same = 1;
    while (same < word.size() && text[start + same] == word[same]) {
        ++same;
    }
    return NotJson("illegal value", start + same + 1);
}

// Something at `start` where a value should be that is no value, or a value that an object or an
// array cannot take where it stands.
std::string Unexpected(std::string_view text, const Failure& f, std::size_t start) {
    if (f.context != "value") {
        return Misplaced(text, f, start);
    }
    const char token = start < text.size() ? text[start] : '\0';
    if (token == '}' || token == ']') {
        return NotJson("object is missing after a comma", start + 1);
    }
    if (token == ',') {
        return NotJson("illegal value", start + 1);
    }
    const std::string_view word = LiteralFor(token);
    if (word.empty()) {
        const std::size_t end = NumberEnd(text, start);
        return end == text.size() ? NotJson("invalid termination by number", end)
                                  : NotJson("illegal number", end);
    }
    return BrokenLiteral(text, start, word);
}

// The input ended inside the object or an array in it.
std::string Unterminated(std::string_view text, const Failure& f, const Collector& collector) {
    const std::size_t size = text.size();
    const char last = text.back();
    if (last == '"') {
        return NotJson("unterminated string", size);
    }
    if (IsDigit(last)) {
        return NotJson("invalid termination by number", size);
    }
    if (IsLetter(last)) {
        std::size_t start = size;
        while (start > 0 && IsLetter(text[start - 1])) {
            --start;
        }
        return BrokenLiteral(text, start, LiteralFor(text[start]));
    }
    if (f.context == "object separator") {
        return NotJson("missing name separator", size);
    }
    const bool inArray = !collector.open.empty() && collector.open.back() == '[';
    return NotJson(inArray ? "unterminated array" : "unterminated object", size);
}

std::string Describe(std::string_view text, const Failure& f, const Collector& collector) {
    if (f.id == 406) {  // a number past the range of a double
        return NotJson("illegal number", f.position);
    }
    if (f.detail.ends_with("expected end of input")) {
        return NotJson("garbage at the end of the document", AfterDocument(text));
    }
    const std::string_view detail = f.detail;
    const std::size_t at = f.position - 1;  // the byte the parser stopped on
    if (StartsWith(detail, "unexpected end of input")) {
        // A zero byte ends the input for the parser, but not for the file.
        return at < text.size() ? Unexpected(text, f, at) : Unterminated(text, f, collector);
    }
    if (StartsWith(detail, "unexpected '")) {
        return Unexpected(text, f, at);
    }
    if (StartsWith(detail, "unexpected string literal") ||
        StartsWith(detail, "unexpected number literal")) {
        return Unexpected(text, f, f.position - f.lastToken.size());
    }
    for (const std::string_view word : {"true", "false", "null"}) {
        if (StartsWith(detail, "unexpected " + std::string(word) + " literal")) {
            return Unexpected(text, f, f.position - word.size());
        }
    }
    if (StartsWith(detail, "invalid literal")) {
        return Unexpected(text, f, WordStart(text, at));
    }
    if (StartsWith(detail, "invalid number")) {
        return Unexpected(text, f, TokenStart(text, f));
    }
    constexpr std::string_view kString = "invalid string: ";
    if (StartsWith(detail, kString)) {
        if (f.context != "value" && f.context != "object key") {
            return Misplaced(text, f, TokenStart(text, f));
        }
        const std::string_view what = detail.substr(kString.size());
        if (StartsWith(what, "missing closing quote")) {
            return NotJson("unterminated string", f.position);
        }
        if (StartsWith(what, "ill-formed UTF-8 byte")) {
            return NotJson("invalid UTF8 string", BadSequenceStart(text, at));
        }
        if (StartsWith(what, "'\\u' must be followed by 4 hex digits")) {
            // Named after the "u" when fewer than four bytes follow it, else at the first
            // that is no hex digit.
            const std::size_t hex = text.rfind("\\u", at) + 2;
            return NotJson("invalid escape sequence", text.size() - hex < 4 ? hex : at);
        }
        return NotJson(what.substr(0, what.find("; last read")), at);
    }
    return NotJson(detail.substr(0, detail.find(';')), f.position);
}

}  // namespace

std::optional<std::string> ReadJsonObject(std::string_view text, JsonMembers& members) {
    // Windows editors save "Unicode" text as UTF-16, which no JSON parser reads as UTF-8.
    if (StartsWith(text, "\xFF\xFE") || StartsWith(text, "\xFE\xFF")) {
        return "not UTF-8: UTF-16 text (save it as UTF-8)";
    }
    // Only an object or an array may stand at the top, after a byte order mark and blanks.
    const std::size_t first = DocumentStart(text);
    if (first == text.size()) {
        return NotJson("illegal value", first);
    }
    if (text[first] != '{' && text[first] != '[') {
        return NotJson("illegal value", first + 1);
    }

    members.clear();
    Collector collector(members);
    if (!Json::sax_parse(text.begin(), text.end(), &collector)) {
        members.clear();
        if (collector.tooDeep) {
            return NotJson("too deeply nested document", FollowBrackets(text, kMaxDepth) + 1);
        }
        return Describe(text, *collector.failure, collector);
    }
    // The parser stops at a zero byte as at the end; anything from there on is left over.
    if (const auto zero = text.find('\0'); zero != std::string_view::npos) {
        members.clear();
        return NotJson("garbage at the end of the document", zero);
    }
    if (text[first] == '[') {
        return "not a JSON object";
    }
    if (collector.twice) {
        members.clear();
        return "the key \"" + *collector.twice + "\" is given twice";
    }
    return std::nullopt;
}

}  // namespace cli
