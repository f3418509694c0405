#pragma once

#include <optional>

#include "cli/ConfigKeys.h"
#include "link/FrameTable.h"
#include "link/ReplyFramer.h"

namespace cli {

// The configuration in a reply to the window's configuration read (registers 0-20), decoded
// register by register with the window's own rules (device::DecodeValue). A field the window
// could not show (a list value past its list, a register pair of 0x80000000 or more) is left
// empty; the others are decoded all the same.
ConfigValues DecodeConfiguration(const rtu::RxBufferBytes& reply);

// Fills and seals the window's save frame (registers 0-18) from the values, so the bytes are the
// window's. Returns the first saved key with no value, in register order, or else the first value
// the frame refuses, in the window's order; the frame is then left as it was.
std::optional<std::size_t> FillSaveFrame(const ConfigValues& values,
                                         rtu::SaveConfigFrameBytes& frame);

// Fills and seals the window's preset frame (registers 19-20); false when the position is
// negative.
bool FillPresetFrame(std::int32_t position, rtu::SetPositionFrameBytes& frame);

}  // namespace cli
