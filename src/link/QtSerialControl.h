#pragma once

#include <QSerialPort>

#include "link/SerialControl.h"

namespace rtu {

// The serial control over QSerialPort: raw bytes both ways, no flow control, the modem lines
// left alone (pseudo-terminals do not have them). A receive notification is raised for every
// burst of bytes that reaches the port; a run-time failure of the open port (write failure,
// adapter pulled, other end of a pseudo-terminal closed) is reported once per open, however
// often QSerialPort repeats it.
class QtSerialControl : public SerialControl {
public:
    QtSerialControl();
    ~QtSerialControl() override;
    QtSerialControl(const QtSerialControl&) = delete;
    QtSerialControl& operator=(const QtSerialControl&) = delete;

    void SetListener(SerialListener* listener) override { listener_ = listener; }
    std::vector<std::string> SystemPortNames() const override;
    void SelectPort(std::string_view name) override;
    void SetLineSettings(const LineSettings& settings) override { settings_ = settings; }
    SerialError Open() override;
    bool IsOpen() const override { return port_.isOpen(); }
    void Close() override;
    std::size_t Read(std::span<std::uint8_t> into) override;
    void DiscardInput() override;
    void DiscardOutput() override;
    bool Write(std::span<const std::uint8_t> bytes) override;

    // The device file the selected port stands for: a path as given, a system name under /dev.
    std::string SelectedPath() const;

private:
    void OnPortError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    std::string selected_;
    SerialListener* listener_ = nullptr;
    LineSettings settings_ = kLineSettings;
    bool opening_ = false;
    bool errorReported_ = false;
};

}  // namespace rtu
