#pragma once

#include <QSerialPort>
#include <string>

#include "link/SerialControl.h"

namespace rtu {

// The line settings, as every open sets them: raw bytes, no flow control.
void Configure(QSerialPort& port, const LineSettings& settings);

// QSerialPort's error codes, mapped to the link's in this one place. An open failure is told
// apart by what this user may do with the port's device file.
SerialError OpenFailure(QSerialPort::SerialPortError error, const std::string& devicePath);
SerialError RunTimeFailure(QSerialPort::SerialPortError error);

}  // namespace rtu
