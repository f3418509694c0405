#pragma once

#include "seams/ModalMessage.h"

class QWidget;

namespace qtwidgets {

// A modal message box with the text, one OK button and the application's name as its title,
// over the given window. Show returns when the operator presses OK or closes the box; timers and
// serial notifications keep being delivered meanwhile.
class QtMessage : public seams::ModalMessage {
public:
    explicit QtMessage(QWidget* parent = nullptr) : parent_(parent) {}

    void Show(std::string_view text) override;

private:
    QWidget* parent_;
};

}  // namespace qtwidgets
