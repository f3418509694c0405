#include "sim/Transmitter.h"

#include <algorithm>
#include <stdexcept>

#include "link/Crc16.h"
#include "link/FrameTable.h"
#include "link/ModbusException.h"
#include "sim/RequestFramer.h"

namespace sim {

namespace {

using rtu::kExceptionFlag;
using rtu::kReadHoldingRegisters;
using rtu::kWriteMultipleRegisters;
// Modbus limits on the number of registers one request may carry: a read reply holds at most
// 250 data bytes, a write request at most 246.
constexpr std::size_t kMaxReadCount = 125;
constexpr std::size_t kMaxWriteCount = 123;
// Address, function, checksum: nothing shorter is a frame.
constexpr std::size_t kShortestFrame = 4;
constexpr std::int64_t kMicrosPerSecond = 1'000'000;

std::uint16_t BigEndian16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void PutBigEndian16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

// A read or write of another length than its header announces is not a request this device can
// parse, and gets no answer, as a wrong checksum gets none. Other functions are refused later.
bool IsWellFormed(std::span<const std::uint8_t> frame) {
    if (frame[1] != kReadHoldingRegisters && frame[1] != kWriteMultipleRegisters) {
        return true;
    }
    const auto length = RequestLength(frame);
    return length && *length == frame.size();
}

RequestKind KindOf(std::span<const std::uint8_t> frame) {
    if (frame[1] == kWriteMultipleRegisters) {
        return RequestKind::Write;
    }
    if (frame[1] != kReadHoldingRegisters) {
        return RequestKind::Other;
    }
    const std::size_t start = BigEndian16(frame, 2);
    if (start < reg::kCurrentPosition) {
        return RequestKind::ConfigurationRead;
    }
    if (start < reg::kStatusWords) {
        return RequestKind::PositionRead;
    }
    if (start < reg::kStatusWords + device::kStatusRegisterCount) {
        return RequestKind::StatusRead;
    }
    if (start == reg::kFirmwareVersion) {
        return RequestKind::VersionRead;
    }
    return RequestKind::Other;
}

template <std::size_t N>
std::size_t Refuse(std::array<std::uint8_t, N>& answer, std::uint8_t address, std::uint8_t function,
                   std::uint8_t code) {
    answer[0] = address;
    answer[1] = static_cast<std::uint8_t>(function | kExceptionFlag);
    answer[2] = code;
    rtu::SealFrame(std::span(answer).first(5));
    return 5;
}

}  // namespace

Transmitter::Transmitter() {
    registers_[reg::kCommAddress] = 1;
    registers_[reg::kBaudRate] = 5;  // 115200
    registers_[reg::kTurnCountMode] = 1;
    registers_[reg::kResolutionPerTurn] = 3600;
    registers_[reg::kCurrentUpperLimit] = 3276;
    registers_[reg::kCycleValue + 1] = 4096;
    registers_[reg::kReciprocationValue + 1] = 4096;
    registers_[reg::kUpperLimitPosition + 1] = 4096;
    registers_[reg::kStatusWords] = 0x0001;
    registers_[reg::kFirmwareVersion] = 258;
}

void Transmitter::AdvanceTo(std::int64_t nowUs) {
    nowUs_ = std::max(nowUs_, nowUs);
}

void Transmitter::Handle(std::span<const std::uint8_t> request, std::int64_t nowUs, Reply& reply) {
    reply.Clear();
    AdvanceTo(nowUs);
    if (faults_.echo) {
        // Its last byte arrives back as the request's last byte leaves.
        reply.Append(-WireTimeUs(request.size()),
                     request.first(std::min(request.size(), RequestFramer::kCapacity)));
    }
    if (request.size() < kShortestFrame || !rtu::HasRightChecksum(request)) {
        return;
    }
    const std::uint8_t address = request[0];
    if (address != 0 && address != registers_[reg::kCommAddress]) {
        return;
    }
    if (!IsWellFormed(request)) {
        return;
    }
    const RequestKind kind = KindOf(request);
    if (Covers(faults_.silentFor, kind)) {
        AppendNoise(faults_.responseDelayUs + faults_.noiseGapUs, reply);
        return;
    }
    Answer answer{};
    const std::size_t length = Covers(faults_.exceptionFor, kind)
                                   ? Refuse(answer, address, request[1], faults_.exceptionCode)
                                   : Execute(request, answer);
    Send(std::span(answer).first(length), reply);
}

std::size_t Transmitter::Execute(std::span<const std::uint8_t> request, Answer& answer) {
    switch (request[1]) {
        case kReadHoldingRegisters:
            return ReadRegisters(request, answer);
        case kWriteMultipleRegisters:
            return WriteRegisters(request, answer);
        default:
            return Refuse(answer, request[0], request[1], rtu::kIllegalFunction);
    }
}

std::size_t Transmitter::ReadRegisters(std::span<const std::uint8_t> request,
                                       Answer& answer) const {
    const std::size_t start = BigEndian16(request, 2);
    const std::size_t count = BigEndian16(request, 4);
    if (count == 0 || count > kMaxReadCount) {
        return Refuse(answer, request[0], request[1], rtu::kIllegalDataValue);
    }
    if (start + count > kRegisterCount) {
        return Refuse(answer, request[0], request[1], rtu::kIllegalDataAddress);
    }
    answer[0] = request[0];
    answer[1] = kReadHoldingRegisters;
    answer[2] = static_cast<std::uint8_t>(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        PutBigEndian16(answer, 3 + 2 * i, Register(start + i));
    }
    const std::size_t length = 5 + 2 * count;
    rtu::SealFrame(std::span(answer).first(length));
    return length;
}

std::size_t Transmitter::WriteRegisters(std::span<const std::uint8_t> request, Answer& answer) {
    const std::size_t start = BigEndian16(request, 2);
    const std::size_t count = BigEndian16(request, 4);
    const std::size_t byteCount = request[6];
    if (count == 0 || count > kMaxWriteCount || byteCount != 2 * count) {
        return Refuse(answer, request[0], request[1], rtu::kIllegalDataValue);
    }
    if (start + count > reg::kFirstReadOnly) {
        return Refuse(answer, request[0], request[1], rtu::kIllegalDataAddress);
    }
    // Motion so far follows the old direction, turn mode and resolution.
    Rebase();
    for (std::size_t i = 0; i < count; ++i) {
        registers_[start + i] = BigEndian16(request, 7 + 2 * i);
    }
    // Writing the preset position sets the live position to it.
    if (start + count > reg::kPresetPosition) {
        SetPosition(static_cast<std::uint32_t>(registers_[reg::kPresetPosition]) << 16 |
                    registers_[reg::kPresetPosition + 1]);
    }
    std::copy_n(request.begin(), 6, answer.begin());
    rtu::SealFrame(std::span(answer).first(8));
    return 8;
}

void Transmitter::Send(std::span<std::uint8_t> answer, Reply& reply) {
    ++repliesSent_;
    if (faults_.corruptEvery != 0 && repliesSent_ % faults_.corruptEvery == 0) {
        answer[answer.size() - 2] ^= 0xFF;
    }
    std::array<std::uint8_t, 2 * kMaxAnswer> line{};
    std::size_t size = std::copy(answer.begin(), answer.end(), line.begin()) - line.begin();
    if (faults_.glue) {
        size = std::copy(answer.begin(), answer.end(), line.begin() + size) - line.begin();
    }
    const std::span<const std::uint8_t> bytes = std::span(line).first(size);

    std::int64_t start = faults_.responseDelayUs;
    if (faults_.split) {
        const std::size_t half = size / 2;
        reply.Append(start, bytes.first(half));
        start += WireTimeUs(half) + faults_.splitGapUs;
        reply.Append(start, bytes.subspan(half));
        start += WireTimeUs(size - half);
    } else {
        reply.Append(start, bytes);
        start += WireTimeUs(size);
    }
    AppendNoise(start + faults_.noiseGapUs, reply);
}

void Transmitter::AppendNoise(std::int64_t startUs, Reply& reply) {
    const std::size_t count = std::min(faults_.noiseBytes, kMaxNoiseBytes);
    if (count == 0) {
        return;
    }
    std::array<std::uint8_t, kMaxNoiseBytes> noise{};
    for (std::size_t i = 0; i < count; ++i) {
        // xorshift32: cheap, repeatable garbage.
        noiseState_ ^= noiseState_ << 13;
        noiseState_ ^= noiseState_ >> 17;
        noiseState_ ^= noiseState_ << 5;
        noise[i] = static_cast<std::uint8_t>(noiseState_ >> 24);
    }
    reply.Append(startUs, std::span(noise).first(count));
}

std::uint16_t Transmitter::Register(std::size_t index) const {
    if (index == reg::kCurrentPosition) {
        return static_cast<std::uint16_t>(Position() >> 16);
    }
    if (index == reg::kCurrentPosition + 1) {
        return static_cast<std::uint16_t>(Position() & 0xFFFF);
    }
    return registers_.at(index);
}

void Transmitter::SetRegister(std::size_t index, std::uint16_t value) {
    if (index >= kRegisterCount) {
        throw std::out_of_range("Transmitter: no such register");
    }
    if (index == reg::kCurrentPosition) {
        SetPosition(static_cast<std::uint32_t>(value) << 16 | (Position() & 0xFFFF));
    } else if (index == reg::kCurrentPosition + 1) {
        SetPosition((Position() & 0xFFFF0000u) | value);
    } else {
        Rebase();
        registers_[index] = value;
    }
}

std::uint32_t Transmitter::Position() const {
    // Whole counts turned since the origin, computed from the elapsed time alone so that no
    // rounding accumulates: whole seconds, then the remaining microseconds.
    std::uint64_t counts = 0;
    if (speed_ != 0 && nowUs_ > originUs_) {
        const auto elapsed = static_cast<std::uint64_t>(nowUs_ - originUs_);
        counts = elapsed / kMicrosPerSecond * speed_ +
                 elapsed % kMicrosPerSecond * speed_ / kMicrosPerSecond;
    }
    // List registers carry their index in the low byte.
    const bool countingDown = (registers_[reg::kRotationDirection] & 0xFF) == 1;
    const bool singleTurn = (registers_[reg::kTurnCountMode] & 0xFF) == 0;
    if (singleTurn) {
        // A single-turn device reports the angle within the turn, 0 .. resolution - 1. Without
        // a resolution there is no angle to report.
        const std::uint32_t resolution = registers_[reg::kResolutionPerTurn];
        if (resolution == 0) {
            return 0;
        }
        const std::uint32_t from = origin_ % resolution;
        const auto step = static_cast<std::uint32_t>(counts % resolution);
        return countingDown ? (from + resolution - step) % resolution : (from + step) % resolution;
    }
    // A multi-turn device counts on, wrapping as an unsigned 32-bit number.
    const auto step = static_cast<std::uint32_t>(counts);
    return countingDown ? origin_ - step : origin_ + step;
}

void Transmitter::SetPosition(std::uint32_t position) {
    origin_ = position;
    originUs_ = nowUs_;
}

void Transmitter::SetSpeed(std::uint32_t countsPerSecond) {
    Rebase();
    speed_ = countsPerSecond;
}

void Transmitter::SetFaults(const Faults& faults) {
    faults_ = faults;
    repliesSent_ = 0;
}

void Transmitter::Rebase() {
    origin_ = Position();
    originUs_ = nowUs_;
}

}  // namespace sim
