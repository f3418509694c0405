#pragma once

#include <span>
#include <string>

#include "link/SerialControl.h"
#include "ui/WindowOperations.h"

namespace rtu {

// Fills the port chooser Combo1 with the candidates that can be opened and closed again, in the
// given order, and selects the first. A port that is open already, or that fails to open (missing,
// held by another program), is left out. Nothing is ever reported: an empty list is the answer.
void FillPortList(SerialControl& serial, ui::WindowOperations& window,
                  std::span<const std::string> candidates);

}  // namespace rtu
