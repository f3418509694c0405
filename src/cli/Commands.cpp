#include "cli/Commands.h"

#include <chrono>
#include <string>
#include <string_view>
#include <utility>

#include "cli/ConfigFields.h"
#include "cli/ConfigJson.h"
#include "device/Identity.h"
#include "device/RegisterCodec.h"
#include "link/ModbusException.h"
#include "link/TraceLine.h"
#include "product/Texts.h"
#include "product/Timings.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

// watch prints the live position as often as the window polls it.
constexpr auto kWatchPeriod = std::chrono::milliseconds(product::kPollPeriodMs);
// A configuration reply carries register r at byte 3 + 2r; the save request at byte 7 + 2r.
constexpr std::size_t kReplyData = rtu::kReplyDataStart;
constexpr std::size_t kSaveData = rtu::kWriteDataStart;
// The save writes every register before the preset position.
constexpr std::size_t kSavedRegisters = device::RegisterNamed("PresetPosition").reg;
const std::size_t kPresetIndex = *ConfigKeyIndex("PresetPosition");

const rtu::FrameTable& Frames() {
    static const rtu::FrameTable frames = [] {
        rtu::FrameTable table;
        table.Build();
        return table;
    }();
    return frames;
}

std::string_view PortErrorName(rtu::SerialError error) {
    switch (error) {
        case rtu::SerialError::WriteFailed:
            return "the request could not be written";
        case rtu::SerialError::DeviceGone:
            return "the device has gone (adapter pulled or line closed)";
        case rtu::SerialError::ReadFailed:
            return "reading failed";
        case rtu::SerialError::ConnectionLost:
            return "the connection to the serial server was lost";
        default:
            return "unknown failure";
    }
}

// The first failure is the run's result.
void Fail(DeviceRun& run, std::string result) {
    if (run.record.result.empty()) {
        run.record.result = std::move(result);
    }
}

std::string_view GarbleWords(Garble garble) {
    switch (garble) {
        case Garble::Checksum:
            return "garbled reply (checksum)";
        case Garble::Short:
            return "short reply";
        case Garble::Unfitting:
            return "garbled reply (not an answer to the request)";
        case Garble::None:
            break;
    }
    return "garbled reply";
}

// Asks and says what went wrong, naming the request; true when answered.
bool Ask(DeviceRun& run, std::span<const std::uint8_t> request, std::string_view what) {
    Exchange& exchange = run.exchange;
    const Outcome outcome = exchange.Ask(request);
    const LinkSettings& link = exchange.Settings();
    const auto attempts = [&] {
        run.err << " from address " << int{link.address} << " (" << link.retries + 1
                << (link.retries == 0 ? " attempt of " : " attempts of ") << link.timeoutMs
                << " ms)\n";
    };
    switch (outcome) {
        case Outcome::Answered:
            return true;
        case Outcome::Exception:
            run.err << run.tag << "the device refused the " << what << " with exception "
                    << int{exchange.ExceptionCode()} << " ("
                    << rtu::ExceptionName(exchange.ExceptionCode()) << ")\n";
            Fail(run, "exception " + std::to_string(exchange.ExceptionCode()));
            break;
        case Outcome::NoAnswer:
            run.err << run.tag << "no answer to the " << what;
            attempts();
            Fail(run, "no answer");
            break;
        case Outcome::Garbled:
            run.err << run.tag << GarbleWords(exchange.GarbleSeen()) << " to the " << what;
            attempts();
            Fail(run, "garbled reply");
            break;
        case Outcome::PortFailed:
            run.err << run.tag << "serial port failed during the " << what << ": "
                    << PortErrorName(exchange.PortError()) << "\n";
            Fail(run, "port error: " + std::string(rtu::ErrorWords(exchange.PortError())));
            break;
        case Outcome::Interrupted:
            Fail(run, "interrupted");  // the operator's own doing: nothing to say
            break;
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

// A device value as the report and diff show it; one the window cannot show as its raw bits.
std::string DeviceValueText(const rtu::RxBufferBytes& reply, const ConfigValues& values,
                            std::size_t i) {
    return values[i] ? ValueText(kConfigKeys[i], *values[i])
                     : "unreadable (" + RegisterHex(reply, kConfigKeys[i]) + ")";
}

// Names every field of a configuration reply that did not decode; true when there was one.
bool ReportUndecoded(DeviceRun& run, const rtu::RxBufferBytes& reply, const ConfigValues& values,
                     const ConfigValues* replacements) {
    bool any = false;
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        const ConfigKey& key = kConfigKeys[i];
        if (values[i] || (replacements != nullptr && (!key.Saved() || (*replacements)[i]))) {
            continue;
        }
        any = true;
        run.err << run.tag << "register " << int{key.reg} << " (" << key.name << ") holds "
                << RegisterHex(reply, key)
                << (key.kind == KeyKind::List ? ", which is no entry of its list"
                                              : ", which is past 2147483647");
        run.err << (replacements != nullptr ? "; give " + std::string(key.name) + "=VALUE\n"
                                            : "\n");
    }
    if (any) {
        Fail(run, "unreadable value");
    }
    return any;
}

// The status and the firmware version, for the report; true when both came.
bool Identify(DeviceRun& run) {
    const rtu::FrameTable& frames = Frames();
    run.record.status = product::kStatusUnknown;
    if (!Ask(run, frames.ReadStatusFrame, "status read")) {
        return false;
    }
    run.record.status = device::StatusOf(run.exchange.Answer());
    if (!Ask(run, frames.ReadVersionFrame, "version read")) {
        return false;
    }
    run.record.firmware = device::VersionText::Of(run.exchange.Answer()).View();
    return true;
}

void AddChange(std::string& changes, std::string_view key, std::string_view from,
               std::string_view to) {
    if (!changes.empty()) {
        changes += ';';
    }
    changes.append(key).append(" ").append(from).append("->").append(to);
}

}  // namespace

