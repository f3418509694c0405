#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "harness/VirtualClock.h"
#include "link/SerialControl.h"

namespace harness {

using Bytes = std::vector<std::uint8_t>;

struct WrittenFrame {
    Micros at;
    std::string port;
    Bytes bytes;
};

// A serial port in virtual time. Tests say which ports exist and which are held by another
// program, deliver bytes at chosen times (each delivery is one receive notification), and read
// back every frame written, with its time. A peer (for example the simulated transmitter) can be
// attached to answer written frames.
class FakeSerialControl : public rtu::SerialControl {
public:
    explicit FakeSerialControl(VirtualClock& clock) : clock_(clock) {}

    // --- set-up ---
    void AddPort(const std::string& name, bool reportedBySystem = true);
    void SetBusy(const std::string& name, bool busy);
    // The port's device file belongs to `group`, and this user is not in it: opens are refused.
    void SetForbidden(const std::string& name, const std::string& group);
    void FailWrites(bool fail) { failWrites_ = fail; }
    void OnWrite(std::function<void(std::span<const std::uint8_t>)> peer) {
        peer_ = std::move(peer);
    }

    // --- the line ---
    // Bytes arrive now: stored and notified only while the port is open (a closed port hears
    // nothing).
    void Deliver(std::span<const std::uint8_t> bytes);
    void DeliverAt(Micros at, Bytes bytes);
    // A run-time error of the open port, as the control reports it.
    void RaiseError(rtu::SerialError error);

    // --- what happened ---
    const std::vector<WrittenFrame>& Written() const { return written_; }
    // Calls in order: "DiscardInput", "DiscardOutput", "Write", "Open COM3", "Close COM3", ...
    const std::vector<std::string>& Calls() const { return calls_; }
    void ClearRecords() {
        written_.clear();
        calls_.clear();
    }
    std::optional<rtu::LineSettings> SettingsAtOpen() const { return settingsAtOpen_; }
    const std::string& OpenPort() const { return openPort_; }
    int OpenCount(const std::string& name) const;
    int CloseCount(const std::string& name) const;
    std::size_t WaitingBytes() const { return input_.size(); }
    // Writes attempted while the port was closed; the logic must never make one.
    int WritesWhileClosed() const { return writesWhileClosed_; }

    // --- rtu::SerialControl ---
    void SetListener(rtu::SerialListener* listener) override { listener_ = listener; }
    std::vector<std::string> SystemPortNames() const override;
    rtu::PortDetails DetailsOf(std::string_view name) const override;
    void SelectPort(std::string_view name) override { selected_ = name; }
    void SetLineSettings(const rtu::LineSettings& settings) override { settings_ = settings; }
    rtu::SerialError Open() override;
    bool IsOpen() const override { return open_; }
    void Close() override;
    std::size_t Read(std::span<std::uint8_t> into) override;
    void DiscardInput() override;
    void DiscardOutput() override;
    bool Write(std::span<const std::uint8_t> bytes) override;

private:
    struct Port {
        bool reported = true;
        bool busy = false;
        std::string forbiddenGroup;  // not empty: this user may not open it
        int opens = 0;
        int closes = 0;
    };

    VirtualClock& clock_;
    rtu::SerialListener* listener_ = nullptr;
    std::map<std::string, Port> ports_;
    std::string selected_;
    std::string openPort_;
    bool open_ = false;
    std::optional<rtu::LineSettings> settings_;
    std::optional<rtu::LineSettings> settingsAtOpen_;
    std::deque<std::uint8_t> input_;
    bool failWrites_ = false;
    int writesWhileClosed_ = 0;
    std::function<void(std::span<const std::uint8_t>)> peer_;
    std::vector<WrittenFrame> written_;
    std::vector<std::string> calls_;
};

}  // namespace harness
