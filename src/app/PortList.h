#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/SerialControl.h"
#include "ui/WindowOperations.h"

namespace app {

// Fills the port chooser Combo1 with the candidates that can be opened and closed again, in the
// given order, and selects the first. A port that is open already, or that fails to open (missing,
// held by another program, not permitted), is left out; the list shows nothing about it. Returns
// the candidates that were left out because this user may not open them, so that the program can
// say why the list is short. A port `offeredFirst` (the one asked for on the command line, the
// built-in simulated transmitter) heads the list whether it was probed or not.
std::vector<std::string> FillPortList(rtu::SerialControl& serial, ui::WindowOperations& window,
                                      std::span<const std::string> candidates,
                                      std::string_view offeredFirst = {});

// The same probe again, for ports plugged in since start-up, run while the port is closed. The
// text of the port chooser stays what the operator typed or picked: a picked entry that is still
// listed stays selected; otherwise the text stays, without a selection.
std::vector<std::string> RefreshPortList(rtu::SerialControl& serial, ui::WindowOperations& window,
                                         std::span<const std::string> candidates,
                                         std::string_view offeredFirst = {});

}  // namespace app
