#include "sim/Replay.h"

#include <algorithm>

#include "link/TraceLine.h"
#include "sim/LineDevice.h"

namespace sim {
namespace {

// The lines of one gathering are written one after the other; two gatherings are 50 ms apart.
constexpr std::int64_t kSameGatheringUs = 25'000;

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    while (!line.empty()) {
        const auto start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            break;
        }
        line.remove_prefix(start);
        const auto end = line.find(' ');
        words.push_back(line.substr(0, end));
        line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    }
    return words;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "8412.200031": seconds with up to six digits of microseconds.
std::optional<std::int64_t> Micros(std::string_view stamp) {
    const auto dot = stamp.find('.');
    if (dot == std::string_view::npos || !AllDigits(stamp.substr(0, dot)) || dot > 12 ||
        !AllDigits(stamp.substr(dot + 1)) || stamp.size() - dot - 1 > 6) {
        return std::nullopt;
    }
    std::int64_t us = 0;
    for (const char c : stamp.substr(0, dot)) {
        us = us * 10 + (c - '0');
    }
    std::int64_t fraction = 0;
    std::size_t digits = 0;
    for (const char c : stamp.substr(dot + 1)) {
        fraction = fraction * 10 + (c - '0');
        ++digits;
    }
    for (; digits < 6; ++digits) {
        fraction *= 10;
    }
    return us * 1'000'000 + fraction;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool Bytes(std::span<const std::string_view> words, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    for (const std::string_view word : words) {
        if (word.size() != 2 || HexDigit(word[0]) < 0 || HexDigit(word[1]) < 0) {
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(HexDigit(word[0]) * 16 + HexDigit(word[1])));
    }
    return true;
}

bool IsVerdict(std::string_view word) {
    return word == "ok" || word == "short" || word == "checksum" || word == "echo";
}

}  // namespace

std::optional<ReplayScript> ReplayScript::Parse(std::string_view text, std::string& error) {
    ReplayScript script;
    bool opened = false;
    ReplayAnswer* answer = nullptr;  // of the request sent last, while its answer may grow
    std::int64_t sentUs = 0;
    std::int64_t lastRxUs = 0;
    std::vector<std::uint8_t> bytes;
    std::size_t number = 0;
    const auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(number) + ": " + what;
        return std::nullopt;
    };
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);  // a trace that went through a Windows machine
        }
        const std::vector<std::string_view> words = Words(line);
        if (words.empty()) {
            continue;
        }
        const auto at = Micros(words[0]);
        if (!at) {
            return fail("\"" + std::string(words[0]) + "\" is no time stamp");
        }
        if (words.size() < 2) {
            return fail("a time stamp without an event");
        }
        const std::string_view event = words[1];
        const auto rest = std::span(words).subspan(2);
        if (event == "tx") {
            if (rest.empty() || !Bytes(rest, bytes)) {
                return fail("tx without its bytes in hex");
            }
            Entry& entry = script.entries_[bytes];
            answer = &entry.answers.emplace_back();
            sentUs = *at;
        } else if (event == "rx") {
            if (rest.empty() || !IsVerdict(rest.back())) {
                return fail("rx without its verdict (ok, short, checksum or echo)");
            }
            if (!Bytes(rest.first(rest.size() - 1), bytes)) {
                return fail("rx without its bytes in hex");
            }
            if (answer == nullptr || bytes.empty()) {
                continue;  // nothing asked since the port was opened
            }
            if (!answer->empty() && *at - lastRxUs < kSameGatheringUs) {
                auto& chunk = answer->back().bytes;
                chunk.insert(chunk.end(), bytes.begin(), bytes.end());
            } else {
                answer->push_back(
                    {std::max<std::int64_t>(0, *at - kJudgedAfterUs - sentUs), bytes});
            }
            lastRxUs = *at;
        } else if (event == "open") {
            opened = true;
            answer = nullptr;
        } else if (event == "close") {
            answer = nullptr;
        } else if (event != "error") {
            return fail("unknown event \"" + std::string(event) + "\"");
        }
    }
    if (!opened) {
        error =
            "no open line: not a trace of transmitter-config or transmitter-cli --trace "
            "(transmitter-sim --log records the device's side)";
        return std::nullopt;
    }
    if (script.entries_.empty()) {
        error = "no request in it (no tx line)";
        return std::nullopt;
    }
    return script;
}

const ReplayAnswer* ReplayScript::Answer(std::span<const std::uint8_t> request) {
    const auto it = entries_.find(std::vector<std::uint8_t>(request.begin(), request.end()));
    if (it == entries_.end()) {
        return nullptr;
    }
    Entry& entry = it->second;
    const std::size_t index = std::min(entry.next, entry.answers.size() - 1);
    if (entry.next < entry.answers.size()) {
        ++entry.next;
    }
    return &entry.answers[index];
}

std::size_t ReplayScript::AnswerCount() const {
    std::size_t count = 0;
    for (const auto& [request, entry] : entries_) {
        count += entry.answers.size();
    }
    return count;
}

ReplayDevice::ReplayDevice(ReplayScript script)
    : script_(std::move(script)), framer_(LineDevice::kSilenceUs) {}

void ReplayDevice::Reset() {
    framer_ = RequestFramer(LineDevice::kSilenceUs);
    pending_.clear();
}

void ReplayDevice::Hear(std::span<const std::uint8_t> bytes, std::int64_t nowUs) {
    framer_.Push(bytes, nowUs);
    TakeFrames(nowUs);
}

void ReplayDevice::TakeFrames(std::int64_t nowUs) {
    while (const auto frame = framer_.Next(nowUs)) {
        if (log_) {
            log_("rx", *frame, nowUs, rtu::VerdictWord(rtu::JudgeFrame(*frame)));
        }
        const ReplayAnswer* answer = script_.Answer(*frame);
        if (answer == nullptr) {
            continue;  // never seen: the recorded device would not have known it either
        }
        for (const ReplayChunk& chunk : *answer) {
            const std::int64_t due = nowUs + chunk.afterUs;
            const auto after = std::find_if(pending_.begin(), pending_.end(),
                                            [&](const Pending& p) { return p.dueUs > due; });
            pending_.insert(after, {due, &chunk.bytes});
        }
    }
}

void ReplayDevice::WriteDue(std::int64_t nowUs, const Writer& write) {
    while (!pending_.empty() && pending_.front().dueUs <= nowUs) {
        const std::vector<std::uint8_t>& bytes = *pending_.front().bytes;
        pending_.erase(pending_.begin());
        const std::size_t written = write(bytes);
        if (log_) {
            log_("tx", std::span(bytes).first(written), nowUs, {});
        }
    }
}

std::int64_t ReplayDevice::NextWakeUs() const {
    std::int64_t wake = framer_.Deadline().value_or(-1);
    if (!pending_.empty() && (wake < 0 || pending_.front().dueUs < wake)) {
        wake = pending_.front().dueUs;
    }
    return wake;
}

}  // namespace sim
