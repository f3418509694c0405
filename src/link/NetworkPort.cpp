#include "link/NetworkPort.h"

#include <algorithm>

#include "product/Texts.h"

namespace rtu {

NetworkPort::~NetworkPort() {
    listener_ = nullptr;
    Close();
}

PortDetails NetworkPort::DetailsOf(std::string_view name) const {
    PortDetails details;
    details.path = name;
    if (const auto address = ParseNetworkAddress(name)) {
        details.description = address->protocol == NetworkAddress::Protocol::Rfc2217
                                  ? product::kRfc2217ServerDescription
                                  : product::kRawServerDescription;
    }
    return details;
}

SerialError NetworkPort::Open() {
    if (open_) {
        return SerialError::Busy;
    }
    const auto address = ParseNetworkAddress(name_);
    if (!address) {
        return SerialError::BadAddress;
    }
    socket_.SetListener(this);
    switch (socket_.Connect(address->host, address->port, kConnectTimeoutMs)) {
        case seams::StreamSocket::Connected::Yes:
            break;
        case seams::StreamSocket::Connected::HostNotFound:
            return SerialError::HostNotFound;
        case seams::StreamSocket::Connected::Refused:
            return SerialError::ConnectionRefused;
        case seams::StreamSocket::Connected::TimedOut:
            return SerialError::NoAnswer;
        case seams::StreamSocket::Connected::Failed:
            return SerialError::OpenFailed;
    }
    telnet_ = address->protocol == NetworkAddress::Protocol::Rfc2217;
    received_.Clear();
    lost_ = false;
    open_ = true;
    if (telnet_ && !socket_.Write(codec_.Opening(settings_))) {
        Close();
        return SerialError::ConnectionLost;
    }
    codec_.ClearAnswer();
    return SerialError::None;
}

void NetworkPort::Close() {
    open_ = false;
    received_.Clear();
    socket_.Close();
}

std::size_t NetworkPort::Read(std::span<std::uint8_t> into) {
    return received_.Take(into);
}

void NetworkPort::DiscardInput() {
    if (open_) {
        Drain(/*keep=*/false);
    }
    received_.Clear();
}

bool NetworkPort::Write(std::span<const std::uint8_t> bytes) {
    if (!open_ || lost_) {
        return false;
    }
    bool written = true;
    if (!telnet_) {
        written = socket_.Write(bytes);
    }
    std::array<std::uint8_t, 128> escaped{};
    while (telnet_ && written && !bytes.empty()) {
        const TelnetCodec::Escaped part = TelnetCodec::Escape(bytes, escaped);
        written = socket_.Write(std::span(escaped).first(part.written));
        bytes = bytes.subspan(part.taken);
    }
    if (!written) {
        // A write finds the connection gone before its close is heard: it is lost all the same.
        OnDisconnected();
    }
    return written;
}

void NetworkPort::OnReadable() {
    if (open_ && Drain(/*keep=*/true) && listener_ != nullptr) {
        listener_->OnBytesWaiting();
    }
}

void NetworkPort::OnDisconnected() {
    if (!open_ || lost_) {
        return;
    }
    lost_ = true;
    if (listener_ != nullptr) {
        listener_->OnSerialError(SerialError::ConnectionLost);
    }
}

bool NetworkPort::Drain(bool keep) {
    const std::size_t before = received_.Size();
    std::array<std::uint8_t, 256> chunk{};
    // Bounded, so that a server that never stops sending cannot hold the window's thread: what
    // is left raises another notification as more comes.
    for (int round = 0; round < 64; ++round) {
        const std::size_t count = socket_.Read(chunk);
        if (count == 0) {
            break;
        }
        for (std::size_t i = 0; i < count; ++i) {
            std::uint8_t data = chunk[i];
            if (telnet_ && !codec_.Take(chunk[i], data)) {
                continue;
            }
            if (keep) {
                received_.Put(std::span(&data, 1));
            }
        }
        if (telnet_ && !SendAnswer()) {
            break;
        }
    }
    return received_.Size() > before;
}

bool NetworkPort::SendAnswer() {
    const auto answer = codec_.Answer();
    const bool sent = answer.empty() || socket_.Write(answer);
    codec_.ClearAnswer();
    return sent;
}

}  // namespace rtu
