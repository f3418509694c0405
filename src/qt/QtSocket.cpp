#include "qt/QtSocket.h"

#include <QEventLoop>
#include <QTimer>
#include <string>

namespace qt {
namespace {

// The reader takes all that waits at each notification; this much is a flood.
constexpr qint64 kReadBufferBytes = 64 * 1024;

}  // namespace

QtSocket::QtSocket() {
    socket_.setReadBufferSize(kReadBufferBytes);
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] {
        if (listener_ != nullptr) {
            listener_->OnReadable();
        }
    });
    // An orderly close by the server, or a failure of the open connection.
    QObject::connect(&socket_, &QTcpSocket::disconnected, &socket_, [this] {
        if (listener_ != nullptr) {
            listener_->OnDisconnected();
        }
    });
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, &socket_, [this] {
        if (!connecting_ && listener_ != nullptr) {
            listener_->OnDisconnected();
        }
    });
}

QtSocket::~QtSocket() {
    listener_ = nullptr;
    socket_.abort();
}

seams::StreamSocket::Connected QtSocket::Connect(std::string_view host, std::uint16_t port,
                                                 int timeoutMs) {
    socket_.abort();
    connecting_ = true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    const auto connected =
        QObject::connect(&socket_, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    const auto failed =
        QObject::connect(&socket_, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    socket_.connectToHost(QString::fromUtf8(host.data(), static_cast<qsizetype>(host.size())),
                          port);
    deadline.start(timeoutMs);
    if (socket_.state() != QAbstractSocket::ConnectedState &&
        socket_.state() != QAbstractSocket::UnconnectedState) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QObject::disconnect(connected);
    QObject::disconnect(failed);
    connecting_ = false;
    if (socket_.state() == QAbstractSocket::ConnectedState) {
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return Connected::Yes;
    }
    const QAbstractSocket::SocketError error = socket_.error();
    socket_.abort();
    if (timedOut || error == QAbstractSocket::SocketTimeoutError) {
        return Connected::TimedOut;
    }
    switch (error) {
        case QAbstractSocket::HostNotFoundError:
            return Connected::HostNotFound;
        case QAbstractSocket::ConnectionRefusedError:
            return Connected::Refused;
        default:
            return Connected::Failed;
    }
}

bool QtSocket::IsConnected() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

std::size_t QtSocket::Read(std::span<std::uint8_t> into) {
    if (!socket_.isOpen()) {
        return 0;
    }
    const qint64 count =
        socket_.read(reinterpret_cast<char*>(into.data()), static_cast<qint64>(into.size()));
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool QtSocket::Write(std::span<const std::uint8_t> bytes) {
    if (!IsConnected()) {
        return false;
    }
    const qint64 written = socket_.write(reinterpret_cast<const char*>(bytes.data()),
                                         static_cast<qint64>(bytes.size()));
    // Handed to the system now, not at the event loop's next turn: the request leaves at once.
    socket_.flush();
    return written == static_cast<qint64>(bytes.size());
}

void QtSocket::Close() {
    socket_.abort();
}

int QtSocket::Descriptor() const {
    return IsConnected() ? static_cast<int>(socket_.socketDescriptor()) : -1;
}

}  // namespace qt
