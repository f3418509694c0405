#include "win32/ComPorts.h"

#include <windows.h>
// SetupAPI after windows.h; initguid.h makes devguid.h define the class GUIDs it declares.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <array>

#include "win32/Utf16.h"

namespace win32 {

std::vector<std::string> ListedComPorts() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        std::array<wchar_t, 256> valueName{};
        std::array<wchar_t, 64> data{};
        DWORD nameSize = static_cast<DWORD>(valueName.size());
        DWORD dataSize = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        const LONG result =
            ::RegEnumValueW(key, index, valueName.data(), &nameSize, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            const std::size_t length = wcsnlen(data.data(), data.size());
            names.push_back(Narrow(std::wstring_view(data.data(), length)));
        }
    }
    ::RegCloseKey(key);
    return names;
}

std::string FriendlyNameOf(std::string_view comName) {
    const std::wstring wanted = Widen(comName);
    HDEVINFO devices = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string friendly;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; friendly.empty() && ::SetupDiEnumDeviceInfo(devices, index, &device);
         ++index) {
        // The port's name is the value PortName of the device's own registry key.
        HKEY key = ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV,
                                          KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        std::array<wchar_t, 64> portName{};
        DWORD size = static_cast<DWORD>(portName.size() * sizeof(wchar_t));
        DWORD type = 0;
        const bool named = ::RegQueryValueExW(key, L"PortName", nullptr, &type,
                                              reinterpret_cast<BYTE*>(portName.data()),
                                              &size) == ERROR_SUCCESS &&
                           type == REG_SZ;
        ::RegCloseKey(key);
        if (!named || _wcsicmp(portName.data(), wanted.c_str()) != 0) {
            continue;
        }
        std::array<wchar_t, 256> name{};
        if (::SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                reinterpret_cast<BYTE*>(name.data()),
                                                static_cast<DWORD>(name.size() * sizeof(wchar_t)),
                                                nullptr)) {
            friendly = Narrow(name.data());
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