int RunRead(DeviceRun& run) {
    const rtu::FrameTable& frames = Frames();
    Exchange& exchange = run.exchange;
    if (!Ask(run, frames.ReadAllFrame, "configuration read")) {
        if (run.port) {
            run.out << FailedReadingJson(*run.port, run.record.result);
            run.out.flush();
        }
        return kDeviceFailed;
    }
    DeviceReading reading;
    reading.config = DecodeConfiguration(exchange.Answer());
    bool failed = ReportUndecoded(run, exchange.Answer(), reading.config, nullptr);

    if (Ask(run, frames.ReadStatusFrame, "status read")) {
        reading.status = device::StatusOf(exchange.Answer());
    } else {
        failed = true;
    }

    if (Ask(run, frames.ReadPositionFrame, "position read")) {
        reading.position = device::Decode32(exchange.Answer(), kReplyData);
        if (!reading.position) {
            run.err << run.tag << "the live position is past 2147483647\n";
            Fail(run, "unreadable value");
            failed = true;
        }
    } else {
        failed = true;
    }

    if (Ask(run, frames.ReadVersionFrame, "version read")) {
        reading.version = device::Decode16(exchange.Answer(), kReplyData);
    } else {
        failed = true;
    }

    run.record.status = reading.status;
    if (reading.version) {
        run.record.firmware = device::VersionText(*reading.version).View();
    }
    run.out << ReadingJson(reading, run.port);
    run.out.flush();
    return failed ? kDeviceFailed : kDone;
}

