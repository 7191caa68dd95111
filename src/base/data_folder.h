// The program's own data files ("NotFound.htm", "BadLink.htm", the index templates) live in the
// installed data folder, or in the source tree's data/ folder when the program runs from a build.
#pragma once

#include <string>

namespace korvane {

// The data folder, ending with a separator: $KORVANE_DATA_DIR when set, else
// <prefix>/share/korvane/ beside the running program when it exists, else the source tree's
// data/ folder.
std::string DataFolder();

}  // namespace korvane
