#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "product/Timings.h"
#include "sim/LinePeer.h"
#include "sim/RequestFramer.h"

namespace sim {

// Bytes that reached the master in one gathering, and when their last byte came, counted from
// the moment the request went out.
struct ReplayChunk {
    std::int64_t afterUs = 0;
    std::vector<std::uint8_t> bytes;
};
// Everything that came back to one request, in order; empty for silence.
using ReplayAnswer = std::vector<ReplayChunk>;

// What a traffic trace of the window or of transmitter-cli recorded (TraceWriter's format): for
// each request sent, what came back before the next one, echo, garbled and stray bytes included.
//
// An rx line is stamped when the master judged the gathering, 50 ms after its last byte; the
// chunk is due that much earlier. The lines of one gathering (an echo and the reply behind it)
// are stamped together and make one chunk; two gatherings are at least 50 ms apart. An open or
// close line ends the answer of the request before it.
class ReplayScript {
public:
    // Returns nothing, and sets `error` to "line N: WHAT", when the text is not such a trace.
    static std::optional<ReplayScript> Parse(std::string_view text, std::string& error);

    // The answer to this request, received once more: the recorded answers in turn, then the last
    // one again and again; nothing for a request the trace never saw.
    const ReplayAnswer* Answer(std::span<const std::uint8_t> request);

    // How many different requests the trace holds, and how many answers to them in all.
    std::size_t RequestCount() const { return entries_.size(); }
    std::size_t AnswerCount() const;

    // The silence after a reply's last byte before the master judges it.
    static constexpr std::int64_t kJudgedAfterUs = product::kReplySilenceMs * 1000;

private:
    struct Entry {
        std::vector<ReplayAnswer> answers;
        std::size_t next = 0;
    };
    std::map<std::vector<std::uint8_t>, Entry> entries_;
};

// A recorded device on a line: requests are cut as the simulated transmitter cuts them, and
// each is answered from the script, every chunk written whole when its recorded time after the
// request has come. Chunks still due when the next request comes are kept: the line had them.
class ReplayDevice : public LinePeer {
public:
    explicit ReplayDevice(ReplayScript script);

    void SetLog(LogSink log) override { log_ = std::move(log); }
    void Reset() override;
    void Hear(std::span<const std::uint8_t> bytes, std::int64_t nowUs) override;
    void TakeFrames(std::int64_t nowUs) override;
    void WriteDue(std::int64_t nowUs, const Writer& write) override;
    std::int64_t NextWakeUs() const override;

private:
    struct Pending {
        std::int64_t dueUs;
        const std::vector<std::uint8_t>* bytes;  // the script's own
    };

    ReplayScript script_;
    RequestFramer framer_;
    std::vector<Pending> pending_;  // in the order they are due
    LogSink log_;
};

}  // namespace sim
