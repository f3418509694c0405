// Line faults end to end: the real program over a pseudo-terminal to the simulated transmitter
// served in this process, in real time. Noise flooding the line, a device that vanishes in the
// middle of a reply, quick open and close cycles, and a pasted text far longer than any field.
// Each takes a few seconds; waits poll with generous deadlines, so a loaded machine makes them
// slower, not red.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "RealWindowTest.h"
#include "link/TrafficTrace.h"
#include "product/Timings.h"
#include "sim/Faults.h"
#include "sim/Transmitter.h"

namespace {

using enum ui::Widget;

// CPU time this process has used, user and system, in milliseconds.
double CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

std::size_t OpenFileDescriptors() {
    const std::filesystem::path fds("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(fds),
                                                  std::filesystem::directory_iterator()));
}

// What the link made of each gathered reply, and whether the port was open when it was judged.
class VerdictLog : public rtu::TrafficTrace {
public:
    struct Judged {
        std::size_t size;
        rtu::RxVerdict verdict;
        bool portOpen;
    };

    void Tx(std::span<const std::uint8_t>) override {}
    void Rx(std::span<const std::uint8_t> bytes, rtu::RxVerdict verdict) override {
        judged.push_back({bytes.size(), verdict, open_});
    }
    void Open(std::string_view) override { open_ = true; }
    void Close() override { open_ = false; }
    void Error(std::string_view) override {}

    std::vector<Judged> judged;

private:
    bool open_ = false;
};

class LineFaults : public RealWindowTest {
protected:
    // For a window made by the test: outlives it, since the window is closed after the test.
    VerdictLog verdicts_;

    // The operator selects all of the field and pastes `text` over it.
    void Paste(ui::Widget field, const QString& text) {
        QLineEdit* edit = EditOf(field);
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        edit->insert(text);
    }

    // Moves the device's shaft to `position` and waits until the window shows it: polling works.
    bool ShowsPosition(std::uint32_t position) {
        device_.Update([&](sim::Transmitter& t) { t.SetPosition(position); });
        return WaitFor([&] { return Window().Text(Text10) == std::to_string(position); },
                       kReactionDeadlineMs);
    }
};

