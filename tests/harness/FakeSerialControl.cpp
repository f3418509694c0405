#include "harness/FakeSerialControl.h"

#include <algorithm>

namespace harness {

void FakeSerialControl::AddPort(const std::string& name, bool reportedBySystem) {
    ports_[name].reported = reportedBySystem;
}

void FakeSerialControl::SetBusy(const std::string& name, bool busy) {
    ports_[name].busy = busy;
}

void FakeSerialControl::SetForbidden(const std::string& name, const std::string& group) {
    ports_[name].forbiddenGroup = group;
}

rtu::PortDetails FakeSerialControl::DetailsOf(std::string_view name) const {
    rtu::PortDetails details;
    details.path = name.starts_with('/') ? std::string(name) : "/dev/" + std::string(name);
    const auto it = ports_.find(std::string(name));
    details.group = it != ports_.end() && !it->second.forbiddenGroup.empty()
                        ? it->second.forbiddenGroup
                        : std::string("dialout");
    return details;
}

void FakeSerialControl::Deliver(std::span<const std::uint8_t> bytes) {
    if (!open_) {
        return;
    }
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    if (listener_ != nullptr && !bytes.empty()) {
        listener_->OnBytesWaiting();
    }
}

void FakeSerialControl::DeliverAt(Micros at, Bytes bytes) {
    clock_.At(at, [this, bytes = std::move(bytes)] { Deliver(bytes); });
}

void FakeSerialControl::RaiseError(rtu::SerialError error) {
    if (listener_ != nullptr) {
        listener_->OnSerialError(error);
    }
}

int FakeSerialControl::OpenCount(const std::string& name) const {
    const auto it = ports_.find(name);
    return it == ports_.end() ? 0 : it->second.opens;
}

int FakeSerialControl::CloseCount(const std::string& name) const {
    const auto it = ports_.find(name);
    return it == ports_.end() ? 0 : it->second.closes;
}

std::vector<std::string> FakeSerialControl::SystemPortNames() const {
    std::vector<std::string> names;
    for (const auto& [name, port] : ports_) {
        if (port.reported) {
            names.push_back(name);
        }
    }
    return names;
}

rtu::SerialError FakeSerialControl::Open() {
    calls_.push_back("Open " + selected_);
    if (open_) {
        return rtu::SerialError::Busy;
    }
    const auto it = ports_.find(selected_);
    if (it == ports_.end()) {
        return rtu::SerialError::NotFound;
    }
    if (!it->second.forbiddenGroup.empty()) {
        return rtu::SerialError::PermissionDenied;
    }
    if (it->second.busy) {
        return rtu::SerialError::Busy;
    }
    ++it->second.opens;
    open_ = true;
    openPort_ = selected_;
    settingsAtOpen_ = settings_;
    input_.clear();
    return rtu::SerialError::None;
}

void FakeSerialControl::Close() {
    calls_.push_back("Close " + openPort_);
    if (!open_) {
        return;
    }
    ++ports_[openPort_].closes;
    open_ = false;
    openPort_.clear();
    input_.clear();
}

std::size_t FakeSerialControl::Read(std::span<std::uint8_t> into) {
    const std::size_t count = std::min(into.size(), input_.size());
    std::copy_n(input_.begin(), count, into.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

void FakeSerialControl::DiscardInput() {
    calls_.emplace_back("DiscardInput");
    input_.clear();
}

void FakeSerialControl::DiscardOutput() {
    calls_.emplace_back("DiscardOutput");
}

bool FakeSerialControl::Write(std::span<const std::uint8_t> bytes) {
    calls_.emplace_back("Write");
    if (!open_) {
        ++writesWhileClosed_;
    }
    if (!open_ || failWrites_) {
        return false;
    }
    written_.push_back({clock_.Now(), openPort_, Bytes(bytes.begin(), bytes.end())});
    if (peer_) {
        peer_(bytes);
    }
    return true;
}

}  // namespace harness