int RunSave(DeviceRun& run, const ConfigValues& changes, bool verify) {
    const rtu::FrameTable& frames = Frames();
    Exchange& exchange = run.exchange;
    if (!Ask(run, frames.ReadAllFrame, "configuration read")) {
        return kDeviceFailed;
    }
    const rtu::RxBufferBytes before = exchange.Answer();
    ConfigValues values = DecodeConfiguration(before);
    if (ReportUndecoded(run, before, values, &changes)) {
        run.err << run.tag << "nothing written\n";
        return kDeviceFailed;
    }
    if (run.identify && !Identify(run)) {
        return kDeviceFailed;
    }
    const ConfigValues old = values;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (changes[i]) {
            values[i] = changes[i];
        }
    }

    rtu::SaveConfigFrameBytes frame = frames.SaveConfigFrame;
    if (const auto refused = FillSaveFrame(values, frame)) {
        run.err << run.tag << kConfigKeys[*refused].name
                << ": refused by the save request; nothing written\n";
        Fail(run, "refused value");
        return kRefused;
    }
    if (!Ask(run, frame, "configuration write")) {
        return kDeviceFailed;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (kConfigKeys[i].Saved() && values[i] != old[i]) {
            AddChange(run.record.changes, kConfigKeys[i].name, DeviceValueText(before, old, i),
                      ValueText(kConfigKeys[i], *values[i]));
        }
    }
    if (!verify) {
        run.err << run.tag << "configuration written (registers 0-18), not verified\n";
        return kDone;
    }

    if (!Ask(run, frames.ReadAllFrame, "read-back of the configuration")) {
        return kDeviceFailed;
    }
    const auto& rx = exchange.Answer();
    bool differs = false;
    for (std::size_t reg = 0; reg < kSavedRegisters; ++reg) {
        const unsigned wrote = frame[kSaveData + 2 * reg] * 256u + frame[kSaveData + 2 * reg + 1];
        const unsigned read = rx[kReplyData + 2 * reg] * 256u + rx[kReplyData + 2 * reg + 1];
        if (wrote != read) {
            differs = true;
            run.err << run.tag << "verify failed: register " << reg << " ("
                    << KeyOfRegister(reg)->name << ") wrote " << wrote << ", read back " << read
                    << "\n";
        }
    }
    if (differs) {
        Fail(run, "verify failed");
        return kDeviceFailed;
    }
    run.err << run.tag << "configuration written (registers 0-18) and verified\n";
    return kDone;
}

int RunPreset(DeviceRun& run, std::int32_t position) {
    rtu::SetPositionFrameBytes frame = Frames().SetPositionFrame;
    if (!FillPresetFrame(position, frame)) {
        run.err << run.tag << "PresetPosition: refused by the preset request\n";
        Fail(run, "refused value");
        return kRefused;
    }
    std::optional<std::string> old;
    if (run.identify) {
        if (!Ask(run, Frames().ReadAllFrame, "configuration read")) {
            return kDeviceFailed;
        }
        const rtu::RxBufferBytes before = run.exchange.Answer();
        old = DeviceValueText(before, DecodeConfiguration(before), kPresetIndex);
        if (!Identify(run)) {
            return kDeviceFailed;
        }
    }
    if (!Ask(run, frame, "preset write")) {
        return kDeviceFailed;
    }
    const std::string now = std::to_string(position);
    if (old && *old != now) {
        AddChange(run.record.changes, kConfigKeys[kPresetIndex].name, *old, now);
    }
    run.err << run.tag << "preset position " << position << " written (registers 19-20)\n";
    return kDone;
}

int RunDiff(DeviceRun& run, const ConfigValues& reference, const std::string& file) {
    if (!Ask(run, Frames().ReadAllFrame, "configuration read")) {
        return kDeviceFailed;
    }
    const rtu::RxBufferBytes reply = run.exchange.Answer();
    if (run.identify && !Identify(run)) {
        return kDeviceFailed;
    }
    const ConfigValues values = DecodeConfiguration(reply);
    std::size_t compared = 0;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < kConfigKeys.size(); ++i) {
        const ConfigKey& key = kConfigKeys[i];
        if (!key.Saved() || !reference[i]) {
            continue;
        }
        ++compared;
        if (values[i] == reference[i]) {
            continue;
        }
        ++differing;
        const std::string line = std::string(key.name) + ": device " +
                                 DeviceValueText(reply, values, i) + ", file " +
                                 ValueText(key, *reference[i]);
        if (!run.port) {
            run.out << line << '\n';
        }
        run.record.differences += (run.record.differences.empty() ? "" : "; ") + line;
    }
    run.out.flush();
    const auto keys = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " key" : " keys"); };
    if (differing > 0) {
        run.err << run.tag << "the device differs from " << file << " in " << keys(differing)
                << " of " << compared << "\n";
        Fail(run, "differs");
        return kDeviceFailed;
    }
    run.err << run.tag << "the device agrees with " << file << " (" << keys(compared)
            << " compared)\n";
    return kDone;
}

int RunWatch(Exchange& exchange, Wait& wait, std::optional<std::int64_t> count, std::ostream& out,
             std::ostream& err) {
    const rtu::FrameTable& frames = Frames();
    DeviceRun run{exchange, out, err};
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
        if (!Ask(run, frames.ReadPositionFrame, "position read")) {
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
