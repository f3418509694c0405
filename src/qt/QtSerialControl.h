#pragma once

#include <QSerialPort>
#include <future>
#include <string>
#include <vector>

#include "link/SerialControl.h"
#include "qt/QtPortCatalogue.h"

namespace qt {

// One port's I/O over QSerialPort: raw bytes both ways, no flow control, the modem lines left
// alone (pseudo-terminals do not have them). What the system has and tells about its ports comes
// from the port catalogue. A receive notification is raised for every
// burst of bytes that reaches the port; a run-time failure of the open port (write failure,
// adapter pulled, other end of a pseudo-terminal closed) is reported once per open, however
// often QSerialPort repeats it.
class QtSerialControl : public rtu::SerialControl {
public:
    QtSerialControl();
    ~QtSerialControl() override;
    QtSerialControl(const QtSerialControl&) = delete;
    QtSerialControl& operator=(const QtSerialControl&) = delete;

    void SetListener(rtu::SerialListener* listener) override { listener_ = listener; }
    std::vector<std::string> SystemPortNames() const override {
        return catalogue_.SystemPortNames();
    }
    rtu::PortDetails DetailsOf(std::string_view name) const override {
        return catalogue_.DetailsOf(name);
    }
    void SelectPort(std::string_view name) override;
    void SetLineSettings(const rtu::LineSettings& settings) override { settings_ = settings; }
    rtu::SerialError Open() override;
    bool IsOpen() const override { return port_.isOpen(); }
    // The open port's descriptor, for waiting on its received bytes; -1 while it is closed.
    int Descriptor() const { return port_.isOpen() ? static_cast<int>(port_.handle()) : -1; }
    void Close() override;
    std::size_t Read(std::span<std::uint8_t> into) override;
    void DiscardInput() override;
    void DiscardOutput() override;
    bool Write(std::span<const std::uint8_t> bytes) override;

    rtu::SerialError OpenAndClose() override;

    using Listing = QtPortCatalogue::Listing;
    // The listing read ahead at start-up, which the first probe takes (see QtPortCatalogue).
    void TakeFirstListing(std::future<Listing> listing) {
        catalogue_.TakeFirstListing(std::move(listing));
    }

    // The device file the selected port stands for: a path as given, a system name under /dev.
    std::string SelectedPath() const;

private:
    void OnPortError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    std::string selected_;  // a system name or a device path
    QtPortCatalogue catalogue_;
    rtu::SerialListener* listener_ = nullptr;
    rtu::LineSettings settings_ = rtu::kLineSettings;
    bool opening_ = false;
    bool errorReported_ = false;
};

}  // namespace qt
