#pragma once

#include <QList>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "link/PortAliases.h"
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
    PortDetails DetailsOf(std::string_view name) const override;
    void SelectPort(std::string_view name) override;
    void SetLineSettings(const LineSettings& settings) override { settings_ = settings; }
    SerialError Open() override;
    bool IsOpen() const override { return port_.isOpen(); }
    // The open port's descriptor, for waiting on its received bytes; -1 while it is closed.
    int Descriptor() const { return port_.isOpen() ? static_cast<int>(port_.handle()) : -1; }
    void Close() override;
    std::size_t Read(std::span<std::uint8_t> into) override;
    void DiscardInput() override;
    void DiscardOutput() override;
    bool Write(std::span<const std::uint8_t> bytes) override;

    SerialError OpenAndClose() override;

    // The system's ports, each tried as the port list tries it: opened with `settings` and
    // closed again.
    struct Listing {
        QList<QSerialPortInfo> ports;
        std::vector<SerialError> tries;  // one per port, None for one that opened
    };
    // Lists and tries the ports; callable on a QThread of its own, so that start-up need not
    // wait for it (opening a USB adapter takes milliseconds, and each open writes a lock file).
    static Listing ListAndTryPorts(const LineSettings& settings = kLineSettings);

    // The listing the next probe takes instead of walking the ttys itself, once, with its tries:
    // one made while the program starts. Later probes list and try the ports afresh.
    void TakeFirstListing(std::future<Listing> listing) { firstListing_ = std::move(listing); }

    // The device file the selected port stands for: a path as given, a system name under /dev,
    // a short name's path.
    std::string SelectedPath() const;

    // A short name that stands for a device path from now on, e.g. "SIM1" for the pseudo-terminal
    // of the simulated transmitter. False when the table is full.
    bool AddAlias(std::string_view name, std::string_view path, std::string_view description) {
        return aliases_.Add(name, path, description);
    }

private:
    void OnPortError(QSerialPort::SerialPortError error);
    // What the system reports now (or the listing read ahead, once), kept as the known ports.
    const QList<QSerialPortInfo>& Probe() const;
    const QList<QSerialPortInfo>& KnownPorts() const;

    QSerialPort port_;
    std::string selected_;  // resolved: a system name or a device path
    PortAliases aliases_;
    // What the system reported at the last probe. Listing the ports walks every tty the system
    // has, so the details of each listed port (its tooltip) are taken from here, not probed again.
    mutable QList<QSerialPortInfo> knownPorts_;
    mutable bool probed_ = false;
    mutable std::future<Listing> firstListing_;
    // What the first listing's tries found, by system name, until the port list has taken it.
    mutable std::map<std::string, SerialError> firstTries_;
    SerialListener* listener_ = nullptr;
    LineSettings settings_ = kLineSettings;
    bool opening_ = false;
    bool errorReported_ = false;
};

}  // namespace rtu
