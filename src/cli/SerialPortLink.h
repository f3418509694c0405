#pragma once

#include <memory>
#include <string>

#include "cli/Exchange.h"
#include "cli/PortRuns.h"
#include "link/FailureCause.h"
#include "link/SerialControl.h"
#include "link/TraceLine.h"
#include "link/TraceWriter.h"
#include "product/Timings.h"

namespace cli {

// A link that waits on the platform's wait, whatever kind of port it is on.
template <class PlatformWait>
class LinkWithWait : public PortLink {
public:
    virtual PlatformWait& Waiting() = 0;
};

// One port's link on any platform: the platform's serial control, 50 ms timer and wait, on the
// thread that made them. Closing it closes the port and ends its trace.
template <class Serial, class Timer, class PlatformWait>
class SerialPortLink : public LinkWithWait<PlatformWait> {
public:
    SerialPortLink(const LinkSettings& settings, rtu::TraceWriter* trace)
        : timer1_(product::kReplySilenceMs),
          exchange_(serial_, timer1_, wait_, settings, trace),
          trace_(trace) {
        timer1_.OnTick([this] { exchange_.Timer1_Timer(); });
    }
    ~SerialPortLink() override {
        serial_.SetListener(nullptr);
        if (!serial_.IsOpen()) {
            return;
        }
        if (trace_ != nullptr && exchange_.PortError() != rtu::SerialError::None) {
            trace_->Error(rtu::ErrorWords(exchange_.PortError()));
        }
        serial_.Close();
        if (trace_ != nullptr) {
            trace_->Close();
        }
    }
    SerialPortLink(const SerialPortLink&) = delete;
    SerialPortLink& operator=(const SerialPortLink&) = delete;

    // Opens the port `name`; when it will not open, `describe(serial, name, error)` says why in
    // the window's own words.
    template <class Describe>
    rtu::SerialError Open(const std::string& name, std::string& failure, Describe describe) {
        serial_.SelectPort(name);
        serial_.SetLineSettings(rtu::kLineSettings);
        if (const rtu::SerialError opened = serial_.Open(); opened != rtu::SerialError::None) {
            if (trace_ != nullptr) {
                trace_->Error(rtu::ErrorWords(opened));
            }
            failure = describe(serial_, name, opened);
            return opened;
        }
        if (trace_ != nullptr) {
            // The device path where the control resolves the name to one.
            if constexpr (requires { serial_.SelectedPath(); }) {
                trace_->Open(serial_.SelectedPath());
            } else {
                trace_->Open(name);
            }
        }
        serial_.SetListener(&exchange_);
        return rtu::SerialError::None;
    }

    Exchange& Link() override { return exchange_; }
    PlatformWait& Waiting() override { return wait_; }

private:
    // First: on Qt, the wait's event loop brings the event dispatcher that the port's notifier
    // and the timer need.
    PlatformWait wait_;
    Serial serial_;
    Timer timer1_;
    Exchange exchange_;
    rtu::TraceWriter* trace_;
};

// The window's own words for a port that would not open, or its name and "cannot be opened"
// where the cause is not known: what most controls say through SerialPortLink::Open.
inline std::string OpenFailureText(const rtu::SerialControl& control, const std::string& port,
                                   rtu::SerialError error) {
    const rtu::FailureCause cause = rtu::OpenFailureCause(error, control.DetailsOf(port));
    return cause.Known() ? cause.engineerLine : port + " cannot be opened";
}

// Opens `port` on a new link of type Link (a SerialPortLink); the opening holds the link when the
// port opened, else why not in the window's own words (see SerialPortLink::Open).
template <class Link, class Describe>
Opening OpenLink(const std::string& port, const LinkSettings& settings, rtu::TraceWriter* trace,
                 Describe describe) {
    Opening opening;
    auto link = std::make_unique<Link>(settings, trace);
    opening.error = link->Open(port, opening.message, describe);
    if (opening.error == rtu::SerialError::None) {
        opening.link = std::move(link);
    }
    return opening;
}

}  // namespace cli
