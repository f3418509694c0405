#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "cli/Wait.h"
#include "link/FrameTable.h"
#include "link/ReplyFramer.h"
#include "link/SerialControl.h"
#include "link/TrafficTrace.h"
#include "seams/Timer.h"

namespace cli {

struct LinkSettings {
    std::uint8_t address = 0;  // the slave address the requests go to
    int timeoutMs = 500;       // per attempt, from the request to its accepted reply
    int retries = 2;           // further attempts after one without an answer
};

enum class Outcome : std::uint8_t {
    Answered,
    Exception,    // the device refused the request; ExceptionCode() says why
    NoAnswer,     // silence in every attempt (an adapter's echo alone counts as silence)
    Garbled,      // bytes came back, but no valid answer; GarbleSeen() says what came
    PortFailed,   // the port refused the request or failed while waiting; PortError() says how
    Interrupted,  // the operator stopped the tool
};

// What came back to a request that got bytes but no answer, the last such in its attempts.
enum class Garble : std::uint8_t {
    None,
    Checksum,   // a reply with a wrong checksum
    Short,      // fewer than five bytes
    Unfitting,  // a valid frame that does not answer the request (another function, length, slave)
};

// One request at a time, and its answer, over the window's link: the request goes out with
// SendFrame, replies are framed by 50 ms of silence (Timer1), rid of an echoing adapter's echo
// and accepted by their checksum, as in the window. Unlike the window, it pairs the reply with its
// request: a reply counts as the answer only when it comes from the addressed slave with the
// request's function and the length that function gives (a read: 5 bytes plus two per register; a
// write: 8 bytes naming the same registers; an exception: 5 bytes). Anything else is passed over
// and the wait goes on; when no answer comes, what was passed over tells a garbled reply from
// silence.
class Exchange : public rtu::ReplyHandler, public rtu::SerialListener, rtu::TrafficTrace {
public:
    // `trace`, when given, hears every frame sent and every reply gathered, as in the window.
    Exchange(rtu::SerialControl& serial, seams::Timer& timer1, Wait& wait, const LinkSettings& link,
             rtu::TrafficTrace* trace = nullptr);

    // Timer1's tick: the 50 ms of silence after a reply have passed.
    void Timer1_Timer() { framer_.Timer1_Timer(); }

    // Sends a request of the window's frame table (built for address 0), readdressed to the
    // configured slave, and waits up to the timeout for its answer; resends after an attempt
    // without one, up to the configured retries.
    Outcome Ask(std::span<const std::uint8_t> request);

    // The answer of the last Ask that was answered, from byte 0.
    const rtu::RxBufferBytes& Answer() const { return answer_; }
    std::uint8_t ExceptionCode() const { return answer_[2]; }
    rtu::SerialError PortError() const { return portError_; }
    // What came back instead of an answer, after an Ask that gave Garbled.
    cli::Garble GarbleSeen() const { return garble_; }
    const LinkSettings& Settings() const { return link_; }

    void HandleReply(const rtu::RxBufferBytes& rxBuffer) override;
    void OnBytesWaiting() override { framer_.MSComm1_OnComm(); }
    void OnSerialError(rtu::SerialError error) override;

private:
    // The framer's trace: every verdict is heard here, then handed on to the program's trace.
    void Tx(std::span<const std::uint8_t> frame) override;
    void Rx(std::span<const std::uint8_t> bytes, rtu::RxVerdict verdict) override;
    void Open(std::string_view port) override;
    void Close() override;
    void Error(std::string_view text) override;

    enum class Waiting : std::uint8_t { Nothing, Reply, Answered, Exception };

    rtu::SerialControl& serial_;
    Wait& wait_;
    rtu::TrafficTrace* trace_;
    LinkSettings link_;
    rtu::ReplyFramer framer_;
    std::array<std::uint8_t, rtu::kSaveConfigFrameLength> request_{};
    std::size_t requestLength_ = 0;
    Waiting waiting_ = Waiting::Nothing;
    rtu::RxBufferBytes answer_{};
    rtu::SerialError portError_ = rtu::SerialError::None;
    cli::Garble garble_ = cli::Garble::None;
};

}  // namespace cli
