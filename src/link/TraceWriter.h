#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "link/TraceLine.h"
#include "link/TrafficTrace.h"

namespace rtu {

// Writes the traffic trace to a stdio stream, one TraceLine per event, flushed as written, so
// that a trace followed with `tail -f`, or left behind by a program that died, is complete:
//
//   <time> tx <frame>                      every frame queued
//   <time> rx <bytes> ok|short|checksum    every gathered reply, stamped when it is judged
//   <time> rx <bytes> echo                 the adapter's echo, removed from the reply's front
//   <time> open <port>
//   <time> close
//   <time> error <words>
//
// Each line is built on the stack and written with one fwrite: nothing is allocated per event
// beyond the stream's own buffer. A stream that fails mid-run is not reported (the trace is a
// help for the engineer and must not disturb the operator); the program goes on without it.
class TraceWriter : public TrafficTrace {
public:
    // Microseconds on a monotonic clock.
    using Clock = std::function<std::int64_t()>;

    // Writes to `out`, which the caller keeps open for as long as the writer lives.
    explicit TraceWriter(std::FILE* out, Clock clock = MonotonicMicros);
    ~TraceWriter() override;
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // Opens the trace at `path` (UTF-8) for appending, or standard error for "-". Returns nothing
    // and sets `error` (the system's reason) when the file cannot be opened for writing.
    static std::unique_ptr<TraceWriter> Open(const std::string& path, std::string& error,
                                             Clock clock = MonotonicMicros);

    void Tx(std::span<const std::uint8_t> frame) override;
    void Rx(std::span<const std::uint8_t> bytes, RxVerdict verdict) override;
    void Open(std::string_view port) override;
    void Close() override;
    void Error(std::string_view text) override;

private:
    void Write(const TraceLine& line);

    std::FILE* out_;
    bool owned_ = false;
    Clock clock_;
};

}  // namespace rtu
