#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace rtu {

// Short names for ports whose device path is long or changes from run to run, such as the
// pseudo-terminal of the built-in simulated transmitter ("SIM1" for /dev/pts/5). The serial
// control resolves them; a name that is no alias stands for itself. Names match without regard
// to letter case.
class PortAliases {
public:
    static constexpr std::size_t kCapacity = 4;

    struct Alias {
        std::string name;
        std::string path;
        std::string description;  // shown in the port chooser's tooltip
    };

    // Adds or replaces an alias. False when the table is full or a name or path is empty.
    bool Add(std::string_view name, std::string_view path, std::string_view description);
    // The alias by that name, or nullptr.
    const Alias* Find(std::string_view name) const;
    // The path the name stands for: the alias's path, or the name itself.
    std::string_view Resolve(std::string_view name) const;

private:
    std::array<Alias, kCapacity> aliases_{};
    std::size_t count_ = 0;
};

}  // namespace rtu
