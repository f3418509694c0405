#include "qt/QtSerialControl.h"

#include "posix/DeviceFile.h"
#include "qt/QtPortRules.h"

namespace qt {

QtSerialControl::QtSerialControl() {
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] {
        if (listener_ != nullptr) {
            listener_->OnBytesWaiting();
        }
    });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { OnPortError(error); });
}

QtSerialControl::~QtSerialControl() {
    listener_ = nullptr;
    port_.close();
}

rtu::SerialError QtSerialControl::OpenAndClose() {
    // A port listed at start-up was tried moments ago, on the thread that listed it.
    if (const auto tried = catalogue_.TakeFirstTry(selected_)) {
        return *tried;
    }
    return rtu::SerialControl::OpenAndClose();
}

void QtSerialControl::SelectPort(std::string_view name) {
    selected_ = std::string(name);
    port_.setPortName(QString::fromStdString(selected_));
}

std::string QtSerialControl::SelectedPath() const {
    return posix::DevicePath(selected_);
}

rtu::SerialError QtSerialControl::Open() {
    Configure(port_, settings_);

    // QSerialPort announces an open failure through errorOccurred as well; that is the answer
    // of this call, not a run-time failure.
    opening_ = true;
    const bool opened = port_.open(QIODevice::ReadWrite);
    opening_ = false;
    if (!opened) {
        const rtu::SerialError error = OpenFailure(port_.error(), SelectedPath());
        port_.clearError();
        return error;
    }
    errorReported_ = false;
    return rtu::SerialError::None;
}

void QtSerialControl::Close() {
    if (port_.isOpen()) {
        port_.close();
    }
}

std::size_t QtSerialControl::Read(std::span<std::uint8_t> into) {
    if (!port_.isOpen() || into.empty()) {
        return 0;
    }
    const qint64 count =
        port_.read(reinterpret_cast<char*>(into.data()), static_cast<qint64>(into.size()));
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void QtSerialControl::DiscardInput() {
    if (port_.isOpen()) {
        port_.clear(QSerialPort::Input);
    }
}

void QtSerialControl::DiscardOutput() {
    if (port_.isOpen()) {
        port_.clear(QSerialPort::Output);
    }
}

bool QtSerialControl::Write(std::span<const std::uint8_t> bytes) {
    if (!port_.isOpen()) {
        return false;
    }
    // Straight to the line. QSerialPort::write would also watch the port for room to write, and
    // that costs a wake-up of the event loop for every request. Whatever the kernel does not take
    // at once (a full output queue, a failing line) goes through QSerialPort below, which queues
    // it or reports the failure as usual.
    if (port_.bytesToWrite() == 0) {
        bytes = bytes.subspan(posix::WriteAtOnce(static_cast<int>(port_.handle()), bytes));
        if (bytes.empty()) {
            return true;
        }
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (port_.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
        return false;
    }
    // QSerialPort::write only buffers, and the event loop would write after pending repaints
    // (a configuration reply repaints 16 fields): flush puts the request on the line now.
    port_.flush();
    return true;
}

void QtSerialControl::OnPortError(QSerialPort::SerialPortError error) {
    if (opening_ || error == QSerialPort::NoError || error == QSerialPort::NotOpenError ||
        !port_.isOpen()) {
        return;
    }
    // A hung-up pseudo-terminal makes QSerialPort repeat ReadError in a busy loop, and a pulled
    // adapter repeats ResourceError: the listener hears the first one only, and is expected to
    // close the port in response.
    if (errorReported_) {
        return;
    }
    if (error == QSerialPort::ReadError && !posix::HasHungUp(static_cast<int>(port_.handle()))) {
        port_.clearError();  // an empty read on a live line: the read notification stays on
        return;
    }
    errorReported_ = true;
    if (listener_ != nullptr) {
        listener_->OnSerialError(RunTimeFailure(error));
    }
}

}  // namespace qt
