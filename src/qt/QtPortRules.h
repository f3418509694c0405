#pragma once

#include <QSerialPort>
#include <string>

#include "link/SerialControl.h"

namespace qt {

// The line settings, as every open sets them: raw bytes, no flow control.
void Configure(QSerialPort& port, const rtu::LineSettings& settings);

// QSerialPort's error codes, mapped to the link's in this one place. An open failure is told
// apart by what this user may do with the port's device file.
rtu::SerialError OpenFailure(QSerialPort::SerialPortError error, const std::string& devicePath);
rtu::SerialError RunTimeFailure(QSerialPort::SerialPortError error);

}  // namespace qt
