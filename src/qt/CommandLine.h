#pragma once

#include <QStringList>
#include <string>

#include "app/CommandLine.h"

namespace app {

// Reads the arguments, program name first, as QCoreApplication::arguments() gives them. Needs
// only a QCoreApplication, so that it runs before the window system is brought up.
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace app
