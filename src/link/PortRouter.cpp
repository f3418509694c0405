#include "link/PortRouter.h"

namespace rtu {

bool PortRouter::Add(Claim claims, SerialControl& control) {
    if (count_ == kinds_.size()) {
        return false;
    }
    kinds_[count_++] = {claims, &control};
    control.SetListener(listener_);
    return true;
}

SerialControl& PortRouter::For(std::string_view name) const {
    for (std::size_t i = 0; i < count_; ++i) {
        if (kinds_[i].claims(name)) {
            return *kinds_[i].control;
        }
    }
    return system_;
}

void PortRouter::SetListener(SerialListener* listener) {
    listener_ = listener;
    system_.SetListener(listener);
    for (std::size_t i = 0; i < count_; ++i) {
        kinds_[i].control->SetListener(listener);
    }
}

void PortRouter::SelectPort(std::string_view name) {
    // A port left open stays the one operated on: the window selects only while it is closed.
    if (active_->IsOpen()) {
        return;
    }
    active_ = &For(name);
    active_->SelectPort(name);
}

void PortRouter::SetLineSettings(const LineSettings& settings) {
    system_.SetLineSettings(settings);
    for (std::size_t i = 0; i < count_; ++i) {
        kinds_[i].control->SetLineSettings(settings);
    }
}

}  // namespace rtu
