#pragma once

#include <string_view>

namespace seams {

// A modal message with one OK button, titled with the application's name. Returns when the
// operator dismisses it. Timer ticks and serial notifications may still be delivered meanwhile.
class ModalMessage {
public:
    virtual ~ModalMessage() = default;
    virtual void Show(std::string_view text) = 0;
};

}  // namespace seams
