#include "win32/ComPorts.h"

#include <windows.h>
// SetupAPI after windows.h; initguid.h makes devguid.h define the class GUIDs it declares.
#include <devguid.h>
#include <initguid.h>
#include <setupapi.h>

#include <algorithm>
#include <array>

#include "win32/Utf16.h"

namespace win32 {
namespace {

// The characters of a string the registry returned in so many bytes, up to its first NUL.
std::wstring UpToNul(const std::wstring& buffer, DWORD bytes) {
    const std::wstring_view read(buffer.data(),
                                 std::min<std::size_t>(bytes / sizeof(wchar_t), buffer.size()));
    return std::wstring(read.substr(0, read.find(L'\0')));
}

}  // namespace

std::optional<std::wstring> RegistryString(HKEY key, const wchar_t* valueName) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring buffer((bytes + sizeof(wchar_t) - 1) / sizeof(wchar_t), L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    return UpToNul(buffer, bytes);
}

std::vector<std::string> ListedComPorts() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        // A value's name comes terminated; its data is read by the name.
        std::array<wchar_t, 256> valueName{};
        DWORD nameSize = static_cast<DWORD>(valueName.size());
        const LONG result = ::RegEnumValueW(key, index, valueName.data(), &nameSize, nullptr,
                                            nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS) {
            continue;
        }
        if (const auto data = RegistryString(key, valueName.data())) {
            names.push_back(Narrow(*data));
        }
    }
    ::RegCloseKey(key);
    return names;
}

std::string FriendlyNameOf(std::string_view comName) {
    const std::wstring wanted = Widen(comName);
    HDEVINFO devices =
        ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string friendly;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; friendly.empty() && ::SetupDiEnumDeviceInfo(devices, index, &device);
         ++index) {
        // The port's name is the value PortName of the device's own registry key.
        HKEY key =
            ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const std::optional<std::wstring> portName = RegistryString(key, L"PortName");
        ::RegCloseKey(key);
        if (!portName || _wcsicmp(portName->c_str(), wanted.c_str()) != 0) {
            continue;
        }
        // Sized as SetupAPI says, and cut at the NUL as the registry's own strings are.
        DWORD bytes = 0;
        ::SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr, nullptr,
                                            0, &bytes);
        std::wstring name((bytes + sizeof(wchar_t) - 1) / sizeof(wchar_t), L'\0');
        if (!name.empty() &&
            ::SetupDiGetDeviceRegistryPropertyW(
                devices, &device, SPDRP_FRIENDLYNAME, nullptr, reinterpret_cast<BYTE*>(name.data()),
                static_cast<DWORD>(name.size() * sizeof(wchar_t)), &bytes)) {
            friendly = Narrow(UpToNul(name, bytes));
        }
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return friendly;
}

std::wstring DevicePathOf(std::string_view comName) {
    if (comName.starts_with("\\\\.\\")) {
        return Widen(comName);
    }
    return L"\\\\.\\" + Widen(comName);
}

}  // namespace win32
