#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "link/NetworkAddress.h"
#include "link/TelnetCodec.h"
#include "sim/Faults.h"
#include "sim/LineDevice.h"
#include "sim/Transmitter.h"

namespace posix {

// Serves a Transmitter in real time, on a background thread, on a pseudo-terminal (Start: a
// master opens Path(), e.g. /dev/pts/5, as its serial port) or on a TCP port as an Ethernet serial
// server does (Listen: tcp://HOST:PORT carries the bytes as they are, rfc2217://HOST:PORT speaks
// Telnet with the COM port option). The faults and registers may be changed from any thread while
// it serves. A pty or a connection carries bytes at once whatever the baud rate; the LineDevice
// keeps the line's pace, and each chunk of a reply is written in one piece when due.
//
// On TCP one client at a time is served, as a serial server's port serves one: a second one that
// connects meanwhile is closed at once, and the first keeps the device.
class LineServer {
public:
    // One line of traffic in the tool's trace format, on the monotonic clock: each request as it
    // was gathered, with its verdict ("8412.200731 rx 00 03 00 1B 00 01 F5 DC ok"), each chunk
    // written ("... tx 00 03 02 01 02 05 D5"), and a chunk that found no room ("... dropped ...").
    // Called on the serving thread.
    using LogSink = std::function<void(std::string_view line)>;

    LineServer() = default;
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    // Call before Start.
    void SetLog(LogSink log) { log_ = std::move(log); }
    // Serves `peer` (a replayed trace) instead of the simulated transmitter. Call before Start.
    void SetPeer(std::unique_ptr<sim::LinePeer> peer);

    // Creates the pseudo-terminal (raw, 115200 8N1) and starts serving. Throws std::system_error
    // when no pseudo-terminal can be had.
    void Start();
    // Listens on `address` and starts serving; port 0 takes a free one, which Path() then names
    // (tcp://127.0.0.1:40123). Throws std::system_error when the address cannot be had.
    void Listen(const rtu::NetworkAddress& address);
    // Stops serving and removes the pseudo-terminal. Safe to call twice.
    void Stop();
    const std::string& Path() const { return path_; }

    // Runs `change` on the device, at the current time, under the lock.
    void Update(const std::function<void(sim::Transmitter&)>& change);
    void SetFaults(const sim::Faults& faults);
    void SetRegister(std::size_t index, std::uint16_t value);
    std::uint16_t Register(std::size_t index);
    // Puts bytes on the line towards the master at once, outside any reply, as line noise does.
    // Returns how many the pseudo-terminal took (fewer when the master does not read).
    std::size_t Inject(std::span<const std::uint8_t> bytes);

private:
    void Serve();
    std::size_t WriteToMaster(std::span<const std::uint8_t> bytes);
    void StartServing();
    // A client connects: taken when none is served, else closed at once.
    void Accept();
    // Reads what the line holds and hands it to the peer; false when a client went away.
    bool ReadLine();
    void DropClient();
    // Hands the lines logged under the lock to the sink, outside it.
    void FlushLog();
    std::int64_t NowUs() const;

    std::mutex mutex_;
    sim::LineDevice line_;                   // guarded by mutex_
    std::unique_ptr<sim::LinePeer> replay_;  // guarded by mutex_
    sim::LinePeer* peer_ = &line_;           // what is served: line_ or replay_
    std::vector<std::string> logLines_;      // guarded by mutex_

    LogSink log_;
    std::string path_;
    int masterFd_ = -1;
    int slaveFd_ = -1;  // held open so that the master side never sees a hang-up
    int listenFd_ = -1;
    std::atomic<int> clientFd_ = -1;  // the line on TCP: written by the serving thread only
    bool telnet_ = false;
    rtu::TelnetCodec codec_{rtu::TelnetCodec::Role::Server};  // serving thread only
    std::array<int, 2> wakePipe_{-1, -1};
    std::thread thread_;
    std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();
};

}  // namespace posix
