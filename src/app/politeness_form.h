// TPolitenessForm: the Options tab's " Politeness " group as one plain record, with the help
// text of each of its controls. ShowPolitenessForm fills it from the web's options;
// StorePolitenessForm reads it back (a number that cannot be read is 0: the option is off).
#pragma once

#include <string>

#include "store/politeness_options.h"

namespace korvane {

struct TPolitenessForm {
  bool RobotsCheck = false;
  std::string PerHostEdit, WaitEdit;
  bool RandomWaitCheck = false;
  std::string LimitRateEdit;  // bytes per second
};

// What each control does, for its tool tip: the same words as korvane-cli's help.
struct TPolitenessHelp {
  const char* Robots;
  const char* PerHost;
  const char* Wait;
  const char* RandomWait;
  const char* LimitRate;
};
const TPolitenessHelp& PolitenessHelp();

// The per-host spin box runs to the most slots a capture has.
inline constexpr int kMaxPerHost = 9;
inline constexpr int kMaxWaitSecs = 86400;

TPolitenessForm ShowPolitenessForm(const TPoliteness& options);
void StorePolitenessForm(const TPolitenessForm& form, TPoliteness& options);

}  // namespace korvane
