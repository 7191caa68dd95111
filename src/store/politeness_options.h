// TPoliteness: the options that keep a capture from weighing on the servers it reads: the rules
// of each site's robots.txt, a cap on the connections to one host, a pause between two requests
// to one host, and a rate limit for the whole capture. They are extended options of TOPTIONS
// (they travel in the project file's extension block and in korvane.ini under these keys).
#pragma once

#include <cstdint>

namespace korvane {

struct TPoliteness {
  // Read each site's robots.txt before its first page and leave what it disallows. On for new
  // webs; off (the original behaviour) for a web stored without it, so that it captures as it
  // always did.
  bool Robots = true;
  // Connections open to one host at once; 0 lets a host take every slot.
  std::int32_t PerHost = 0;
  // Whole seconds between the starts of two requests to one host; 0: none.
  std::int32_t Wait = 0;
  // Each pause is drawn between half and one and a half times Wait, so that the requests do not
  // come at a beat a server could take for a robot's.
  bool RandomWait = false;
  // Bytes per second the whole capture receives on average, at most; 0: no limit.
  std::int32_t LimitRate = 0;

  // What a web stored before these options behaves as.
  static TPoliteness Original() {
    TPoliteness original;
    original.Robots = false;
    return original;
  }
  // Whether any of them asks a capture to pace itself or read robots.txt.
  bool Any() const { return Robots || PerHost > 0 || Wait > 0 || LimitRate > 0; }

  bool operator==(const TPoliteness&) const = default;
};

// Visits every option with its key, in the order the settings file and the project file hold
// them; with several option sets, the same field of each.
template <class Visitor, class... Options>
void ForEachPolitenessOption(Visitor&& visit, Options&... o) {
  visit("Robots", o.Robots...);
  visit("PerHost", o.PerHost...);
  visit("Wait", o.Wait...);
  visit("RandomWait", o.RandomWait...);
  visit("LimitRate", o.LimitRate...);
}

}  // namespace korvane
