#include "win32/Win32SerialControl.h"

#include <algorithm>

#include "win32/ComPorts.h"
#include "win32/PortErrors.h"
#include "win32/Utf16.h"

namespace win32 {
namespace {

BYTE ParityOf(rtu::Parity parity) {
    switch (parity) {
        case rtu::Parity::Odd:
            return ODDPARITY;
        case rtu::Parity::Even:
            return EVENPARITY;
        case rtu::Parity::None:
            break;
    }
    return NOPARITY;
}

// Binary, the line settings, no flow control of any kind; a framing error must not abort later
// I/O (fAbortOnError would fail every call with 995 until ClearCommError).
bool Configure(HANDLE port, const rtu::LineSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!::GetCommState(port, &dcb)) {
        return false;
    }
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = settings.dataBits;
    dcb.Parity = ParityOf(settings.parity);
    dcb.StopBits = settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != rtu::Parity::None;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(port, &dcb)) {
        return false;
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;  // a read returns at once with what is there
    return ::SetCommTimeouts(port, &timeouts) != 0;
}

}  // namespace

Win32SerialControl::Win32SerialControl() {
    readDone_.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    writeDone_.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    look_.OnTick([this] { Look(); });
}

Win32SerialControl::~Win32SerialControl() {
    listener_ = nullptr;
    Close();
    ::CloseHandle(readDone_.hEvent);
    ::CloseHandle(writeDone_.hEvent);
}

std::vector<std::string> Win32SerialControl::SystemPortNames() const {
    return ListedComPorts();
}

rtu::PortDetails Win32SerialControl::DetailsOf(std::string_view name) const {
    rtu::PortDetails details;
    details.path = Narrow(DevicePathOf(name));
    details.description = FriendlyNameOf(name.starts_with("\\\\.\\") ? name.substr(4) : name);
    return details;
}

rtu::SerialError Win32SerialControl::Open() {
    if (IsOpen()) {
        return rtu::SerialError::Busy;
    }
    const std::wstring path = DevicePathOf(selected_);
    HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        return OpenError(::GetLastError());
    }
    ::SetupComm(port, 4096, 4096);
    if (!Configure(port, settings_)) {
        ::CloseHandle(port);
        return rtu::SerialError::OpenFailed;
    }
    ::PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
    port_ = port;
    errorReported_ = false;
    queuedAtLastLook_ = 0;
    writing_ = false;
    look_.Start();
    return rtu::SerialError::None;
}

void Win32SerialControl::Close() {
    look_.Stop();
    if (!IsOpen()) {
        return;
    }
    ::CancelIo(port_);
    if (writing_) {
        DWORD ignored = 0;
        ::GetOverlappedResult(port_, &writeDone_, &ignored, TRUE);
        writing_ = false;
    }
    ::CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
}

void Win32SerialControl::Look() {
    if (!IsOpen() || errorReported_) {
        return;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(port_, &errors, &status)) {
        Fail(::GetLastError());
        return;
    }
    if (writing_ && HasOverlappedIoCompleted(&writeDone_) && !FinishWrite()) {
        return;
    }
    if (status.cbInQue > 0 && status.cbInQue != queuedAtLastLook_) {
        queuedAtLastLook_ = status.cbInQue;
        if (listener_ != nullptr) {
            listener_->OnBytesWaiting();
        }
    }
}

std::size_t Win32SerialControl::Read(std::span<std::uint8_t> into) {
    if (!IsOpen() || into.empty()) {
        return 0;
    }
    // Only what the queue holds is asked for, so that a read never waits: Wine lets an
    // overlapped read of an empty queue pend, whatever the timeouts say.
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(port_, &errors, &status)) {
        Fail(::GetLastError());
        return 0;
    }
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(into.size(), status.cbInQue));
    queuedAtLastLook_ = 0;
    if (wanted == 0) {
        return 0;
    }
    ::ResetEvent(readDone_.hEvent);
    DWORD count = 0;
    if (!::ReadFile(port_, into.data(), wanted, &count, &readDone_) &&
        (::GetLastError() != ERROR_IO_PENDING ||
         !::GetOverlappedResult(port_, &readDone_, &count, TRUE))) {
        Fail(::GetLastError());
        return 0;
    }
    return count;
}

void Win32SerialControl::DiscardInput() {
    if (IsOpen()) {
        ::PurgeComm(port_, PURGE_RXCLEAR);
        queuedAtLastLook_ = 0;
    }
}

void Win32SerialControl::DiscardOutput() {
    if (IsOpen()) {
        ::PurgeComm(port_, PURGE_TXCLEAR);
    }
}

bool Win32SerialControl::FinishWrite() {
    DWORD written = 0;
    writing_ = false;
    if (!::GetOverlappedResult(port_, &writeDone_, &written, TRUE)) {
        Fail(::GetLastError());
        return false;
    }
    return true;
}

bool Win32SerialControl::Write(std::span<const std::uint8_t> bytes) {
    if (!IsOpen() || bytes.size() > writeBuffer_.size()) {
        return false;
    }
    // One write under way at a time: the buffer it reads from stays put until it is done.
    if (writing_ && !FinishWrite()) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), writeBuffer_.begin());
    ::ResetEvent(writeDone_.hEvent);
    DWORD written = 0;
    if (::WriteFile(port_, writeBuffer_.data(), static_cast<DWORD>(bytes.size()), &written,
                    &writeDone_)) {
        return true;
    }
    if (::GetLastError() == ERROR_IO_PENDING) {
        writing_ = true;
        return true;
    }
    Fail(::GetLastError());
    return false;
}

void Win32SerialControl::Fail(DWORD code) {
    if (errorReported_) {
        return;
    }
    errorReported_ = true;
    look_.Stop();
    if (listener_ != nullptr) {
        listener_->OnSerialError(RunTimeError(code));
    }
}

}  // namespace win32
