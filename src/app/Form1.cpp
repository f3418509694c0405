#include "app/Form1.h"

#include "link/PortList.h"

namespace app {

using ui::Widget;

Form1::Form1(const Outside& outside)
    : out_(outside), framer_(outside.serial, outside.timer1, *this) {
    out_.serial.SetListener(this);
}

void Form1::Form_Load() {
    frames_.Build();

    out_.window.SetEnabled(Widget::Command2, false);
    out_.window.SetEnabled(Widget::Command3, false);
    out_.window.SetEnabled(Widget::Command4, false);
    out_.window.SetEnabled(Widget::Command5, false);
    pollState_ = 0;
    versionPending_ = 1;

    const auto candidates = rtu::PortCandidates(out_.naming, out_.serial.SystemPortNames());
    rtu::FillPortList(out_.serial, out_.window, candidates);
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
    versionPending_ = 1;
    pollState_ = 1;
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
    pollState_ = 0;
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

void Form1::HandleReply(const rtu::RxBufferBytes& rxBuffer) {
    if (replyHook_) {
        replyHook_(rxBuffer);
    }
}

}  // namespace app
