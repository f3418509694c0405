#include "link/PortAliases.h"

#include <algorithm>
#include <cctype>

namespace rtu {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

bool PortAliases::Add(std::string_view name, std::string_view path, std::string_view description) {
    if (name.empty() || path.empty()) {
        return false;
    }
    Alias* slot = nullptr;
    for (std::size_t i = 0; i < count_; ++i) {
        if (SameName(aliases_[i].name, name)) {
            slot = &aliases_[i];
        }
    }
    if (slot == nullptr) {
        if (count_ == kCapacity) {
            return false;
        }
        slot = &aliases_[count_++];
    }
    *slot = Alias{std::string(name), std::string(path), std::string(description)};
    return true;
}

const PortAliases::Alias* PortAliases::Find(std::string_view name) const {
    for (std::size_t i = 0; i < count_; ++i) {
        if (SameName(aliases_[i].name, name)) {
            return &aliases_[i];
        }
    }
    return nullptr;
}

std::string_view PortAliases::Resolve(std::string_view name) const {
    const Alias* alias = Find(name);
    return alias != nullptr ? std::string_view(alias->path) : name;
}

}  // namespace rtu
