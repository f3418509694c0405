#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "harness/Rig.h"
#include "link/FrameTable.h"

namespace harness {

// What must hold after every event of a connection, whatever the line and the operator do:
// - RxLength stays within 0..81 and PollState takes only the values the state table uses
//   (0..5, 7, 8, 9);
// - every frame written is one of the four read frames byte for byte, or a write frame equal to
//   the one worked out from the fields at the last accepted click of its button;
// - nothing is written while the port is closed, and Timer2 and Timer3 do not run then;
// - the load timeout fires at most once per open.
// Clicks go through Click, which also checks that a save or preset arms exactly the frame the
// fields give, or is refused naming the first field that does not fit, leaving the frame alone.
class WindowInvariants {
public:
    explicit WindowInvariants(Rig& rig);

    // The operator clicks a button (delivered only when visible and enabled). True when the click
    // armed a save or preset.
    bool Click(ui::Widget button);
    // The first broken invariant since the last call, empty when all hold. Consumes the serial
    // control's records of written frames.
    std::string Check();

    // The write frames the last accepted save and preset armed.
    const std::optional<rtu::SaveConfigFrameBytes>& ArmedSave() const { return armedSave_; }
    const std::optional<rtu::SetPositionFrameBytes>& ArmedPreset() const { return armedPreset_; }
    std::uint64_t FramesChecked() const { return framesChecked_; }

private:
    void Fail(std::string what);
    std::string CheckFrame(const Bytes& frame) const;

    Rig& rig_;
    std::optional<rtu::SaveConfigFrameBytes> armedSave_;
    std::optional<rtu::SetPositionFrameBytes> armedPreset_;
    int timeoutsThisOpen_ = 0;
    std::uint64_t framesChecked_ = 0;
    std::string broken_;
};

}  // namespace harness
