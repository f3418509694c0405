#include "qt/QtPortCatalogue.h"

#include <QSerialPort>

#include "posix/ByIdLinks.h"
#include "posix/DeviceFile.h"
#include "qt/QtPortRules.h"

namespace qt {

QtPortCatalogue::Listing QtPortCatalogue::ListAndTryPorts(const rtu::LineSettings& settings) {
    Listing listing;
    listing.ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : listing.ports) {
        QSerialPort port(info);
        Configure(port, settings);
        if (port.open(QIODevice::ReadWrite)) {
            port.close();
            listing.tries.push_back(rtu::SerialError::None);
        } else {
            listing.tries.push_back(OpenFailure(port.error(), info.systemLocation().toStdString()));
        }
    }
    return listing;
}

const QList<QSerialPortInfo>& QtPortCatalogue::Probe() const {
    firstTries_.clear();
    // Taking the listing read ahead leaves its future empty: later probes list afresh.
    if (firstListing_.valid()) {
        Listing listing = firstListing_.get();
        knownPorts_ = std::move(listing.ports);
        for (qsizetype i = 0; i < knownPorts_.size() && i < std::ssize(listing.tries); ++i) {
            firstTries_[knownPorts_[i].portName().toStdString()] =
                listing.tries[static_cast<std::size_t>(i)];
        }
    } else {
        knownPorts_ = QSerialPortInfo::availablePorts();
    }
    probed_ = true;
    return knownPorts_;
}

const QList<QSerialPortInfo>& QtPortCatalogue::KnownPorts() const {
    return probed_ ? knownPorts_ : Probe();
}

std::optional<rtu::SerialError> QtPortCatalogue::TakeFirstTry(const std::string& name) const {
    const auto tried = firstTries_.find(name);
    if (tried == firstTries_.end()) {
        return std::nullopt;
    }
    const rtu::SerialError error = tried->second;
    firstTries_.erase(tried);
    return error;
}

std::vector<std::string> QtPortCatalogue::SystemPortNames() const {
    std::vector<std::string> names;
    for (const QSerialPortInfo& info : Probe()) {
        names.push_back(info.portName().toStdString());
    }
    return names;
}

rtu::PortDetails QtPortCatalogue::DetailsOf(std::string_view name) const {
    rtu::PortDetails details;
    details.path = posix::DevicePath(name);
    for (const QSerialPortInfo& info : KnownPorts()) {
        if (info.systemLocation().toStdString() == details.path) {
            details.description = info.description().toStdString();
            details.manufacturer = info.manufacturer().toStdString();
            details.serialNumber = info.serialNumber().toStdString();
            break;
        }
    }
    details.byIdLinks = posix::ByIdLinks(posix::kSerialByIdDirectory, details.path);
    details.group = posix::OwningGroup(details.path);
    return details;
}

}  // namespace qt
