#include "ui/resources.h"

#include <QtGlobal>

// Outside any namespace, as the resource compiler's initialiser requires.
static void LoadUiResources() { Q_INIT_RESOURCE(resources); }

namespace korvane::ui {

void LoadResources() { LoadUiResources(); }

}  // namespace korvane::ui
