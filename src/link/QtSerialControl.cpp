#include "link/QtSerialControl.h"

#include <QSerialPortInfo>
#include <cerrno>

#include "link/ByIdLinks.h"

#ifdef Q_OS_UNIX
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rtu {
namespace {

// What this user may do with a port's device file.
enum class PathAccess : std::uint8_t { ReadWrite, Refused, Missing };

// QSerialPort's error codes, mapped to the link's in this one place.
//
// Opening: Qt reports "no rights on the device", "the device is locked or held for exclusive use
// by another program" and "the lock file could not be made" (a name too long for one) all as
// PermissionError. They are told apart by what this user may do with the device file.
SerialError OpenFailure(QSerialPort::SerialPortError error, PathAccess access) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return SerialError::NotFound;
        case QSerialPort::PermissionError:
            switch (access) {
                case PathAccess::ReadWrite:
                    return SerialError::Busy;
                case PathAccess::Refused:
                    return SerialError::PermissionDenied;
                case PathAccess::Missing:
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

// QSerialPort reports ReadError whenever a read notification finds nothing to read. That also
// happens on a working line: a request discards the kernel's input while the notification of
// bytes that just arrived is still pending (a timer tick and the port ready in the same round of
// the event loop), and the read then returns nothing. Only a line that has hung up has gone.
bool HasHungUp(const QSerialPort& port) {
#ifdef Q_OS_UNIX
    pollfd line{};
    line.fd = static_cast<int>(port.handle());
    line.events = POLLIN;
    if (::poll(&line, 1, 0) < 0) {
        return true;
    }
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    (void)port;
    return true;
#endif
}

PathAccess AccessTo(const std::string& path) {
#ifdef Q_OS_UNIX
    if (::access(path.c_str(), R_OK | W_OK) == 0) {
        return PathAccess::ReadWrite;
    }
    return errno == EACCES || errno == EPERM || errno == EROFS ? PathAccess::Refused
                                                               : PathAccess::Missing;
#else
    // Windows refuses a port that another program holds with "access denied".
    (void)path;
    return PathAccess::ReadWrite;
#endif
}

// The device file of a system name (ttyUSB0 is /dev/ttyUSB0); a path stays as it is.
std::string DevicePath(std::string_view name) {
#ifdef Q_OS_UNIX
    if (!name.empty() && name.front() != '/') {
        return "/dev/" + std::string(name);
    }
#endif
    return std::string(name);
}

// The name of the group that owns the device file, e.g. "dialout"; empty when unknown.
std::string OwningGroup(const std::string& path) {
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    if (const struct group* owner = ::getgrgid(info.st_gid)) {
        return owner->gr_name;
    }
#else
    (void)path;
#endif
    return {};
}

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

// The line settings, as every open sets them.
void Configure(QSerialPort& port, const LineSettings& settings) {
    port.setBaudRate(settings.baudRate);
    port.setDataBits(DataBitsOf(settings.dataBits));
    port.setParity(ParityOf(settings.parity));
    port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

}  // namespace

QtSerialControl::Listing QtSerialControl::ListAndTryPorts(const LineSettings& settings) {
    Listing listing;
    listing.ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : listing.ports) {
        QSerialPort port(info);
        Configure(port, settings);
        if (port.open(QIODevice::ReadWrite)) {
            port.close();
            listing.tries.push_back(SerialError::None);
        } else {
            listing.tries.push_back(
                OpenFailure(port.error(), AccessTo(info.systemLocation().toStdString())));
        }
    }
    return listing;
}

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

const QList<QSerialPortInfo>& QtSerialControl::Probe() const {
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

SerialError QtSerialControl::OpenAndClose() {
    // A port listed at start-up was tried moments ago, on the thread that listed it.
    if (const auto tried = firstTries_.find(selected_); tried != firstTries_.end()) {
        const SerialError error = tried->second;
        firstTries_.erase(tried);
        return error;
    }
    return SerialControl::OpenAndClose();
}

std::vector<std::string> QtSerialControl::SystemPortNames() const {
    std::vector<std::string> names;
    for (const QSerialPortInfo& info : Probe()) {
        names.push_back(info.portName().toStdString());
    }
    return names;
}

PortDetails QtSerialControl::DetailsOf(std::string_view name) const {
    PortDetails details;
    details.path = DevicePath(aliases_.Resolve(name));
    if (const PortAliases::Alias* alias = aliases_.Find(name)) {
        details.description = alias->description;
    } else {
        for (const QSerialPortInfo& info : KnownPorts()) {
            if (info.systemLocation().toStdString() == details.path) {
                details.description = info.description().toStdString();
                details.manufacturer = info.manufacturer().toStdString();
                details.serialNumber = info.serialNumber().toStdString();
                break;
            }
        }
    }
    details.byIdLinks = ByIdLinks(kSerialByIdDirectory, details.path);
    details.group = OwningGroup(details.path);
    return details;
}

const QList<QSerialPortInfo>& QtSerialControl::KnownPorts() const {
    return probed_ ? knownPorts_ : Probe();
}

void QtSerialControl::SelectPort(std::string_view name) {
    selected_ = aliases_.Resolve(name);
    port_.setPortName(QString::fromStdString(selected_));
}

std::string QtSerialControl::SelectedPath() const {
    return DevicePath(selected_);
}

SerialError QtSerialControl::Open() {
    Configure(port_, settings_);

    // QSerialPort announces an open failure through errorOccurred as well; that is the answer
    // of this call, not a run-time failure.
    opening_ = true;
    const bool opened = port_.open(QIODevice::ReadWrite);
    opening_ = false;
    if (!opened) {
        const SerialError error = OpenFailure(port_.error(), AccessTo(SelectedPath()));
        port_.clearError();
        return error;
    }
    errorReported_ = false;
    return SerialError::None;
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
#ifdef Q_OS_UNIX
    // Straight to the line. QSerialPort::write would also watch the port for room to write, and
    // that costs a wake-up of the event loop for every request. Whatever the kernel does not take
    // at once (a full output queue, a failing line) goes through QSerialPort below, which queues
    // it or reports the failure as usual.
    if (port_.bytesToWrite() == 0) {
        while (!bytes.empty()) {
            const ssize_t written = ::write(port_.handle(), bytes.data(), bytes.size());
            if (written > 0) {
                bytes = bytes.subspan(static_cast<std::size_t>(written));
            } else if (written < 0 && errno == EINTR) {
                continue;
            } else {
                break;
            }
        }
        if (bytes.empty()) {
            return true;
        }
    }
#endif
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
    if (error == QSerialPort::ReadError && !HasHungUp(port_)) {
        port_.clearError();  // an empty read on a live line: the read notification stays on
        return;
    }
    errorReported_ = true;
    if (listener_ != nullptr) {
        listener_->OnSerialError(RunTimeFailure(error));
    }
}

}  // namespace rtu
