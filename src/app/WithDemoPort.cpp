#include "app/WithDemoPort.h"

#include <algorithm>

#include "product/Texts.h"

namespace app {

bool WithDemoPort::IsDemoPort(std::string_view name) {
    return std::equal(name.begin(), name.end(), kDemoPort.begin(), kDemoPort.end(),
                      [](char a, char b) {
                          const auto lower = [](char c) {
                              return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
                          };
                          return lower(a) == lower(b);
                      });
}

void WithDemoPort::SetListener(rtu::SerialListener* listener) {
    system_.SetListener(listener);
    demo_.SetListener(listener);
}

rtu::PortDetails WithDemoPort::DetailsOf(std::string_view name) const {
    if (!IsDemoPort(name)) {
        return system_.DetailsOf(name);
    }
    rtu::PortDetails details;
    details.description = product::kDemoPortDescription;
    return details;
}

void WithDemoPort::SelectPort(std::string_view name) {
    // A port left open stays the one operated on: the window selects only while it is closed.
    if (active_->IsOpen()) {
        return;
    }
    active_ = IsDemoPort(name) ? &demo_ : &system_;
    active_->SelectPort(name);
}

void WithDemoPort::SetLineSettings(const rtu::LineSettings& settings) {
    system_.SetLineSettings(settings);
    demo_.SetLineSettings(settings);
}

}  // namespace app
