#pragma once

#include <cstdint>
#include <functional>

#include "link/FrameTable.h"
#include "link/PortName.h"
#include "link/ReplyFramer.h"
#include "link/SendFrame.h"
#include "link/SerialControl.h"
#include "ui/ModalMessage.h"
#include "ui/Timer.h"
#include "ui/WindowOperations.h"

namespace app {

// Everything the window's logic reaches outside itself.
struct Outside {
    rtu::SerialControl& serial;
    ui::WindowOperations& window;
    ui::ModalMessage& message;
    ui::Timer& timer1;  // 50 ms, end of reply
    ui::Timer& timer2;  // 200 ms, request scheduler
    ui::Timer& timer3;  // 5000 ms, load timeout
    rtu::PortNaming naming = rtu::kHostPortNaming;
};

inline constexpr std::string_view kSerialPortError = "串口错误";

// The logic of the one window: its event handlers and the state they share (the frames, the
// reply buffer, the scheduler's state byte and flag). Knows no toolkit; the program binds it to
// Qt, the tests to virtual time.
class Form1 : public rtu::SerialListener, private rtu::ReplyHandler {
public:
    explicit Form1(const Outside& outside);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Events of the window.
    void Form_Load();
    void Command1_Click();
    void MSComm1_OnComm() { framer_.MSComm1_OnComm(); }
    void Timer1_Timer() { framer_.Timer1_Timer(); }

    // rtu::SerialListener
    void OnBytesWaiting() override { MSComm1_OnComm(); }
    void OnSerialError(rtu::SerialError error) override;

    // Until the reply interpreter is wired in, accepted replies go to this hook.
    void SetReplyHook(std::function<void(const rtu::RxBufferBytes&)> hook) { replyHook_ = std::move(hook); }

    std::uint8_t PollState() const { return pollState_; }
    std::uint8_t VersionPending() const { return versionPending_; }
    const rtu::FrameTable& Frames() const { return frames_; }
    const rtu::ReplyFramer& Framer() const { return framer_; }

    // Sends a frame on the open port. A port that refuses it is reported and closed.
    rtu::SendResult Send(std::span<const std::uint8_t> frame);

private:
    void HandleReply(const rtu::RxBufferBytes& rxBuffer) override;
    void OpenPort();
    void ClosePort();
    // A run-time failure of the open port: close it, then tell the operator once.
    void FailPort();

    Outside out_;
    rtu::FrameTable frames_;
    rtu::ReplyFramer framer_;
    std::uint8_t pollState_ = 0;
    std::uint8_t versionPending_ = 1;
    std::function<void(const rtu::RxBufferBytes&)> replyHook_;
};

}  // namespace app
