// transmitter-cli's input: a JSON file and KEY=VALUE pairs, as an operator or a script gives them.
// Whatever is accepted lies within the register's limits, and a configuration that was accepted
// comes back unchanged through the JSON that read prints. The same lines, taken as a command line,
// are parsed without harm.
//
// Input: the JSON text, a zero byte, then the pairs (or arguments), one a line.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Assignments.h"
#include "cli/ConfigJson.h"
#include "cli/Options.h"
#include "ui/Widget.h"

namespace {

[[noreturn]] void Broken(const char* what, std::string_view detail) {
    std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

void CheckWithinLimits(const cli::ConfigValues& values) {
    for (std::size_t i = 0; i < cli::kConfigKeys.size(); ++i) {
        const cli::ConfigKey& key = cli::kConfigKeys[i];
        if (!values[i]) {
            continue;
        }
        const std::int64_t v = *values[i];
        const std::int64_t most =
            key.kind == cli::KeyKind::List
                ? static_cast<std::int64_t>(ui::DefaultsOf(key.field).items.size()) - 1
            : key.kind == cli::KeyKind::Number16 ? 65535
                                                 : 2147483647;
        if (v < 0 || v > most) {
            Broken("a value past its register's limits was accepted", key.name);
        }
    }
}

void CheckRefusal(const cli::Refusal& refused) {
    if (refused.Message().empty()) {
        Broken("a refusal without a reason", refused.key);
    }
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto zero = input.find('\0');
    const std::string_view json = input.substr(0, zero);
    const std::vector<std::string> lines =
        Lines(zero == std::string_view::npos ? std::string_view{} : input.substr(zero + 1));

    cli::ConfigValues values{};
    if (const auto refused = cli::ApplyConfigJson(json, values)) {
        CheckRefusal(*refused);
    } else {
        CheckWithinLimits(values);
        // What read would print of this configuration is saved as exactly this configuration.
        cli::DeviceReading reading;
        reading.config = values;
        cli::ConfigValues again{};
        if (const auto refused = cli::ApplyConfigJson(cli::ReadingJson(reading), again)) {
            Broken("read's own output was refused", refused->Message());
        }
        if (again != values) {
            Broken("a configuration changed through read's output", json);
        }
        // The same as one line of several ports' read, with its port.
        cli::ConfigValues fromLine{};
        if (const auto refused =
                cli::ApplyConfigJson(cli::ReadingJson(reading, json.substr(0, 16)), fromLine)) {
            Broken("read's line for one of several ports was refused", refused->Message());
        }
        if (fromLine != values) {
            Broken("a configuration changed through read's line with its port", json);
        }
    }

    cli::ConfigValues paired{};
    if (const auto refused = cli::ParseAssignments(lines, paired)) {
        CheckRefusal(*refused);
    }
    CheckWithinLimits(paired);

    std::string error;
    if (!cli::ParseOptions(lines, error) && error.empty()) {
        Broken("a command line refused without a reason", input);
    }
    return 0;
}
