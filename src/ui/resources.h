// The program's built-in files (its icon, the document list's icons). The views are a static
// library, whose resources a program must load explicitly before it uses them; loading twice
// does no harm.
#pragma once

namespace korvane::ui {

void LoadResources();

}  // namespace korvane::ui
