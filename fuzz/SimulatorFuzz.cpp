// The simulated transmitter's request framing and its replies. The input is a fault setting and
// then bytes as they reach the device, in bursts with gaps of time between them. Whatever comes:
// the framer hands over frames of 1..256 bytes and keeps nothing past its capacity; the device
// lays out no more than its reply can hold; and a device without faults answers only requests
// that are whole and meant for it, with a frame whose checksum is right, from its own address,
// of the function asked, carrying what it was asked for; a write it acknowledges is stored.
#include <cstdio>
#include <cstdlib>

#include "Script.h"
#include "link/Crc16.h"
#include "sim/Faults.h"
#include "sim/RequestFramer.h"
#include "sim/Transmitter.h"

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

std::uint16_t Word(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

// Checks what a healthy device said to `request`; `address` is its address when it heard it.
void CheckAnswer(std::span<const std::uint8_t> request, std::uint16_t address,
                 const sim::Reply& reply, const sim::Transmitter& device) {
    if (reply.Empty()) {
        return;
    }
    if (reply.ChunkCount() != 1) {
        Broken("a healthy device sends its reply in one piece");
    }
    const auto answer = reply.Bytes(0);
    if (!rtu::HasRightChecksum(request) || (request[0] != 0 && request[0] != (address & 0xFF))) {
        Broken("the device answered a request with a wrong checksum or for another address");
    }
    if (answer.size() < 5 || !rtu::HasRightChecksum(answer) || answer[0] != request[0]) {
        Broken("the reply is not a sealed frame from the address asked");
    }
    if (answer[1] == (request[1] | 0x80)) {
        if (answer.size() != 5) {
            Broken("an exception reply is five bytes");
        }
        return;
    }
    if (answer[1] != request[1]) {
        Broken("the reply carries another function");
    }
    const std::size_t start = Word(request, 2);
    const std::size_t count = Word(request, 4);
    if (request[1] == 0x03) {
        if (answer[2] != 2 * count || answer.size() != 5 + 2 * count || start + count > 28) {
            Broken("a read reply does not carry the registers asked for");
        }
        return;
    }
    if (answer.size() != 8 || !std::equal(answer.begin(), answer.begin() + 6, request.begin())) {
        Broken("a write reply does not repeat the request's header");
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (start + i < sim::reg::kCurrentPosition &&
            device.Register(start + i) != Word(request, 7 + 2 * i)) {
            Broken("an acknowledged write was not stored");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Script script(data, size);
    const std::uint8_t switches = script.Byte();
    sim::Faults faults;
    if (switches & 0x80) {
        faults.responseDelayUs = script.Byte() * 1000;
        faults.exceptionFor = static_cast<sim::Scope>(script.Byte() % 7);
        faults.corruptEvery = script.Byte() % 4;
        faults.split = (switches & 1) != 0;
        faults.splitGapUs = 60'000;
        faults.glue = (switches & 2) != 0;
        faults.noiseBytes = script.Byte() % 80;
    }
    const bool healthy = (switches & 0x80) == 0;

    sim::Transmitter device;
    device.SetFaults(faults);
    sim::RequestFramer framer(1750);
    sim::Reply reply;
    std::int64_t now = 0;
    auto take = [&] {
        while (const auto frame = framer.Next(now)) {
            if (frame->empty() || frame->size() > sim::RequestFramer::kCapacity) {
                Broken("the framer handed over an empty or oversized frame");
            }
            const std::uint16_t address = device.Register(sim::reg::kCommAddress);
            device.Handle(*frame, now, reply);
            if (healthy) {
                CheckAnswer(*frame, address, reply, device);
            }
        }
    };
    while (!script.Done()) {
        now += script.Byte() * 100;  // 0..25.5 ms between bursts
        take();
        framer.Push(script.Bytes(1 + script.Byte() % 64), now);
        take();
    }
    now += 1'000'000;
    take();
    return 0;
}
