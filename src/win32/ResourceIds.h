#pragma once

// Resource numbers shared by the programs' resource scripts and the code that loads them; plain
// macros, since the resource compiler reads no C++.
#define TRANSMITTER_ICON 1
