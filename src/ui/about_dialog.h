// The about box.
#pragma once

class QWidget;

namespace korvane::ui {

void ShowAbout(QWidget* parent);

}  // namespace korvane::ui
