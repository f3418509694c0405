#include "qt/QtPortRules.h"

#include "posix/DeviceFile.h"

namespace qt {
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

QSerialPort::Parity ParityOf(rtu::Parity parity) {
    switch (parity) {
        case rtu::Parity::Odd:
            return QSerialPort::OddParity;
        case rtu::Parity::Even:
            return QSerialPort::EvenParity;
        case rtu::Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

}  // namespace

void Configure(QSerialPort& port, const rtu::LineSettings& settings) {
    port.setBaudRate(settings.baudRate);
    port.setDataBits(DataBitsOf(settings.dataBits));
    port.setParity(ParityOf(settings.parity));
    port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

// Qt reports "no rights on the device", "the device is locked or held for exclusive use by
// another program" and "the lock file could not be made" (a name too long for one) all as
// PermissionError.
rtu::SerialError OpenFailure(QSerialPort::SerialPortError error, const std::string& devicePath) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return rtu::SerialError::NotFound;
        case QSerialPort::PermissionError:
            switch (posix::AccessTo(devicePath)) {
                case posix::PathAccess::ReadWrite:
                    return rtu::SerialError::Busy;
                case posix::PathAccess::Refused:
                    return rtu::SerialError::PermissionDenied;
                case posix::PathAccess::Missing:
                    return rtu::SerialError::NotFound;
            }
            return rtu::SerialError::OpenFailed;
        case QSerialPort::OpenError:
            return rtu::SerialError::Busy;  // open in this control already
        default:
            return rtu::SerialError::OpenFailed;
    }
}

// While open: a pulled USB adapter fails with EIO, which Qt reports as ResourceError; a port
// that hangs up (the other end of a pseudo-terminal closed) ends its reads, which Qt reports as
// ReadError. Both mean the device has gone.
rtu::SerialError RunTimeFailure(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::WriteError:
            return rtu::SerialError::WriteFailed;
        case QSerialPort::ReadError:
        case QSerialPort::ResourceError:
            return rtu::SerialError::DeviceGone;
        default:
            return rtu::SerialError::Unknown;
    }
}

}  // namespace qt
