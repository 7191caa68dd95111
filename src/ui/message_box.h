// The program's modal boxes: the error and warning boxes the core words (TMessageBoxContent),
// and plain questions with the buttons the caller names.
#pragma once

#include <string>
#include <vector>

#include "app/error_box_model.h"
#include "base/modal_result.h"

class QWidget;

namespace korvane::ui {

// Shows the box and returns the button pressed (mrCancel when it was closed otherwise and had a
// Cancel button, else its last button).
TModalResult ShowMessageBox(QWidget* parent, const TMessageBoxContent& content);

// A question with `buttons` (a TButtonSet), the question icon; `default_button` is the one Enter
// presses (the first one when mrNone).
TModalResult Ask(QWidget* parent, const std::string& text, const std::string& caption,
                 std::uint8_t buttons, TModalResult default_button = mrNone);
// A plain message with one OK button.
void Tell(QWidget* parent, const std::string& text, const std::string& caption,
          TBoxIcon icon = TBoxIcon::kInformation);

}  // namespace korvane::ui
