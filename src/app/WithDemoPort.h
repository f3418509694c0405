#pragma once

#include <string>
#include <string_view>

#include "link/SerialControl.h"

namespace app {

// The short name of the built-in simulated transmitter in the port chooser.
inline constexpr std::string_view kDemoPort = "SIM1";

// The system's ports with the built-in simulated transmitter beside them, as SIM1: selecting
// SIM1 (in any letter case) turns every port operation to the demo's control until another port
// is selected. The system's listing is the system's own; SIM1 is offered apart from it.
class WithDemoPort : public rtu::SerialControl {
public:
    WithDemoPort(rtu::SerialControl& system, rtu::SerialControl& demo)
        : system_(system), demo_(demo) {}

    static bool IsDemoPort(std::string_view name);

    void SetListener(rtu::SerialListener* listener) override;
    std::vector<std::string> SystemPortNames() const override { return system_.SystemPortNames(); }
    rtu::PortDetails DetailsOf(std::string_view name) const override;
    void SelectPort(std::string_view name) override;
    void SetLineSettings(const rtu::LineSettings& settings) override;
    rtu::SerialError Open() override { return active_->Open(); }
    rtu::SerialError OpenAndClose() override { return active_->OpenAndClose(); }
    bool IsOpen() const override { return active_->IsOpen(); }
    void Close() override { active_->Close(); }
    std::size_t Read(std::span<std::uint8_t> into) override { return active_->Read(into); }
    void DiscardInput() override { active_->DiscardInput(); }
    void DiscardOutput() override { active_->DiscardOutput(); }
    bool Write(std::span<const std::uint8_t> bytes) override { return active_->Write(bytes); }

private:
    rtu::SerialControl& system_;
    rtu::SerialControl& demo_;
    rtu::SerialControl* active_ = &system_;
};

}  // namespace app
