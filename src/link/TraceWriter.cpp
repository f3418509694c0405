#include "link/TraceWriter.h"

#include <cerrno>
#include <cstring>

#include "seams/Utf8File.h"

namespace rtu {

TraceWriter::TraceWriter(std::FILE* out, Clock clock) : out_(out), clock_(std::move(clock)) {}

TraceWriter::~TraceWriter() {
    if (owned_ && out_ != nullptr) {
        std::fclose(out_);
    }
}

std::unique_ptr<TraceWriter> TraceWriter::Open(const std::string& path, std::string& error,
                                               Clock clock) {
    if (path == "-") {
        return std::make_unique<TraceWriter>(stderr, std::move(clock));
    }
    errno = 0;
    // Binary: a line ends in "\n" on every system, as in the simulated transmitter's trace, not in
    // the "\r\n" that Windows' text mode would write.
    std::FILE* file = seams::OpenUtf8Path(path, "ab");
    if (file == nullptr) {
        error = errno != 0 ? std::strerror(errno) : "cannot be opened";
        return nullptr;
    }
    auto writer = std::make_unique<TraceWriter>(file, std::move(clock));
    writer->owned_ = true;
    return writer;
}

void TraceWriter::Tx(std::span<const std::uint8_t> frame) {
    Write(TraceLine(clock_()).Word("tx").Hex(frame));
}

void TraceWriter::Rx(std::span<const std::uint8_t> bytes, RxVerdict verdict) {
    Write(TraceLine(clock_()).Word("rx").Hex(bytes).Word(VerdictWord(verdict)));
}

void TraceWriter::Open(std::string_view port) {
    Write(TraceLine(clock_()).Word("open").Word(port));
}

void TraceWriter::Close() {
    Write(TraceLine(clock_()).Word("close"));
}

void TraceWriter::Error(std::string_view text) {
    Write(TraceLine(clock_()).Word("error").Word(text));
}

void TraceWriter::Write(const TraceLine& line) {
    if (out_ == nullptr) {
        return;
    }
    // One write per line: a trace on standard error is not torn by other messages.
    const std::string_view text = line.WithLineEnd();
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

}  // namespace rtu
