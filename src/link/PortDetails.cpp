#include "link/PortDetails.h"

#include "product/Texts.h"

namespace rtu {

std::string ToolTipOf(const PortDetails& details) {
    std::string tip = details.path;
    const auto addLine = [&tip](const std::string& line) {
        if (!tip.empty()) {
            tip += '\n';
        }
        tip += line;
    };
    if (!details.description.empty() && !details.manufacturer.empty()) {
        addLine(details.description + "（" + details.manufacturer + "）");
    } else if (!details.description.empty() || !details.manufacturer.empty()) {
        addLine(details.description + details.manufacturer);
    }
    if (!details.serialNumber.empty()) {
        addLine(std::string(product::kSerialNumberLead) + details.serialNumber);
    }
    for (const std::string& link : details.byIdLinks) {
        addLine(link);
    }
    return tip;
}

}  // namespace rtu
