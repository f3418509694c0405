#include "link/TraceLine.h"

#include <chrono>

#include "link/Crc16.h"

namespace rtu {

TraceLine::TraceLine(std::int64_t monotonicUs) {
    const std::int64_t us = monotonicUs < 0 ? 0 : monotonicUs;
    // Whole seconds without padding, then exactly six digits: 200031 us is "0.200031".
    std::array<char, 20> digits{};
    std::size_t count = 0;
    std::int64_t seconds = us / 1'000'000;
    do {
        digits[count++] = static_cast<char>('0' + seconds % 10);
        seconds /= 10;
    } while (seconds != 0);
    while (count != 0) {
        Put(digits[--count]);
    }
    Put('.');
    std::int64_t fraction = us % 1'000'000;
    for (std::int64_t scale = 100'000; scale != 0; scale /= 10) {
        Put(static_cast<char>('0' + fraction / scale));
        fraction %= scale;
    }
}

TraceLine& TraceLine::Word(std::string_view word) {
    Put(' ');
    for (char c : word) {
        Put(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
    }
    return *this;
}

TraceLine& TraceLine::Hex(std::span<const std::uint8_t> bytes) {
    static constexpr std::string_view kDigits = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        Put(' ');
        Put(kDigits[b >> 4]);
        Put(kDigits[b & 0x0F]);
    }
    return *this;
}

void TraceLine::Put(char c) {
    if (size_ < kCapacity) {
        text_[size_++] = c;
        text_[size_] = '\n';
    }
}

RxVerdict JudgeFrame(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 5) {
        return RxVerdict::Short;
    }
    return HasRightChecksum(bytes) ? RxVerdict::Ok : RxVerdict::Checksum;
}

std::string_view VerdictWord(RxVerdict verdict) {
    switch (verdict) {
        case RxVerdict::Ok:
            return "ok";
        case RxVerdict::Short:
            return "short";
        case RxVerdict::Checksum:
            return "checksum";
        case RxVerdict::Echo:
            return "echo";
    }
    return "?";
}

std::string_view ErrorWords(SerialError error) {
    switch (error) {
        case SerialError::None:
            return "no error";
        case SerialError::NotFound:
            return "no such port";
        case SerialError::PermissionDenied:
            return "permission denied";
        case SerialError::Busy:
            return "port held by another program";
        case SerialError::OpenFailed:
            return "open failed";
        case SerialError::WriteFailed:
            return "write failed";
        case SerialError::DeviceGone:
            return "device gone";
        case SerialError::ReadFailed:
            return "read failed";
        case SerialError::BadAddress:
            return "not a network address";
        case SerialError::HostNotFound:
            return "host not found";
        case SerialError::ConnectionRefused:
            return "connection refused";
        case SerialError::NoAnswer:
            return "no answer from the server";
        case SerialError::ConnectionLost:
            return "connection lost";
        case SerialError::Unknown:
            break;
    }
    return "unknown error";
}

std::int64_t MonotonicMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace rtu
