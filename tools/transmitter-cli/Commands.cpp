#include "Commands.h"

#include <chrono>
#include <string>
#include <string_view>

#include "ConfigFields.h"
#include "ConfigJson.h"
#include "device/RegisterCodec.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kWatchPeriod = std::chrono::milliseconds(200);
// A configuration reply carries register r at byte 3 + 2r; the save request at byte 7 + 2r.
constexpr std::size_t kReplyData = 3;
constexpr std::size_t kSaveData = 7;
// The save writes every register before the preset position.
constexpr std::size_t kSavedRegisters = device::RegisterNamed("PresetPosition").reg;

const rtu::FrameTable& Frames() {
    static const rtu::FrameTable frames = [] {
        rtu::FrameTable table;
        table.Build();
        return table;
    }();
    return frames;
}

std::string_view ExceptionName(std::uint8_t code) {
    switch (code) {
        case 1:
            return "illegal function";
        case 2:
            return "illegal data address";
        case 3:
            return "illegal data value";
        case 4:
            return "server device failure";
        case 5:
            return "acknowledge";
        case 6:
            return "server device busy";
        default:
            return "unknown exception";
    }
}

std::string_view PortErrorName(rtu::SerialError error) {
    switch (error) {
        case rtu::SerialError::WriteFailed:
            return "the request could not be written";
        case rtu::SerialError::DeviceGone:
            return "the device has gone (adapter pulled or line closed)";
        case rtu::SerialError::ReadFailed:
            return "reading failed";
        default:
            return "unknown failure";
    }
}

// Asks and says what went wrong, naming the request; true when answered.
bool Ask(Exchange& exchange, std::span<const std::uint8_t> request, std::string_view what,
         std::ostream& err) {
    const Outcome outcome = exchange.Ask(request);
    const LinkSettings& link = exchange.Settings();
    switch (outcome) {
        case Outcome::Answered:
            return true;
        case Outcome::Exception:
            err << "transmitter-cli: the device refused the " << what << " with exception "
                << int{exchange.ExceptionCode()} << " (" << ExceptionName(exchange.ExceptionCode())
                << ")\n";
            break;
        case Outcome::NoAnswer:
            err << "transmitter-cli: no answer to the " << what << " from address "
                << int{link.address} << " (" << link.retries + 1
                << (link.retries == 0 ? " attempt of " : " attempts of ") << link.timeoutMs
                << " ms)\n";
            break;
        case Outcome::PortFailed:
            err << "transmitter-cli: serial port failed during the " << what << ": "
                << PortErrorName(exchange.PortError()) << "\n";
            break;
        case Outcome::Interrupted:
            break;  // the operator's own doing: nothing to say
    }
    return false;
}

std::string RegisterHex(const rtu::RxBufferBytes& reply, const ConfigKey& key) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::size_t width = 2 * key.Width();
    std::string text = "0x";
    for (std::size_t i = 0; i < width; ++i) {
        const std::uint8_t b = reply[kReplyData + 2 * key.reg + i];
        text += kHex[b >> 4];
        text += kHex[b & 0xF];
    }
    return text;
}

// Names every field of a configuration reply that did not decode; true when there was one.
bool ReportUndecoded(const rtu::RxBufferBytes& reply, const ConfigValues& values,
                     const ConfigValues* replacements, std::ostream& err) {
    bool any = false;
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        const ConfigKey& key = kConfigKeys[i];
        if (values[i] || (replacements != nullptr && (!key.Saved() || (*replacements)[i]))) {
            continue;
        }
        any = true;
        err << "transmitter-cli: register " << int{key.reg} << " (" << key.name << ") holds "
            << RegisterHex(reply, key)
            << (key.kind == KeyKind::List ? ", which is no entry of its list"
                                          : ", which is past 2147483647");
        err << (replacements != nullptr ? "; give " + std::string(key.name) + "=VALUE\n" : "\n");
    }
    return any;
}

}  // namespace

