// A long connection in virtual time: the window's logic against the simulated transmitter while
// line faults come and go at random, and an operator clicks, types, picks, closes and reopens.
// After every event the invariants of harness::WindowInvariants hold, and every write the device
// receives is the one the operator's last accepted save or preset armed, byte for byte.
//
// What the window promises to deliver: an armed save or preset goes out once, on the next
// Timer2 tick, if it is still the pending intention then. A second command, a status or version
// reply, an exception in state 7 or 9, or a position reply while the version is unread may
// replace it first, and a close drops it; none of those is a loss. So the soak checks that every
// tick that finds a write armed sends exactly that frame, that the device receives it and, when
// it acknowledges it, stores it, and that an armed write never waits longer than one tick.
//
// SOAK_HOURS (default 1) and SOAK_SEED (default: a fresh one) choose the run; the seed is printed
// and a failure names it, so `SOAK_SEED=... SOAK_HOURS=...` reproduces it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <random>
#include <string>

#include "harness/Rig.h"
#include "harness/SimulatedDevice.h"
#include "harness/WindowInvariants.h"
#include "sim/Faults.h"
#include "sim/Transmitter.h"

namespace {

using harness::Bytes;
using harness::Micros;
using harness::Ms;
using ui::Widget;
using Rng = std::mt19937_64;

int Uniform(Rng& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

sim::Scope AnyScope(Rng& rng) {
    return static_cast<sim::Scope>(Uniform(rng, 1, 6));
}

// One kind of fault: what switching it on does to the device's fault switches (applied anew on
// every change, from the rows that are on) or to its registers. A row is one line.
struct FaultRow {
    const char* name;
    void (*on)(sim::Faults&, Rng&);
    void (*stored)(sim::Transmitter&, Rng&, bool on);  // for values held in registers
};

void NoSwitch(sim::Faults&, Rng&) {}

const FaultRow kFaults[] = {
    {"late reply beyond the tick",
     [](sim::Faults& f, Rng& r) { f.responseDelayUs = Ms(Uniform(r, 150, 450)); }, nullptr},
    {"silence", [](sim::Faults& f, Rng& r) { f.silentFor = AnyScope(r); }, nullptr},
    {"exception",
     [](sim::Faults& f, Rng& r) {
         f.exceptionFor = AnyScope(r);
         f.exceptionCode = static_cast<std::uint8_t>(Uniform(r, 1, 11));
     },
     nullptr},
    {"corrupted reply",
     [](sim::Faults& f, Rng& r) { f.corruptEvery = static_cast<std::uint32_t>(Uniform(r, 1, 4)); },
     nullptr},
    {"split reply",
     [](sim::Faults& f, Rng& r) {
         f.split = true;
         f.splitGapUs = Ms(Uniform(r, 1, 80));  // under and over the 50 ms
     },
     nullptr},
    {"glued reply", [](sim::Faults& f, Rng&) { f.glue = true; }, nullptr},
    {"echoed request", [](sim::Faults& f, Rng&) { f.echo = true; }, nullptr},
    {"noise",
     [](sim::Faults& f, Rng& r) {
         f.noiseBytes = static_cast<std::size_t>(Uniform(r, 1, 64));
         f.noiseGapUs = Ms(Uniform(r, 0, 150));
     },
     nullptr},
    {"out-of-range value", NoSwitch,
     [](sim::Transmitter& t, Rng& r, bool on) {
         if (!on) {
             t.SetRegister(sim::reg::kProtocol, 0);
             t.SetRegister(sim::reg::kGearSelection, 0);
             t.SetRegister(sim::reg::kCycleValue, 0);
             t.SetPosition(static_cast<std::uint32_t>(Uniform(r, 0, 100000)));
             return;
         }
         switch (Uniform(r, 0, 3)) {
             case 0:
                 t.SetRegister(sim::reg::kCurrentPosition, 0x8000);
                 break;
             case 1:
                 t.SetRegister(sim::reg::kProtocol, 6);
                 break;
             case 2:
                 t.SetRegister(sim::reg::kGearSelection, 2);
                 break;
             default:
                 t.SetRegister(sim::reg::kCycleValue, 0x9000);
                 break;
         }
     }},
};
constexpr std::size_t kFaultKinds = std::size(kFaults);

// Texts an operator might leave in a field: good values, values out of range, and rubbish.
std::string AnyText(Rng& rng) {
    switch (Uniform(rng, 0, 19)) {
        case 0:
            return std::to_string(Uniform(rng, 65536, 2147483647));
        case 1:
            return "-" + std::to_string(Uniform(rng, 1, 1000));
        case 2: {
            static const std::array<const char*, 8> kRubbish{"",    "abc",  " 12 ",       "+7",
                                                             "1e3", "12.5", "2147483648", "0x10"};
            return kRubbish[static_cast<std::size_t>(Uniform(rng, 0, 7))];
        }
        case 3:
            return std::string(static_cast<std::size_t>(Uniform(rng, 100, 2000)), '9');
        default:
            return std::to_string(Uniform(rng, 0, 65535));
    }
}

class Soak {
public:
    Soak(std::uint64_t seed) : rng_(seed), invariants_(rig_) {
        device_.KeepNoDeliveries();
        device_.Device().SetSpeed(static_cast<std::uint32_t>(Uniform(rng_, 0, 2000)));
        device_.OnRequest([this](std::span<const std::uint8_t> frame) { Received(frame); });
        rig_.timer2.OnTick([this] { Tick(); });
        rig_.LoadAndOpen();
    }

    // Runs until `until`; returns the first broken rule, empty when none.
    std::string Run(Micros until) {
        while (broken_.empty() && rig_.clock.Now() < until) {
            Event();
            ++events_;
            if (std::string b = invariants_.Check(); !b.empty()) {
                Fail(b);
            }
            CheckArmedWritesGoOut();
            if (!rig_.message.IsUp()) {
                rig_.message.ClearMessages();
            }
        }
        return broken_;
    }

    std::string Summary() const {
        std::string text = std::to_string(events_) + " events, " +
                           std::to_string(invariants_.FramesChecked()) + " frames checked, " +
                           std::to_string(writesReceived_) + " writes received, " +
                           std::to_string(opens_) + " reopenings; faults switched on:";
        for (std::size_t i = 0; i < kFaultKinds; ++i) {
            text += std::string(" ") + kFaults[i].name + " " + std::to_string(switchedOn_[i]) + ",";
        }
        return text;
    }

private:
    struct InFlight {
        Bytes bytes;
        Micros sentAt;
    };

    void Fail(const std::string& what) {
        if (broken_.empty()) {
            broken_ = "at " + std::to_string(rig_.clock.Now()) + " us, event " +
                      std::to_string(events_) + ": " + what;
        }
    }

    void Event() {
        // An operator whose port is closed opens it again soon.
        if (!rig_.serial.IsOpen() && Uniform(rng_, 0, 19) == 0) {
            ClickOpenClose();
            return;
        }
        const int pick = Uniform(rng_, 0, 999);
        if (pick < 600) {
            rig_.clock.AdvanceBy(Ms(Uniform(rng_, 1, 400)));
        } else if (pick < 640) {
            SwitchFault();
        } else if (pick < 760) {
            const Widget field =
                static_cast<Widget>(static_cast<int>(Widget::Text1) + Uniform(rng_, 0, 8));
            rig_.window.Type(field, AnyText(rng_));
        } else if (pick < 860) {
            const Widget list =
                static_cast<Widget>(static_cast<int>(Widget::Combo2) + Uniform(rng_, 0, 6));
            rig_.window.Pick(list, Uniform(rng_, 0, 5));
        } else if (pick < 990) {
            Click(static_cast<Widget>(static_cast<int>(Widget::Command2) + Uniform(rng_, 0, 2)));
        } else if (pick < 995) {
            rig_.message.SetReadingTime(Ms(Uniform(rng_, 0, 12000)));
        } else {
            ClickOpenClose();
        }
    }

    void ClickOpenClose() {
        if (Uniform(rng_, 0, 9) == 0) {
            rig_.window.Type(Widget::Combo1, AnyText(rng_));  // a port that is not there
        } else {
            rig_.window.Type(Widget::Combo1, "ttyUSB0");
        }
        Click(Widget::Command1);
    }

    void Click(Widget button) {
        const bool wasOpen = rig_.serial.IsOpen();
        if (invariants_.Click(button)) {
            armedAt_ = rig_.clock.Now();
        }
        if (!wasOpen && rig_.serial.IsOpen()) {
            ++opens_;
        }
        if (!rig_.serial.IsOpen()) {
            armedAt_.reset();  // a close drops an armed write
        }
    }

    void SwitchFault() {
        const auto kind = static_cast<std::size_t>(Uniform(rng_, 0, kFaultKinds - 1));
        on_[kind] = !on_[kind];
        switchedOn_[kind] += on_[kind] ? 1 : 0;
        if (kFaults[kind].stored) {
            kFaults[kind].stored(device_.Device(), rng_, on_[kind]);
        }
        sim::Faults faults;
        for (std::size_t i = 0; i < kFaultKinds; ++i) {
            if (on_[i]) {
                kFaults[i].on(faults, rng_);
            }
        }
        device_.Device().SetFaults(faults);
    }

    // Timer2's tick, watched: a tick that finds a write armed sends exactly that frame, and no
    // other tick sends a write.
    void Tick() {
        const std::uint8_t state = rig_.form.PollState();
        const std::size_t before = rig_.serial.Written().size();
        rig_.form.Timer2_Timer();
        const auto& written = rig_.serial.Written();
        const bool armed = state == 4 || state == 5;
        if (armed) {
            armedAt_.reset();
        }
        for (std::size_t i = before; i < written.size(); ++i) {
            if (written[i].bytes.size() > 1 &&
                written[i].bytes[1] == rtu::kWriteMultipleRegisters && !armed) {
                Fail("a write went out on a tick in state " + std::to_string(state));
            }
        }
        if (!armed || !rig_.serial.IsOpen()) {
            return;  // a refused write has closed the port, which drops it
        }
        if (written.size() != before + 1) {
            Fail("a tick in state " + std::to_string(state) + " did not send its write");
            return;
        }
        const Bytes expected =
            state == 4
                ? Bytes(invariants_.ArmedSave()->begin(), invariants_.ArmedSave()->end())
                : Bytes(invariants_.ArmedPreset()->begin(), invariants_.ArmedPreset()->end());
        if (written.back().bytes != expected) {
            Fail("a tick sent another write than the one armed");
        }
        inFlight_.push_back({written.back().bytes, rig_.clock.Now()});
    }

    // The device takes a request off the line.
    void Received(std::span<const std::uint8_t> frame) {
        if (frame.size() < 2 || frame[1] != rtu::kWriteMultipleRegisters) {
            return;
        }
        ++writesReceived_;
        if (inFlight_.empty() ||
            !std::equal(frame.begin(), frame.end(), inFlight_.front().bytes.begin(),
                        inFlight_.front().bytes.end())) {
            Fail("the device received a write nobody asked for");
            return;
        }
        inFlight_.pop_front();
        const sim::Faults& faults = device_.Device().GetFaults();
        if (sim::Covers(faults.silentFor, sim::RequestKind::Write) ||
            sim::Covers(faults.exceptionFor, sim::RequestKind::Write)) {
            return;  // refused or ignored: the device changes nothing
        }
        const std::size_t first = frame[3];
        for (std::size_t i = 0; i < frame[5]; ++i) {
            const auto value = static_cast<std::uint16_t>(frame[7 + 2 * i] << 8 | frame[8 + 2 * i]);
            if (device_.Device().Register(first + i) != value) {
                Fail("the device acknowledged a write it did not store, register " +
                     std::to_string(first + i));
            }
        }
    }

    void CheckArmedWritesGoOut() {
        const Micros now = rig_.clock.Now();
        // 47 bytes at 115200 baud take about 4.1 ms to reach the device.
        if (!inFlight_.empty() && now - inFlight_.front().sentAt > Ms(50)) {
            Fail("a write sent never reached the device");
        }
        const std::uint8_t state = rig_.form.PollState();
        if (armedAt_ && (state == 4 || state == 5) && now - *armedAt_ > Ms(201)) {
            Fail("an armed write waited longer than one tick");
        }
    }

    Rng rng_;
    harness::Rig rig_;
    harness::SimulatedDevice device_{rig_.clock, rig_.serial};
    harness::WindowInvariants invariants_;
    std::array<bool, kFaultKinds> on_{};
    std::array<std::uint64_t, kFaultKinds> switchedOn_{};
    std::deque<InFlight> inFlight_;
    std::optional<Micros> armedAt_;
    std::uint64_t events_ = 0;
    std::uint64_t writesReceived_ = 0;
    std::uint64_t opens_ = 0;
    std::string broken_;
};

std::uint64_t SeedFromEnvironment() {
    if (const char* text = std::getenv("SOAK_SEED")) {
        return std::strtoull(text, nullptr, 0);
    }
    return std::random_device{}() ^ (static_cast<std::uint64_t>(std::random_device{}()) << 32);
}

TEST(Soak, FaultsOperatorAndReopeningInVirtualTime) {
    const char* hoursText = std::getenv("SOAK_HOURS");
    const double hours = hoursText ? std::strtod(hoursText, nullptr) : 1.0;
    const std::uint64_t seed = SeedFromEnvironment();
    std::fprintf(stderr, "soak: SOAK_SEED=%llu SOAK_HOURS=%g\n",
                 static_cast<unsigned long long>(seed), hours);
    RecordProperty("seed", std::to_string(seed));

    Soak soak(seed);
    const std::string broken = soak.Run(static_cast<Micros>(hours * 3600.0 * 1e6));
    std::fprintf(stderr, "soak: %s\n", soak.Summary().c_str());
    EXPECT_TRUE(broken.empty()) << broken << "\nreproduce with SOAK_SEED=" << seed
                                << " SOAK_HOURS=" << hours;
}

}  // namespace
