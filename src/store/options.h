// TOPTIONS: the capture options of one web, and the default set the settings hold. Each option is
// stored in a settings-file section under its own key. The options added since the project file's
// version 21 ("extended" options) travel in an extension block after its tree; each has a value
// that gives the original behaviour, which a web read without the block takes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/politeness_options.h"

namespace korvane {

class TIniFile;

class TOPTIONS {
 public:
  bool InternalPathLimit = true;  // follow only addresses under the start address's folder
  bool ExternalPathLimit = true;  // external webs: keep to their first path (stored only)
  std::int32_t InternalLinkDepth = 100;
  std::int32_t ExternalWebDepth = 0;   // hops from web to web; 0 never leaves the main web
  std::int32_t ExternalLinkDepth = 0;  // link levels inside each external web
  bool RefLimit = false;               // no pictures or background pictures of pages
  bool ListGifFlag = true;
  bool ListJpegFlag = true;
  bool ListAviFlag = true;
  bool ListWavFlag = true;
  bool ResolvedUrlFlag = true;
  bool ErrorUrlFlag = false;
  bool TodoUrlFlag = false;
  bool FilteredUrlFlag = false;
  bool StretchImageFlag = true;
  bool RealLinkFlag = true;      // a footer with the real address on every captured page
  bool SuppressLinkFlag = true;  // dead links go to the bad-link page
  bool BackgroundOnlyFlag = false;
  bool CheckDomainMachineFlag = false;  // only the default set's value is consulted
  std::int32_t MaxFileCount = 0;        // 0 or less: no limit; any size (see ExtendedEntries)
  std::int32_t MaxFileSize = 0;         // kilobytes
  std::int32_t MinFileSize = 0;         // kilobytes
  std::int32_t MaxDiskSize = 0;         // kilobytes
  std::int32_t MaxTime = 0;             // minutes
  std::string Username;
  std::string Password;

  // --- extended options ---
  // Follow and rewrite what pages need to show as served: stylesheets, scripts, fonts, frames,
  // modern pictures; tags of any length. On for new webs; off (the original behaviour) for a
  // web stored without it.
  bool PageRequisites = true;
  // https: a PEM file of certificates to trust besides the system's (a private authority).
  std::string CaFile;
  // https: accept any certificate, so that a copy can be made of a site whose certificate is
  // refused. Unsafe: anyone between the program and the server can pose as the server.
  bool UnsafeNoCertificateCheck = false;
  // The low-speed limit: a transfer that receives fewer than LowSpeedLimit bytes per second
  // over a whole LowSpeedTime seconds fails as a time-out does (0 in either: no limit). Less than
  // 6,000 bytes in a minute is no download, whatever the link: a steady one, even over a slow
  // modem shared by nine connections, gets many times that, so the default never cuts one,
  // while a server that trickles a byte now and then no longer holds a slot for ever.
  std::int32_t LowSpeedLimit = 100;
  std::int32_t LowSpeedTime = 60;
  // Keep the cookies servers set and send them back, as a browser does, between captures too
  // (a file beside the project). On for new webs; a web stored without it sends none.
  bool Cookies = true;
  // Send, with each address, the address of the page whose link led to it (Referer), as a
  // navigator does: some servers refuse a picture or a file asked for without it. On for new
  // webs; off for a web stored without it, whose requests stay what they were.
  bool SendReferer = true;
  // Include and exclude rules on the addresses of links, in order, each "+ PATTERN" or
  // "- PATTERN" (TAddressRules). A stored value is a short string, so a list is stored one item
  // a key, numbered from 1: Rule1, Rule2..., in the project file's block as in settings files.
  std::vector<std::string> AddressRules;
  // Headers every request of the web sends besides its own, "Name: value" each
  // (ParseRequestHeader); stored as Header1, Header2...
  std::vector<std::string> RequestHeaders;
  // robots.txt, connections per host, the pause between requests, the rate limit.
  TPoliteness Politeness;
  // Store each file under its site's own folders, <host>[_port]/<path> (site_names.h), so that
  // paths the site's scripts build keep working off line; off: every file flat in the folder
  // under a short name. On for new webs; a web stored without it stays flat.
  bool SiteLayout = true;
  // The HTTP version the requests speak: "1.1" keeps each connection for the next request to its
  // server and takes chunked and compressed bodies; "1.0" opens one connection per request, as
  // the original program did (and a web stored without the option does).
  std::string Protocol = std::string(kHttp11);
  // An update deletes the files of the addresses their servers no longer have (404, 410); off,
  // it keeps them and says which.
  bool DeleteGone = false;
  static constexpr std::string_view kHttp10 = "1.0";
  static constexpr std::string_view kHttp11 = "1.1";
  bool UsesHttp11() const { return Protocol == kHttp11; }

  // An extended option as stored: its key and its value written as in the settings file.
  using TEntry = std::pair<std::string, std::string>;
  // The extended options that differ from their original behaviour, in key order, and a file
  // count limit too large for its word; empty when the web behaves as the original program did.
  std::vector<TEntry> ExtendedEntries() const;
  // Sets every extended option from `entries`; a missing one takes its original behaviour.
  // Entries of unknown keys are returned, so that they can be kept.
  std::vector<TEntry> SetExtendedEntries(const std::vector<TEntry>& entries);

  // Reads every key of `section`; a missing key takes its default.
  void LoadFromIni(const TIniFile& ini, std::string_view section);
  // Like LoadFromIni, but a missing key keeps the current value.
  void MergeFromIni(const TIniFile& ini, std::string_view section);
  // Whether `key` names an option as korvane.ini and options files spell it (in any case): a
  // list's keys are its name and a number from 1 (Rule1, Header2).
  static bool IsOptionKey(std::string_view key);
  // The first key of `section` that is no option (other than `also_allowed`) or whose value the
  // option cannot take, in words ("InternalLinkDepth=abc: a whole number from 0 to 32767 is
  // expected"); empty when every key is right. A value read past would become 0 or a default.
  static std::string CheckIni(const TIniFile& ini, std::string_view section,
                              std::string_view also_allowed = {});
  // Writes every key, in the fixed key order.
  void SaveToIni(TIniFile& ini, std::string_view section) const;
  // Copies every option of `source` except CheckDomainMachineFlag.
  void Assign(const TOPTIONS& source);

  bool operator==(const TOPTIONS&) const = default;

 private:
  void Read(const TIniFile& ini, std::string_view section, const TOPTIONS& fallback);
  void ReadLists(const TIniFile& ini, std::string_view section, const TOPTIONS& fallback);
};

}  // namespace korvane