int RunRead(Exchange& exchange, std::ostream& out, std::ostream& err) {
    const rtu::FrameTable& frames = Frames();
    if (!Ask(exchange, frames.ReadAllFrame, "configuration read", err)) {
        return kDeviceFailed;
    }
    DeviceReading reading;
    reading.config = DecodeConfiguration(exchange.Answer());
    bool failed = ReportUndecoded(exchange.Answer(), reading.config, nullptr, err);

    if (Ask(exchange, frames.ReadStatusFrame, "status read", err)) {
        const auto& rx = exchange.Answer();
        bool anySet = false;
        for (std::size_t i = kReplyData; i < kReplyData + 6; ++i) {
            anySet = anySet || rx[i] != 0;
        }
        reading.status = anySet ? "Pass" : "Fail";
    } else {
        failed = true;
    }

    if (Ask(exchange, frames.ReadPositionFrame, "position read", err)) {
        reading.position = device::Decode32(exchange.Answer(), kReplyData);
        if (!reading.position) {
            err << "transmitter-cli: the live position is past 2147483647\n";
            failed = true;
        }
    } else {
        failed = true;
    }

    if (Ask(exchange, frames.ReadVersionFrame, "version read", err)) {
        reading.version = device::Decode16(exchange.Answer(), kReplyData);
    } else {
        failed = true;
    }

    out << ReadingJson(reading);
    out.flush();
    return failed ? kDeviceFailed : kDone;
}

int RunSave(Exchange& exchange, const ConfigValues& changes, bool verify, std::ostream& err) {
    const rtu::FrameTable& frames = Frames();
    if (!Ask(exchange, frames.ReadAllFrame, "configuration read", err)) {
        return kDeviceFailed;
    }
    ConfigValues values = DecodeConfiguration(exchange.Answer());
    if (ReportUndecoded(exchange.Answer(), values, &changes, err)) {
        err << "transmitter-cli: nothing written\n";
        return kDeviceFailed;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (changes[i]) {
            values[i] = changes[i];
        }
    }

    rtu::SaveConfigFrameBytes frame = frames.SaveConfigFrame;
    if (const auto refused = FillSaveFrame(values, frame)) {
        err << "transmitter-cli: " << kConfigKeys[*refused].name
            << ": refused by the save request; nothing written\n";
        return kRefused;
    }
    if (!Ask(exchange, frame, "configuration write", err)) {
        return kDeviceFailed;
    }
    if (!verify) {
        err << "transmitter-cli: configuration written (registers 0-18), not verified\n";
        return kDone;
    }

    if (!Ask(exchange, frames.ReadAllFrame, "read-back of the configuration", err)) {
        return kDeviceFailed;
    }
    const auto& rx = exchange.Answer();
    bool differs = false;
    for (std::size_t reg = 0; reg < kSavedRegisters; ++reg) {
        const unsigned wrote = frame[kSaveData + 2 * reg] * 256u + frame[kSaveData + 2 * reg + 1];
        const unsigned read = rx[kReplyData + 2 * reg] * 256u + rx[kReplyData + 2 * reg + 1];
        if (wrote != read) {
            differs = true;
            err << "transmitter-cli: verify failed: register " << reg << " ("
                << KeyOfRegister(reg)->name << ") wrote " << wrote << ", read back " << read
                << "\n";
        }
    }
    if (differs) {
        return kDeviceFailed;
    }
    err << "transmitter-cli: configuration written (registers 0-18) and verified\n";
    return kDone;
}

int RunPreset(Exchange& exchange, std::int32_t position, std::ostream& err) {
    rtu::SetPositionFrameBytes frame = Frames().SetPositionFrame;
    if (!FillPresetFrame(position, frame)) {
        err << "transmitter-cli: PresetPosition: refused by the preset request\n";
        return kRefused;
    }
    if (!Ask(exchange, frame, "preset write", err)) {
        return kDeviceFailed;
    }
    err << "transmitter-cli: preset position " << position << " written (registers 19-20)\n";
    return kDone;
}

int RunWatch(Exchange& exchange, Wait& wait, std::optional<std::int64_t> count, std::ostream& out,
             std::ostream& err) {
    const rtu::FrameTable& frames = Frames();
    auto next = Clock::now();
    for (std::int64_t done = 0; !count || done < *count; ++done) {
        if (done > 0) {
            next += kWatchPeriod;
            const auto now = Clock::now();
            if (next < now) {
                next = now;  // a slow answer: go on at once, without catching up
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
            if (left > 0) {
                wait.For(static_cast<int>(left));
            }
        }
        if (wait.Interrupted()) {
            return kDone;
        }
        if (!Ask(exchange, frames.ReadPositionFrame, "position read", err)) {
            return wait.Interrupted() ? kDone : kDeviceFailed;
        }
        const auto position = device::Decode32(exchange.Answer(), kReplyData);
        if (!position) {
            err << "transmitter-cli: the live position is past 2147483647\n";
            return kDeviceFailed;
        }
        out << *position << '\n';
        out.flush();
    }
    return kDone;
}

}  // namespace cli