// Garbage floods the line for a second and a half, ten times faster than 115200 baud could carry
// it: no reply gets through, nothing breaks, and polling picks up again once it stops.
TEST_F(LineFaults, PollingRecoversAfterANoiseFlood) {
    device_.Update([](sim::Transmitter& t) { t.SetSpeed(0); });
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    ASSERT_TRUE(ShowsPosition(1000));

    std::atomic<bool> flooding{true};
    std::atomic<std::size_t> sent{0};
    std::thread flood([&] {
        std::array<std::uint8_t, 256> noise{};
        std::uint32_t x = 0x2545F491;
        while (flooding) {
            for (auto& b : noise) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                b = static_cast<std::uint8_t>(x >> 24);
            }
            sent += device_.Inject(noise);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    device_.Update([](sim::Transmitter& t) { t.SetPosition(2000); });
    QTest::qWait(1500);
    flooding = false;
    flood.join();
    RecordProperty("noise_bytes", static_cast<int>(sent.load()));
    EXPECT_GT(sent.load(), 100'000u);
    EXPECT_EQ(Window().Text(Command1), "关闭串口") << "the port stays open";

    EXPECT_TRUE(ShowsPosition(3000)) << "Text10: " << Window().Text(Text10);
    EXPECT_TRUE(messages_.shown.empty()) << messages_.Texts();
}

// The device goes away with half a reply on the line: the operator is told once, the window is
// closed, and the program does not spin on the dead port afterwards.
TEST_F(LineFaults, ADeviceVanishingMidReplyIsReportedOnceWithoutABusyLoop) {
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    // Every reply's second half comes a second after its first: within 0.5 s some first half
    // has arrived and its second half is still due.
    device_.SetFaults(sim::Faults{.split = true, .splitGapUs = 1'000'000});
    QTest::qWait(500);
    device_.Stop();
    ASSERT_TRUE(WaitFor([&] { return !messages_.shown.empty(); }, kReactionDeadlineMs));

    const double cpuBefore = CpuMs();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(1000);
    const double cpuShare = (CpuMs() - cpuBefore) / static_cast<double>(wall.elapsed());
    RecordProperty("cpu_percent_after_loss", static_cast<int>(cpuShare * 100));
    EXPECT_LT(cpuShare, 0.3) << "the program keeps a core busy after the port died";

    ASSERT_EQ(messages_.shown.size(), 1u) << messages_.Texts();
    EXPECT_EQ(messages_.shown.front().text, "串口错误\n串口设备已断开（适配器被拔出或设备掉线）");
    ExpectClosedWindow();
}

// The device keeps silent through most of the load, then answers every request in two halves
// 100 ms apart, so no reply is ever whole. While the load-failure message is up, the window's
// timers and the port's bytes go on being delivered: each half is judged alone, 50 ms after it
// came, and dropped; none reaches the reply interpreter, also not after the port has been closed.
// The gap sits halfway between the 50 ms silence and the next request, 200 ms on, and the halves
// come only from 0.8 s before the load gives up: a loaded machine that holds the window off now
// and then has few chances to join two of them.
TEST_F(LineFaults, HalvesOfASplitReplyStayApartWhileTheLoadFailureMessageIsUp) {
    application_.reset();
    app::CommandLine line;
    line.port = device_.Path();
    application_ = std::make_unique<qtwidgets::Application>(line, &verdicts_);
    application_->Start();
    device_.SetFaults(sim::Faults{.silentFor = sim::Scope::Every});
    messages_.HoldEachFor(600);

    Click(Command1);
    QTest::qWait(product::kLoadTimeoutMs - 800);
    device_.SetFaults(sim::Faults{.split = true, .splitGapUs = 100'000});
    ASSERT_TRUE(WaitFor([&] { return !messages_.shown.empty(); }, 10000));
    EXPECT_EQ(messages_.shown.front().text, "配置参数加载失败，请检查设备后重试");
    ASSERT_TRUE(
        WaitFor([&] { return Window().Text(Command1) == "打开串口"; }, kReactionDeadlineMs));
    QTest::qWait(300);

    ExpectClosedWindow();
    EXPECT_EQ(messages_.shown.size(), 1u) << messages_.Texts();
    ASSERT_FALSE(verdicts_.judged.empty());
    for (const VerdictLog::Judged& j : verdicts_.judged) {
        EXPECT_NE(j.verdict, rtu::RxVerdict::Ok)
            << j.size << " bytes judged whole, port " << (j.portOpen ? "open" : "closed");
        EXPECT_LT(j.size, 47u) << "the halves of a configuration reply were gathered as one";
    }
}

// Fifty quick open and close cycles, some ending before the first tick, some in the middle of
// the load: no message, every close leaves the closed window, no file descriptor is left
// behind, and the device still loads afterwards.
TEST_F(LineFaults, FiftyQuickOpenCloseCyclesLeaveTheWindowUsable) {
    // Counted after the first cycle: Qt opens a few descriptors of its own on first use.
    std::size_t fdsAfterFirst = 0;
    for (int cycle = 0; cycle < 50; ++cycle) {
        Click(Command1);
        ASSERT_EQ(Window().Text(Command1), "关闭串口") << "cycle " << cycle << messages_.Texts();
        QTest::qWait(cycle % 4 * 40);
        Click(Command1);
        ASSERT_NO_FATAL_FAILURE(ExpectClosedWindow()) << "cycle " << cycle;
        QTest::qWait(2);
        if (cycle == 0) {
            fdsAfterFirst = OpenFileDescriptors();
        }
    }
    QTest::qWait(100);
    EXPECT_TRUE(messages_.shown.empty()) << messages_.Texts();
    EXPECT_LE(OpenFileDescriptors(), fdsAfterFirst);
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    EXPECT_TRUE(messages_.shown.empty()) << messages_.Texts();
}

// 100 000 characters pasted into a field and into the port chooser: the save is refused on that
// field and nothing reaches the device, the open is refused with "串口错误" and a short cause,
// and the window answers at once throughout.
TEST_F(LineFaults, AHundredThousandCharacterPasteIsRefusedQuickly) {
    const QString huge = QString("1234567890").repeated(10'000);
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    const std::uint16_t resolution = device_.Register(sim::reg::kResolutionPerTurn);

    QElapsedTimer took;
    took.start();
    ASSERT_NO_FATAL_FAILURE(Paste(Text4, huge));
    Click(Command3);
    ASSERT_TRUE(WaitFor([&] { return !messages_.shown.empty(); }, kReactionDeadlineMs));
    EXPECT_EQ(messages_.shown.front().text, "参数错误：每圈分辨率");
    EXPECT_TRUE(ShowsPosition(4321)) << "polling goes on";
    EXPECT_EQ(device_.Register(sim::reg::kResolutionPerTurn), resolution);

    Click(Command1);
    ASSERT_NO_FATAL_FAILURE(Paste(Combo1, huge));
    Click(Command1);
    ASSERT_TRUE(WaitFor([&] { return messages_.shown.size() == 2; }, kReactionDeadlineMs));
    EXPECT_EQ(messages_.shown.back().text, "串口错误\n找不到该串口");
    ExpectClosedWindow();
    RecordProperty("paste_ms", static_cast<int>(took.elapsed()));
    EXPECT_LT(took.elapsed(), 10'000);

    Paste(Combo1, QString::fromStdString(device_.Path()));
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    EXPECT_EQ(messages_.shown.size(), 2u) << messages_.Texts();
}

}  // namespace
