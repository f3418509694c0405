#pragma once

#include <QList>
#include <QSerialPortInfo>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/PortDetails.h"
#include "link/SerialControl.h"

namespace qt {

// The system's serial ports as QSerialPortInfo lists them, what the system tells about each
// (product, maker, serial number, by-id links, the group of its device file), and the tries of the
// listing read ahead at start-up.
class QtPortCatalogue {
public:
    // The system's ports, each tried as the port list tries it: opened with `settings` and
    // closed again.
    struct Listing {
        QList<QSerialPortInfo> ports;
        std::vector<rtu::SerialError> tries;  // one per port, None for one that opened
    };
    // Lists and tries the ports; callable on a QThread of its own, so that start-up need not
    // wait for it (opening a USB adapter takes milliseconds, and each open writes a lock file).
    static Listing ListAndTryPorts(const rtu::LineSettings& settings = rtu::kLineSettings);

    // The listing the next probe takes instead of walking the ttys itself, once, with its tries:
    // one made while the program starts. Later probes list and try the ports afresh.
    void TakeFirstListing(std::future<Listing> listing) { firstListing_ = std::move(listing); }

    // The names of the ports the system reports now (or the listing read ahead, once).
    std::vector<std::string> SystemPortNames() const;
    rtu::PortDetails DetailsOf(std::string_view name) const;
    // What the listing read ahead found when it tried the port, once: nothing when it did not
    // try it or that answer has been taken.
    std::optional<rtu::SerialError> TakeFirstTry(const std::string& name) const;

private:
    const QList<QSerialPortInfo>& Probe() const;
    const QList<QSerialPortInfo>& KnownPorts() const;

    // What the system reported at the last probe. Listing the ports walks every tty the system
    // has, so the details of each listed port (its tooltip) are taken from here, not probed again.
    mutable QList<QSerialPortInfo> knownPorts_;
    mutable bool probed_ = false;
    mutable std::future<Listing> firstListing_;
    // What the first listing's tries found, by system name, until the port list has taken it.
    mutable std::map<std::string, rtu::SerialError> firstTries_;
};

}  // namespace qt
