#include "device/ReplyInterpreter.h"

#include "device/Identity.h"
#include "device/RegisterMap.h"
#include "device/RegisterTable.h"
#include "product/Texts.h"

namespace device {

using ui::Widget;

namespace {
constexpr std::uint8_t kReadException = rtu::kReadHoldingRegisters | rtu::kExceptionFlag;
// A position reply carries the live position's register pair.
constexpr std::uint8_t kPositionRegister = RegisterOf(ui::Widget::Text10).reg;
}  // namespace

void ReplyInterpreter::HandleReply(const rtu::RxBufferBytes& rx) {
    switch (rx[1]) {
        case rtu::kReadHoldingRegisters:
            switch (rx[2]) {
                case 4:
                    if (!Position(rx)) {
                        Recover();
                    }
                    break;
                case 42:
                    if (!Configuration(rx)) {
                        Recover();
                    }
                    break;
                case 6:
                    Status(rx);
                    break;
                case 2:
                    Version(rx);
                    break;
                default:
                    break;
            }
            break;
        case rtu::kWriteMultipleRegisters:
            p_.window.SetCaption(Widget::Label18, product::kSavedText);
            break;
        case kReadException:
            Exception();
            break;
        default:
            break;  // an exception to a write (0x90) included
    }
}

bool ReplyInterpreter::Position(const rtu::RxBufferBytes& rx) {
    if (!ShowField(rx, kPositionRegister, Widget::Text10, p_.window)) {
        return false;
    }
    if (p_.state.VersionPending == 1) {
        p_.state.PollState = poll::ReadingVersion;
    }
    return true;
}

bool ReplyInterpreter::Configuration(const rtu::RxBufferBytes& rx) {
    // The lists first, then the numbers; a failure leaves the fields after it as they were.
    constexpr Widget kOrder[] = {
        Widget::Combo2, Widget::Combo3, Widget::Combo4, Widget::Combo5,
        Widget::Combo6, Widget::Combo7, Widget::Combo8, Widget::Text1,
        Widget::Text2,  Widget::Text3,  Widget::Text4,  Widget::Text5,
        Widget::Text6,  Widget::Text7,  Widget::Text8,  Widget::Text9,
    };
    for (Widget field : kOrder) {
        if (!ShowField(rx, 0, field, p_.window)) {
            return false;
        }
    }

    p_.window.SetCaption(Widget::Label18, product::kConfigReadText);
    p_.timer3.Stop();
    p_.state.PollState =
        p_.state.PollState == poll::Loading ? poll::LoadStatusPending : poll::ReadStatusPending;

    switch (p_.link.Send(p_.frames.ReadStatusFrame)) {
        case rtu::SendResult::Sent:
            return true;
        // A reply completed just after the operator closed the port: the request cannot go out.
        case rtu::SendResult::PortClosed:
            return false;
        // The port failed: it has been reported and closed, which is all there is to do.
        case rtu::SendResult::WriteFailed:
            return true;
    }
    return true;
}

void ReplyInterpreter::Status(const rtu::RxBufferBytes& rx) {
    if (p_.state.PollState == poll::LoadStatusPending) {
        EnableCommands();
    }
    p_.state.PollState = poll::Polling;
    p_.window.SetCaption(Widget::Label19, StatusOf(rx));
}

void ReplyInterpreter::Version(const rtu::RxBufferBytes& rx) {
    p_.state.VersionPending = 0;
    p_.state.PollState = poll::Polling;
    p_.window.SetCaption(Widget::Label20, VersionText::Of(rx).View());
}

void ReplyInterpreter::Exception() {
    // Three tests in a row on the current state; the exception code is not looked at.
    if (p_.state.PollState == poll::LoadStatusPending) {
        EnableCommands();
        p_.window.SetCaption(Widget::Label19, product::kStatusUnknown);
        p_.state.PollState = poll::Polling;
    }
    if (p_.state.PollState == poll::ReadStatusPending) {
        p_.window.SetCaption(Widget::Label19, product::kStatusUnknown);
    }
    if (p_.state.PollState == poll::ReadingVersion) {
        p_.window.SetCaption(Widget::Label20, " ");
        p_.state.PollState = poll::Polling;
        p_.state.VersionPending = 0;
    }
}

void ReplyInterpreter::EnableCommands() {
    p_.window.SetEnabled(Widget::Command2, true);
    p_.window.SetEnabled(Widget::Command3, true);
    p_.window.SetEnabled(Widget::Command4, true);
    p_.window.SetEnabled(Widget::Command5, true);
}

void ReplyInterpreter::Recover() {
    if (p_.state.PollState == poll::Loading || p_.state.PollState == poll::LoadStatusPending) {
        p_.timer3.Stop();
        EnableCommands();
        p_.state.PollState = poll::Polling;
    }
    p_.window.SetCaption(Widget::Label18, product::kOutOfRangeText);
}

}  // namespace device
