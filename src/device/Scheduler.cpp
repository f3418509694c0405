#include "device/Scheduler.h"

#include <string>

#include "device/RegisterMap.h"
#include "product/Texts.h"

namespace device {

using ui::Widget;

void Scheduler::Timer2_Timer() {
    const std::uint8_t state = p_.state.PollState;
    std::span<const std::uint8_t> frame;
    std::string_view label;
    switch (state) {
        case poll::Loading:
            frame = p_.frames.ReadAllFrame;
            break;
        case poll::Polling:
            frame = p_.frames.ReadPositionFrame;
            break;
        case poll::ReadRequested:
            frame = p_.frames.ReadAllFrame;
            label = product::kReadingText;
            break;
        case poll::SaveRequested:
            frame = p_.frames.SaveConfigFrame;
            label = product::kSavingText;
            break;
        case poll::PresetRequested:
            frame = p_.frames.SetPositionFrame;
            label = product::kPresettingText;
            break;
        case poll::LoadStatusPending:
            frame = p_.frames.ReadAllFrame;
            label = product::kReadingText;
            break;
        case poll::ReadingVersion:
            frame = p_.frames.ReadVersionFrame;
            break;
        default:
            return;  // Idle, ReadStatusPending and the unused values send nothing
    }
    if (p_.link.Send(frame) != rtu::SendResult::Sent) {
        return;  // the port is closed now; its close steps have set the state
    }
    if (!label.empty()) {
        p_.state.PollState = poll::Polling;
        p_.window.SetCaption(Widget::Label18, label);
    }
}

void Scheduler::Timer3_Timer() {
    // Stop both timers first: while the message is up the toolkit keeps delivering ticks, and
    // neither a second message nor further requests may come from them.
    p_.timer3.Stop();
    p_.timer2.Stop();
    p_.message.Show(product::kLoadFailedMessage);
    if (p_.link.IsPortOpen()) {
        p_.link.ClosePort();
    }
}

void Scheduler::Command2_Click() {
    p_.state.PollState = poll::ReadRequested;
    p_.timer2.Start();
}

void Scheduler::Command3_Click() {
    if (const auto bad = FillSaveConfigFrame(p_.frames.SaveConfigFrame, p_.window)) {
        RefuseField(*bad);
        return;
    }
    p_.state.PollState = poll::SaveRequested;
    p_.timer2.Start();
}

void Scheduler::Command4_Click() {
    if (const auto bad = FillSetPositionFrame(p_.frames.SetPositionFrame, p_.window)) {
        RefuseField(*bad);
        return;
    }
    p_.state.PollState = poll::PresetRequested;
}

void Scheduler::RefuseField(Widget field) {
    std::string text(product::kBadFieldMessage);
    text += ui::FieldCaption(field);
    // A load that ended early (a protocol of 6, a gear of 2) leaves the hidden gear list without
    // a selection. Its value is not guessed: writing one would change the device silently.
    const bool shown = ui::DefaultsOf(field).visible;
    if (!shown) {
        text += '\n';
        text += product::kHiddenFieldLine;
    }
    p_.message.Show(text);
    if (shown) {
        p_.window.SetFocus(field);
    }
}

}  // namespace device
