#include <stdexcept>

#include "harness/Rig.h"
#include "link/Crc16.h"

namespace harness {

Bytes Hex(std::string_view text) {
    Bytes bytes;
    int high = -1;
    for (char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            v = c - 'a' + 10;
        } else if (c == ' ') {
            continue;
        } else {
            throw std::invalid_argument("Hex: not a hex digit");
        }
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0) {
        throw std::invalid_argument("Hex: odd number of digits");
    }
    return bytes;
}

Bytes Sealed(Bytes body) {
    body.resize(body.size() + 2);
    rtu::SealFrame(body);
    return body;
}

}  // namespace harness
