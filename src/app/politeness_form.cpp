#include "app/politeness_form.h"

#include "app/setup_model.h"
#include "base/number.h"

namespace korvane {

const TPolitenessHelp& PolitenessHelp() {
  static const TPolitenessHelp help = {
      "Read each site's robots.txt before its first page and leave the addresses it disallows, "
      "the start address too, and keep to its Crawl-delay (a minute at most). Off captures "
      "every address; a forced address is captured either way.",
      "Connections open to one host at once, at most; 0 lets a host take every connection.",
      "Seconds between the starts of two requests to one host; 0 waits none.",
      "Make each wait a random time from half of it to one and a half times it.",
      "Bytes per second the capture receives on average, at most: the next transfers wait "
      "while it is above; 0 sets no limit.",
  };
  return help;
}

TPolitenessForm ShowPolitenessForm(const TPoliteness& o) {
  TPolitenessForm f;
  f.RobotsCheck = o.Robots;
  f.PerHostEdit = std::to_string(o.PerHost);
  f.WaitEdit = std::to_string(o.Wait);
  f.RandomWaitCheck = o.RandomWait;
  f.LimitRateEdit = std::to_string(o.LimitRate);
  return f;
}

void StorePolitenessForm(const TPolitenessForm& f, TPoliteness& o) {
  o.Robots = f.RobotsCheck;
  o.PerHost = SpinValue(f.PerHostEdit, 0, kMaxPerHost, 0);
  o.Wait = SpinValue(f.WaitEdit, 0, kMaxWaitSecs, 0);
  o.RandomWait = f.RandomWaitCheck;
  const std::int32_t rate = IntegerOr(f.LimitRateEdit, 0);
  o.LimitRate = rate > 0 ? rate : 0;
}

}  // namespace korvane
