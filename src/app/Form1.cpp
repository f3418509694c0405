#include "app/Form1.h"

#include <cstdio>

#include "app/PortList.h"
#include "link/TraceLine.h"
#include "product/Texts.h"

namespace app {

using ui::Widget;

void Outside::WriteToStderr(std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

Form1::Form1(const Outside& outside)
    : out_(outside),
      scheduler_({state_, frames_, *this, outside.window, outside.message, outside.timer2,
                  outside.timer3}),
      interpreter_({state_, frames_, *this, outside.window, outside.timer3}),
      framer_(outside.serial, outside.timer1, interpreter_, outside.trace) {
    out_.serial.SetListener(this);
}

void Form1::Form_Load() {
    frames_.Build();

    out_.window.SetEnabled(Widget::Command2, false);
    out_.window.SetEnabled(Widget::Command3, false);
    out_.window.SetEnabled(Widget::Command4, false);
    out_.window.SetEnabled(Widget::Command5, false);
    state_.PollState = device::poll::Idle;
    state_.VersionPending = 1;

    ListPorts(/*refresh=*/false);
}

void Form1::ListPorts(bool refresh) {
    const auto candidates = rtu::PortCandidates(out_.naming, out_.serial.SystemPortNames());
    refused_ = refresh ? RefreshPortList(out_.serial, out_.window, candidates, offeredFirst_)
                       : FillPortList(out_.serial, out_.window, candidates, offeredFirst_);
    if (refused_.empty() || refusalLogged_) {
        return;
    }
    refusalLogged_ = true;
    std::string line = "serial ports this user may not open:";
    for (const std::string& name : refused_) {
        const rtu::PortDetails details = out_.serial.DetailsOf(name);
        line += " " + details.path;
        if (!details.group.empty()) {
            line += " (group " + details.group + ")";
        }
    }
    line += "; add the user to the group and log in again";
    out_.log(line);
}

void Form1::Combo1_DropDown() {
    if (out_.serial.IsOpen()) {
        return;
    }
    ListPorts(/*refresh=*/true);
}

void Form1::Click(Widget button) {
    switch (button) {
        case Widget::Command1:
            Command1_Click();
            break;
        case Widget::Command2:
            Command2_Click();
            break;
        case Widget::Command3:
            Command3_Click();
            break;
        case Widget::Command4:
            Command4_Click();
            break;
        case Widget::Command5:
            Command5_Click();
            break;
        default:
            break;
    }
}

void Form1::Command1_Click() {
    if (out_.serial.IsOpen()) {
        ClosePort();
    } else {
        OpenPort();
    }
}

void Form1::OpenPort() {
    const std::string text = out_.window.Text(Widget::Combo1);
    // The port offered first goes by its own name (SIM1 is no COM port on Windows).
    const auto port = !offeredFirst_.empty() && text == offeredFirst_
                          ? std::optional<std::string>(text)
                          : rtu::PortToOpen(text, out_.naming);
    if (!port) {
        TraceError("open: no port chosen");
        if (text.find_first_not_of(" \t") != std::string::npos) {
            ReportSerialError({});  // a text that names no port
        } else if (!refused_.empty()) {
            // The list is short because this user may not open the ports the system has.
            ReportSerialError(rtu::PermissionHint(out_.serial.DetailsOf(refused_.front())));
        } else {
            ReportSerialError(rtu::NoPortChosenCause());
        }
        return;
    }
    out_.serial.SelectPort(*port);
    out_.serial.SetLineSettings(rtu::kLineSettings);
    const rtu::SerialError error = out_.serial.Open();
    if (error != rtu::SerialError::None || !out_.serial.IsOpen()) {
        TraceError("open " + *port + ": " +
                   std::string(rtu::ErrorWords(
                       error == rtu::SerialError::None ? rtu::SerialError::OpenFailed : error)));
        ReportSerialError(rtu::OpenFailureCause(error, out_.serial.DetailsOf(*port)));
        return;
    }
    if (out_.trace != nullptr) {
        out_.trace->Open(*port);
    }
    openPort_ = *port;
    out_.window.SetCaption(Widget::Command1, product::kClosePort);
    out_.window.SetEnabled(Widget::Combo1, false);
    out_.timer2.Start();
    out_.timer3.Start();
    state_.VersionPending = 1;
    state_.PollState = device::poll::Loading;
    out_.window.SetCaption(Widget::Label18, product::kLoadingText);
}

void Form1::ClosePort() {
    // Neither Timer1 nor the reply buffer is touched: a reply whose last byte came just before
    // the close is still checked 50 ms later.
    if (out_.trace != nullptr && out_.serial.IsOpen()) {
        out_.trace->Close();
    }
    out_.serial.Close();
    out_.window.SetCaption(Widget::Command1, product::kOpenPort);
    out_.window.SetEnabled(Widget::Combo1, true);
    out_.timer2.Stop();
    out_.timer3.Stop();
    out_.window.SetEnabled(Widget::Command2, false);
    out_.window.SetEnabled(Widget::Command3, false);
    out_.window.SetEnabled(Widget::Command4, false);
    out_.window.SetEnabled(Widget::Command5, false);
    out_.window.SetCaption(Widget::Label18, product::kPortClosedText);
    state_.PollState = device::poll::Idle;
}

void Form1::FailPort(rtu::SerialError error) {
    // Close before the message: while it is up, timers keep ticking, and a closed port sends
    // nothing more, so the operator sees the message once.
    if (!out_.serial.IsOpen()) {
        return;
    }
    ClosePort();
    ReportSerialError(rtu::RunTimeFailureCause(error, out_.serial.DetailsOf(openPort_)));
}

void Form1::ReportSerialError(const rtu::FailureCause& cause) {
    if (!cause.Known()) {
        out_.message.Show(product::kSerialPortError);
        return;
    }
    out_.log(cause.engineerLine);
    std::string text(product::kSerialPortError);
    text += '\n';
    text += cause.operatorLine;
    out_.message.Show(text);
}

void Form1::OnSerialError(rtu::SerialError error) {
    if (error != rtu::SerialError::None) {
        TraceError(rtu::ErrorWords(error));
        FailPort(error);
    }
}

void Form1::TraceError(std::string_view error) {
    if (out_.trace != nullptr) {
        out_.trace->Error(error);
    }
}

rtu::SendResult Form1::Send(std::span<const std::uint8_t> frame) {
    // Through the framer, which remembers the frame to recognise an adapter's echo of it.
    const rtu::SendResult result = rtu::SendFrame(out_.serial, frame, framer_);
    if (result == rtu::SendResult::WriteFailed) {
        FailPort(rtu::SerialError::WriteFailed);
    }
    return result;
}

}  // namespace app
