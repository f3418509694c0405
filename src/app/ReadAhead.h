#pragma once

#include <QList>
#include <QSerialPortInfo>
#include <future>

namespace app {

// What the window's load needs from the system, read on a thread of its own while the window
// system comes up: first the font configuration (fontconfig parses its files and maps its
// caches, 4-6 ms, before the window's first face can be resolved), then the system's serial
// ports (walking every tty takes about 10 ms). The result is the port listing for the first
// probe; none when no thread can be had, and the probe then lists the ports itself.
std::future<QList<QSerialPortInfo>> ReadAheadFontsAndPorts();

}  // namespace app
