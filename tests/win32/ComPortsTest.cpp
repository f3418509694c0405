#include "win32/ComPorts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr wchar_t kTestKey[] = L"Software\\transmitter-config-test";

class RegistryString : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(key);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
    }
    HKEY key = nullptr;
};

// The registry keeps a string as it was written, with or without its NUL; 64 characters filled
// the buffer a port's name was once read into.
TEST_F(RegistryString, ReadsAStringWithOrWithoutItsTerminatingNul) {
    struct Case {
        std::size_t length;
        bool terminated;
    };
    for (const Case c :
         {Case{4, true}, Case{4, false}, Case{0, false}, Case{64, false}, Case{300, true}}) {
        const std::wstring text(c.length, L'7');
        const auto bytes = static_cast<DWORD>((c.length + c.terminated) * sizeof(wchar_t));
        ASSERT_EQ(::RegSetValueExW(key, L"PortName", 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(text.c_str()), bytes),
                  ERROR_SUCCESS);
        EXPECT_EQ(win32::RegistryString(key, L"PortName"), text)
            << c.length << " characters, terminated: " << c.terminated;
    }
    EXPECT_EQ(win32::RegistryString(key, L"Missing"), std::nullopt);
}

}  // namespace
