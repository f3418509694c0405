// The window's logic allocates nothing per tick, request or reply: every operator new made while
// the logic runs (its timer ticks, receive notifications and clicks) is counted, except those
// the test's own stand-ins for the outside make (virtual clock, fake port, window model, the
// simulated device). A few hundred ticks with the position changing, a save and a preset must
// count none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "app/Form1.h"
#include "harness/FakeSerialControl.h"
#include "harness/FakeTimer.h"
#include "harness/RecordingMessage.h"
#include "harness/Rig.h"
#include "harness/SimulatedDevice.h"
#include "harness/VirtualClock.h"
#include "ui/WindowModel.h"

namespace {

// Above zero while the logic runs; zero while the test's stand-ins run.
thread_local int logicDepth = 0;
thread_local long logicAllocations = 0;

void* Allocate(std::size_t size) {
    if (logicDepth > 0) {
        ++logicAllocations;
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using harness::Ms;
using ui::Widget;

// The logic runs inside a Counted scope; the outside it calls runs inside an Uncounted one.
struct Counted {
    Counted() { ++logicDepth; }
    ~Counted() { --logicDepth; }
};
struct Uncounted {
    int saved = logicDepth;
    Uncounted() { logicDepth = 0; }
    ~Uncounted() { logicDepth = saved; }
};

class UncountedTimer : public seams::Timer {
public:
    explicit UncountedTimer(harness::FakeTimer& timer) : timer_(timer) {}
    void OnTick(std::function<void()> onTick) override { timer_.OnTick(std::move(onTick)); }
    void Start() override {
        Uncounted u;
        timer_.Start();
    }
    void Stop() override {
        Uncounted u;
        timer_.Stop();
    }
    bool IsRunning() const override { return timer_.IsRunning(); }

private:
    harness::FakeTimer& timer_;
};

class UncountedWindow : public ui::WindowOperations {
public:
    explicit UncountedWindow(ui::WindowModel& window) : w_(window) {}
    void SetCaption(Widget widget, std::string_view caption) override {
        Uncounted u;
        w_.SetCaption(widget, caption);
    }
    void SetText(Widget widget, std::string_view text) override {
        Uncounted u;
        w_.SetText(widget, text);
    }
    std::string Text(Widget widget) const override {
        Uncounted u;
        return w_.Text(widget);
    }
    int SelectedIndex(Widget list) const override { return w_.SelectedIndex(list); }
    bool SetSelectedIndex(Widget list, int index) override {
        Uncounted u;
        return w_.SetSelectedIndex(list, index);
    }
    void ClearItems(Widget list) override {
        Uncounted u;
        w_.ClearItems(list);
    }
    void AddItem(Widget list, std::string_view item) override {
        Uncounted u;
        w_.AddItem(list, item);
    }
    void SetEnabled(Widget widget, bool enabled) override {
        Uncounted u;
        w_.SetEnabled(widget, enabled);
    }
    void SetFocus(Widget widget) override {
        Uncounted u;
        w_.SetFocus(widget);
    }

private:
    ui::WindowModel& w_;
};

class UncountedMessage : public seams::ModalMessage {
public:
    explicit UncountedMessage(harness::RecordingMessage& message) : m_(message) {}
    void Show(std::string_view text) override {
        Uncounted u;
        m_.Show(text);
    }

private:
    harness::RecordingMessage& m_;
};

// The fake port; the notifications it raises run the logic again.
class UncountedSerial : public rtu::SerialControl, public rtu::SerialListener {
public:
    explicit UncountedSerial(harness::FakeSerialControl& serial) : s_(serial) {
        s_.SetListener(this);
    }
    void SetListener(rtu::SerialListener* listener) override { logic_ = listener; }
    std::vector<std::string> SystemPortNames() const override {
        Uncounted u;
        return s_.SystemPortNames();
    }
    void SelectPort(std::string_view name) override {
        Uncounted u;
        s_.SelectPort(name);
    }
    void SetLineSettings(const rtu::LineSettings& settings) override {
        Uncounted u;
        s_.SetLineSettings(settings);
    }
    rtu::SerialError Open() override {
        Uncounted u;
        return s_.Open();
    }
    bool IsOpen() const override { return s_.IsOpen(); }
    void Close() override {
        Uncounted u;
        s_.Close();
    }
    std::size_t Read(std::span<std::uint8_t> into) override {
        Uncounted u;
        return s_.Read(into);
    }
    void DiscardInput() override {
        Uncounted u;
        s_.DiscardInput();
    }
    void DiscardOutput() override {
        Uncounted u;
        s_.DiscardOutput();
    }
    bool Write(std::span<const std::uint8_t> bytes) override {
        Uncounted u;
        return s_.Write(bytes);
    }

    void OnBytesWaiting() override {
        Counted c;
        logic_->OnBytesWaiting();
    }
    void OnSerialError(rtu::SerialError error) override {
        Counted c;
        logic_->OnSerialError(error);
    }

private:
    harness::FakeSerialControl& s_;
    rtu::SerialListener* logic_ = nullptr;
};

TEST(NoAllocation, TicksRepliesASaveAndAPresetAllocateNothing) {
    harness::VirtualClock clock;
    harness::FakeSerialControl fakeSerial{clock};
    harness::SimulatedDevice device{clock, fakeSerial};
    device.KeepNoDeliveries();
    device.Device().SetSpeed(1000);  // the shaft turns: every position reply is a new text
    ui::WindowModel model;
    harness::RecordingMessage recorder{clock};
    harness::FakeTimer fake1{clock, 50}, fake2{clock, 200}, fake3{clock, 5000};
    UncountedSerial serial{fakeSerial};
    UncountedWindow window{model};
    UncountedMessage message{recorder};
    UncountedTimer timer1{fake1}, timer2{fake2}, timer3{fake3};
    app::Form1 form({serial, window, message, timer1, timer2, timer3, rtu::PortNaming::Unix,
                     nullptr, [](std::string_view) {}});
    fake1.OnTick([&] {
        Counted c;
        form.Timer1_Timer();
    });
    fake2.OnTick([&] {
        Counted c;
        form.Timer2_Timer();
    });
    fake3.OnTick([&] {
        Counted c;
        form.Timer3_Timer();
    });
    const auto click = [&](Widget button) {
        Counted c;
        form.Click(button);
    };

    // The load, and one save and preset, before counting: the window model's texts take their
    // room once, and the fake port's record is cleared before each span.
    fakeSerial.AddPort("ttyUSB0");
    form.Form_Load();
    model.SetText(Widget::Combo1, "ttyUSB0");
    click(Widget::Command1);
    clock.AdvanceTo(Ms(1000));
    ASSERT_EQ(form.VersionPending(), 0);
    const auto saveAndPreset = [&] {
        click(Widget::Command3);
        clock.AdvanceBy(Ms(400));
        model.SetText(Widget::Text9, "123456");
        click(Widget::Command4);
        clock.AdvanceBy(Ms(400));
    };
    saveAndPreset();
    fakeSerial.ClearRecords();
    const std::string before = model.Text(Widget::Text10);

    logicAllocations = 0;
    clock.AdvanceBy(Ms(20'000));
    saveAndPreset();
    clock.AdvanceBy(Ms(20'000));
    saveAndPreset();
    const long counted = logicAllocations;

    // The span did what it should: polled the turning shaft, saved and preset.
    std::size_t saves = 0, presets = 0, polls = 0;
    for (const auto& f : fakeSerial.Written()) {
        saves += f.bytes.size() == 47;
        presets += f.bytes.size() == 13;
        polls += f.bytes == harness::Hex("00 03 00 15 00 02 D4 1E");
    }
    EXPECT_EQ(saves, 2u);
    EXPECT_EQ(presets, 2u);
    EXPECT_GE(polls, 190u);
    EXPECT_NE(model.Text(Widget::Text10), before);
    EXPECT_EQ(model.Text(Widget::Label18), "保存配置参数成功");
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_EQ(counted, 0) << "allocations made by the window's logic";
}

}  // namespace
