#include "sim/LineDevice.h"

#include <algorithm>

#include "link/TraceLine.h"
#include "sim/LineTiming.h"

namespace sim {

void LineDevice::Reset() {
    framer_ = RequestFramer(kSilenceUs);
    pending_ = {};
}

void LineDevice::Hear(std::span<const std::uint8_t> bytes, std::int64_t nowUs) {
    framer_.Push(bytes, nowUs);
    TakeFrames(nowUs);
}

void LineDevice::TakeFrames(std::int64_t nowUs) {
    while (const auto frame = framer_.Next(nowUs)) {
        // The master wrote the request in one go; on the line its last byte would arrive its
        // wire time later.
        const std::int64_t requestEndUs = nowUs + WireTimeUs(frame->size());
        Log("rx", *frame, nowUs, rtu::VerdictWord(rtu::JudgeFrame(*frame)));
        device_.Handle(*frame, requestEndUs, reply_);
        Schedule(reply_, requestEndUs, nowUs);
    }
}

void LineDevice::Schedule(const Reply& reply, std::int64_t requestEndUs, std::int64_t nowUs) {
    for (std::size_t chunk = 0; chunk < reply.ChunkCount(); ++chunk) {
        const auto bytes = reply.Bytes(chunk);
        const auto slot = std::find_if(pending_.begin(), pending_.end(),
                                       [](const Pending& p) { return !p.used; });
        if (slot == pending_.end()) {
            Log("dropped", bytes, nowUs);
            continue;
        }
        slot->used = true;
        slot->dueUs = requestEndUs + reply.ArrivalUs(chunk);
        slot->size = bytes.size();
        std::copy(bytes.begin(), bytes.end(), slot->bytes.begin());
    }
}

void LineDevice::WriteDue(std::int64_t nowUs, const Writer& write) {
    for (;;) {
        Pending* next = nullptr;
        for (Pending& p : pending_) {
            if (p.used && p.dueUs <= nowUs && (next == nullptr || p.dueUs < next->dueUs)) {
                next = &p;
            }
        }
        if (next == nullptr) {
            return;
        }
        const std::size_t written = write(std::span(next->bytes).first(next->size));
        Log("tx", std::span(next->bytes).first(written), nowUs);
        next->used = false;
    }
}

std::int64_t LineDevice::NextWakeUs() const {
    std::int64_t wake = framer_.Deadline().value_or(-1);
    for (const Pending& p : pending_) {
        if (p.used && (wake < 0 || p.dueUs < wake)) {
            wake = p.dueUs;
        }
    }
    return wake;
}

void LineDevice::Log(std::string_view event, std::span<const std::uint8_t> bytes, std::int64_t atUs,
                     std::string_view verdict) const {
    if (log_) {
        log_(event, bytes, atUs, verdict);
    }
}

}  // namespace sim
