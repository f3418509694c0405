// The window's logic as a whole, on the display-less window with the fake serial control in
// virtual time. The input is a script of events: bytes on the line (raw, or a known reply with
// one byte changed and the checksum made right again), time passing (Timer1, Timer2 and Timer3
// fire as they fall due), clicks, typing, picking list items, port errors, refused writes and an
// operator slow to dismiss a message. Every invariant of harness::WindowInvariants is checked
// after every event; a broken one aborts with its description.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "Script.h"
#include "harness/Rig.h"
#include "harness/WindowInvariants.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Ms;
using ui::Widget;

// Replies the device gives: its factory configuration with preset 100000, both status results,
// a position of 123456, version 0x0102, the two write acknowledgements and an exception.
const Bytes kReplies[] = {
    Hex("00 03 2A 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC 00 00 00 00 10 00 "
        "00 00 10 00 00 00 10 00 00 00 00 00 00 01 86 A0 A6 21"),
    Hex("00 03 06 00 00 00 01 00 00 7D 25"),
    Hex("00 03 06 00 00 00 00 00 00 2C E5"),
    Hex("00 03 04 00 01 E2 40 F2 63"),
    Hex("00 03 02 01 02 05 D5"),
    Hex("00 10 00 00 00 13 80 15"),
    Hex("00 10 00 13 00 02 B1 DC"),
    Hex("00 83 02 91 31"),
};

constexpr Widget kTypable[] = {
    Widget::Text1,  Widget::Text2,  Widget::Text3,  Widget::Text4,  Widget::Text5,  Widget::Text6,
    Widget::Text7,  Widget::Text8,  Widget::Text9,  Widget::Text10, Widget::Combo1, Widget::Combo2,
    Widget::Combo3, Widget::Combo4, Widget::Combo5, Widget::Combo6, Widget::Combo7, Widget::Combo8,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Script script(data, size);
    harness::Rig rig;
    harness::WindowInvariants invariants(rig);
    rig.serial.AddPort("ttyUSB0");
    rig.form.Form_Load();

    for (std::size_t event = 0; !script.Done(); ++event) {
        const std::uint8_t op = script.Byte();
        switch (op % 9) {
            case 0:
                rig.serial.Deliver(script.Bytes(1 + script.Byte() % 96));
                break;
            case 1: {
                // Up to 200 ms in steps of 1 ms, or up to 5.5 s in steps of 100 ms.
                const int b = script.Byte();
                rig.clock.AdvanceBy(Ms(b < 200 ? b + 1 : (b - 199) * 100));
                break;
            }
            case 2:
                invariants.Click(
                    static_cast<Widget>(static_cast<int>(Widget::Command1) + script.Byte() % 5));
                break;
            case 3: {
                const Widget field = kTypable[script.Byte() % std::size(kTypable)];
                const auto text = script.Bytes(script.Byte() % 24);
                rig.window.Type(field, std::string_view(reinterpret_cast<const char*>(text.data()),
                                                        text.size()));
                break;
            }
            case 4: {
                const auto list =
                    static_cast<Widget>(static_cast<int>(Widget::Combo1) + script.Byte() % 8);
                rig.window.Pick(list, script.Byte() % 8 - 1);
                break;
            }
            case 5:
                rig.serial.RaiseError(static_cast<rtu::SerialError>(script.Byte() % 9));
                break;
            case 6:
                rig.serial.FailWrites(script.Byte() % 4 == 0);
                break;
            case 7: {
                Bytes reply = kReplies[script.Byte() % std::size(kReplies)];
                const std::size_t at = script.Byte();
                const std::uint8_t value = script.Byte();
                reply.resize(reply.size() - 2);
                if (at < reply.size()) {
                    reply[at] = value;
                }
                rig.serial.Deliver(harness::Sealed(reply));
                break;
            }
            case 8:
                rig.message.SetReadingTime(Ms(script.Byte() * 50));
                break;
        }
        if (const std::string broken = invariants.Check(); !broken.empty()) {
            std::fprintf(stderr, "invariant broken at event %zu (op %u): %s\n", event, op,
                         broken.c_str());
            std::abort();
        }
    }
    return 0;
}
