#include "qt/QtPortRules.h"

#include "posix/DeviceFile.h"

namespace rtu {
namespace {

QSerialPort::DataBits DataBitsOf(std::uint8_t bits) {
    switch (bits) {
        case 5:
            return QSerialPort::Data5;
        case 6:
            return QSerialPort::Data6;
        case 7:
            return QSerialPort::Data7;
        default:
            return QSerialPort::Data8;
    }
}

QSerialPort::Parity ParityOf(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

}  // namespace

void Configure(QSerialPort& port, const LineSettings& settings) {
    port.setBaudRate(settings.baudRate);
    port.setDataBits(DataBitsOf(settings.dataBits));
    port.setParity(ParityOf(settings.parity));
    port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

// Qt reports "no rights on the device", "the device is locked or held for exclusive use by
// another program" and "the lock file could not be made" (a name too long for one) all as
// PermissionError.
SerialError OpenFailure(QSerialPort::SerialPortError error, const std::string& devicePath) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return SerialError::NotFound;
        case QSerialPort::PermissionError:
            switch (posix::AccessTo(devicePath)) {
                case posix::PathAccess::ReadWrite:
                    return SerialError::Busy;
                case posix::PathAccess::Refused:
                    return SerialError::PermissionDenied;
                case posix::PathAccess::Missing:
                    return SerialError::NotFound;
            }
            return SerialError::OpenFailed;
        case QSerialPort::OpenError:
            return SerialError::Busy;  // open in this control already
        default:
            return SerialError::OpenFailed;
    }
}

// While open: a pulled USB adapter fails with EIO, which Qt reports as ResourceError; a port
// that hangs up (the other end of a pseudo-terminal closed) ends its reads, which Qt reports as
// ReadError. Both mean the device has gone.
SerialError RunTimeFailure(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::WriteError:
            return SerialError::WriteFailed;
        case QSerialPort::ReadError:
        case QSerialPort::ResourceError:
            return SerialError::DeviceGone;
        default:
            return SerialError::Unknown;
    }
}

}  // namespace rtu
