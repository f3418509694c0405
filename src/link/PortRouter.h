#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "link/SerialControl.h"

namespace rtu {

// The system's serial ports with other kinds of port beside them: a name that one of the added
// kinds claims (the built-in simulated transmitter's SIM1, a port on a serial server) turns every
// port operation to that kind's control until another port is selected. The port list is the
// system's own; the other kinds are offered or typed apart from it.
class PortRouter : public SerialControl {
public:
    using Claim = bool (*)(std::string_view name);
    static constexpr std::size_t kCapacity = 4;

    explicit PortRouter(SerialControl& system) : system_(system) {}

    // From now on the names `claims` accepts go to `control`. False when the table is full.
    bool Add(Claim claims, SerialControl& control);

    void SetListener(SerialListener* listener) override;
    std::vector<std::string> SystemPortNames() const override { return system_.SystemPortNames(); }
    PortDetails DetailsOf(std::string_view name) const override {
        return For(name).DetailsOf(name);
    }
    void SelectPort(std::string_view name) override;
    void SetLineSettings(const LineSettings& settings) override;
    SerialError Open() override { return active_->Open(); }
    SerialError OpenAndClose() override { return active_->OpenAndClose(); }
    bool IsOpen() const override { return active_->IsOpen(); }
    void Close() override { active_->Close(); }
    std::size_t Read(std::span<std::uint8_t> into) override { return active_->Read(into); }
    void DiscardInput() override { active_->DiscardInput(); }
    void DiscardOutput() override { active_->DiscardOutput(); }
    bool Write(std::span<const std::uint8_t> bytes) override { return active_->Write(bytes); }

private:
    SerialControl& For(std::string_view name) const;

    struct Kind {
        Claim claims = nullptr;
        SerialControl* control = nullptr;
    };
    SerialControl& system_;
    std::array<Kind, kCapacity> kinds_{};
    std::size_t count_ = 0;
    SerialControl* active_ = &system_;
    SerialListener* listener_ = nullptr;
};

}  // namespace rtu
