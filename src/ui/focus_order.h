// Tab order that follows what the eye sees, where Qt's default order (the order in which the
// widgets were made) does not.
#pragma once

class QDialogButtonBox;
class QTabWidget;

namespace korvane::ui {

// Tab goes through the buttons of `row` as they are laid out: the box orders them by role in the
// desktop's own way, not in the order they were added.
void TabButtonsAsLaidOut(QDialogButtonBox* row);

// With its tabs below the pages, the tab bar is met after the page's controls, not before them.
void TabBarAfterPages(QTabWidget* pages);

}  // namespace korvane::ui
