#include "app/Form1.h"

#include "link/PortList.h"

namespace app {

using ui::Widget;

Form1::Form1(const Outside& outside)
    : out_(outside),
      scheduler_({state_, frames_, *this, outside.window, outside.message, outside.timer2,
                  outside.timer3}),
      interpreter_({state_, frames_, *this, outside.window, outside.timer3}),
      framer_(outside.serial, outside.timer1, interpreter_) {
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

    const auto candidates = rtu::PortCandidates(out_.naming, out_.serial.SystemPortNames());
    rtu::FillPortList(out_.serial, out_.window, candidates);
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
    const auto port = rtu::PortToOpen(out_.window.Text(Widget::Combo1), out_.naming);
    if (!port) {
        out_.message.Show(kSerialPortError);
        return;
    }
    out_.serial.SelectPort(*port);
    out_.serial.SetLineSettings(rtu::kLineSettings);
    if (out_.serial.Open() != rtu::SerialError::None || !out_.serial.IsOpen()) {
        out_.message.Show(kSerialPortError);
        return;
    }
    out_.window.SetCaption(Widget::Command1, "关闭串口");
    out_.window.SetEnabled(Widget::Combo1, false);
    out_.timer2.Start();
    out_.timer3.Start();
    state_.VersionPending = 1;
    state_.PollState = device::poll::Loading;
    out_.window.SetCaption(Widget::Label18, "正在加载配置参数");
}

void Form1::ClosePort() {
    // Neither Timer1 nor the reply buffer is touched: a reply whose last byte came just before
    // the close is still checked 50 ms later.
    out_.serial.Close();
    out_.window.SetCaption(Widget::Command1, "打开串口");
    out_.window.SetEnabled(Widget::Combo1, true);
    out_.timer2.Stop();
    out_.timer3.Stop();
    out_.window.SetEnabled(Widget::Command2, false);
    out_.window.SetEnabled(Widget::Command3, false);
    out_.window.SetEnabled(Widget::Command4, false);
    out_.window.SetEnabled(Widget::Command5, false);
    out_.window.SetCaption(Widget::Label18, "串口关闭");
    state_.PollState = device::poll::Idle;
}

void Form1::FailPort() {
    // Close before the message: while it is up, timers keep ticking, and a closed port sends
    // nothing more, so the operator sees the message once.
    if (!out_.serial.IsOpen()) {
        return;
    }
    ClosePort();
    out_.message.Show(kSerialPortError);
}

void Form1::OnSerialError(rtu::SerialError error) {
    if (error != rtu::SerialError::None) {
        FailPort();
    }
}

rtu::SendResult Form1::Send(std::span<const std::uint8_t> frame) {
    const rtu::SendResult result = rtu::SendFrame(out_.serial, frame);
    if (result == rtu::SendResult::WriteFailed) {
        FailPort();
    }
    return result;
}

}  // namespace app
