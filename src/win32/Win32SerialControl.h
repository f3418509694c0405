#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/SerialControl.h"
#include "win32/WaitableTimer.h"

namespace win32 {

// The serial control on Win32: every port opened as \\.\COMn with overlapped I/O, raw bytes both
// ways at the line settings given, no flow control. Reads never wait: with ReadIntervalTimeout
// MAXDWORD a read returns what is there at once, and a 1 ms timer looks at the input queue while
// the port is open (WaitCommEvent wakes with nothing waiting under Wine and fails with 995 on
// some drivers). "Bytes waiting" is raised when new bytes have come since the last look.
class Win32SerialControl : public rtu::SerialControl {
public:
    Win32SerialControl();
    ~Win32SerialControl() override;
    Win32SerialControl(const Win32SerialControl&) = delete;
    Win32SerialControl& operator=(const Win32SerialControl&) = delete;

    void SetListener(rtu::SerialListener* listener) override { listener_ = listener; }
    std::vector<std::string> SystemPortNames() const override;
    rtu::PortDetails DetailsOf(std::string_view name) const override;
    void SelectPort(std::string_view name) override { selected_ = name; }
    void SetLineSettings(const rtu::LineSettings& settings) override { settings_ = settings; }
    rtu::SerialError Open() override;
    bool IsOpen() const override { return port_ != INVALID_HANDLE_VALUE; }
    void Close() override;
    std::size_t Read(std::span<std::uint8_t> into) override;
    void DiscardInput() override;
    void DiscardOutput() override;
    bool Write(std::span<const std::uint8_t> bytes) override;

private:
    // The input queue's look, every millisecond while open.
    void Look();
    // Any failure of I/O on the open port: reported once per open, the port left to the listener.
    void Fail(DWORD code);
    // Waits for the write under way, if any; false when it failed.
    bool FinishWrite();

    HANDLE port_ = INVALID_HANDLE_VALUE;
    std::string selected_;
    rtu::LineSettings settings_ = rtu::kLineSettings;
    rtu::SerialListener* listener_ = nullptr;
    WaitableTimer look_{1};
    DWORD queuedAtLastLook_ = 0;
    bool errorReported_ = false;

    OVERLAPPED readDone_{};
    OVERLAPPED writeDone_{};
    bool writing_ = false;
    std::array<std::uint8_t, 512> writeBuffer_{};
};

}  // namespace win32
