#include "link/PortName.h"

#include <algorithm>
#include <cctype>

#include "link/NetworkAddress.h"

namespace rtu {
namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A port number as the Windows serial driver takes it: 1 to 255, decimal digits only.
std::optional<int> PortNumber(std::string_view digits) {
    digits = Trim(digits);
    if (digits.empty() || digits.size() > 5) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : digits) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 255) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::string> PortToOpen(std::string_view chooserText, PortNaming naming) {
    if (IsNetworkPortName(Trim(chooserText))) {
        return std::string(Trim(chooserText));
    }
    if (naming == PortNaming::Windows) {
        // The device namespace's prefix, as in \\.\COM12, is the same port.
        if (constexpr std::string_view device = "\\\\.\\"; chooserText.starts_with(device)) {
            chooserText.remove_prefix(device.size());
        }
        // The first three characters are not looked at; only the number after them counts.
        if (chooserText.size() < 3) {
            return std::nullopt;
        }
        const auto number = PortNumber(chooserText.substr(3));
        if (!number) {
            return std::nullopt;
        }
        return "COM" + std::to_string(*number);
    }
    const std::string_view name = Trim(chooserText);
    if (name.empty()) {
        return std::nullopt;
    }
    return std::string(name);
}

bool NaturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::size_t startA = i;
            const std::size_t startB = j;
            while (i < a.size() && IsDigit(a[i])) {
                ++i;
            }
            while (j < b.size() && IsDigit(b[j])) {
                ++j;
            }
            std::string_view numA = a.substr(startA, i - startA);
            std::string_view numB = b.substr(startB, j - startB);
            while (numA.size() > 1 && numA.front() == '0') {
                numA.remove_prefix(1);
            }
            while (numB.size() > 1 && numB.front() == '0') {
                numB.remove_prefix(1);
            }
            if (numA.size() != numB.size()) {
                return numA.size() < numB.size();
            }
            if (numA != numB) {
                return numA < numB;
            }
        } else {
            if (a[i] != b[j]) {
                return a[i] < b[j];
            }
            ++i;
            ++j;
        }
    }
    return (a.size() - i) < (b.size() - j);
}

std::vector<std::string> PortCandidates(PortNaming naming, std::vector<std::string> systemNames) {
    if (naming == PortNaming::Windows) {
        // COM1 to COM20 by number; then the higher-numbered ports the system lists, which USB
        // adapters often get.
        std::vector<std::string> names;
        for (int n = 1; n <= 20; ++n) {
            names.push_back("COM" + std::to_string(n));
        }
        std::vector<int> higher;
        for (const std::string& name : systemNames) {
            const auto number =
                name.size() > 3 && (name.starts_with("COM") || name.starts_with("com"))
                    ? PortNumber(std::string_view(name).substr(3))
                    : std::nullopt;
            if (number && *number > 20) {
                higher.push_back(*number);
            }
        }
        std::sort(higher.begin(), higher.end());
        higher.erase(std::unique(higher.begin(), higher.end()), higher.end());
        for (int n : higher) {
            names.push_back("COM" + std::to_string(n));
        }
        return names;
    }
    std::sort(systemNames.begin(), systemNames.end(),
              [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    systemNames.erase(std::unique(systemNames.begin(), systemNames.end()), systemNames.end());
    return systemNames;
}

}  // namespace rtu
