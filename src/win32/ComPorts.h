#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

// The COM ports the system lists now (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM), e.g. "COM3".
std::vector<std::string> ListedComPorts();

// The adapter's friendly name as Device Manager shows it, e.g. "USB-SERIAL CH340 (COM5)";
// empty when the system does not know the port.
std::string FriendlyNameOf(std::string_view comName);

// A REG_SZ value of an open key, up to its first NUL: the registry keeps a string as it was
// written, terminating NUL or not. Nothing when the key has no such value.
std::optional<std::wstring> RegistryString(HKEY key, const wchar_t* valueName);

// The path that opens the port: \\.\COMn, which every COM number needs from COM10 on.
std::wstring DevicePathOf(std::string_view comName);

}  // namespace win32
