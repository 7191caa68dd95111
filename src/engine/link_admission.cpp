// Link admission: what enters a web, and what of it is fetched.
#include "base/checked.h"
#include "base/log_texts.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "engine/web.h"
#include "html/url.h"

namespace korvane {
namespace {

// What a server sends for a file whose type it does not know.
constexpr std::string_view kOctetStream = "application/octet-stream";

// Two addresses are in different webs when their domains differ, or, when the machine check is
// on, their machines.
bool InAnotherWeb(std::string_view from, std::string_view to, bool check_machine) {
  if (!SameTextNoCase(GetDomainName(from), GetDomainName(to))) return true;
  return check_machine && !SameTextNoCase(GetMachineName(from), GetMachineName(to));
}

// An address that names nothing to fetch: a scheme of no protocol the web knows
// ("javascript:"), or a web address without a host ("http:///a.htm"). The tree would hold it as
// an http address of no server.
bool NamesNothing(std::string_view url) {
  const TUrl parsed(url);
  if (parsed.Protocol == kProtocolOther) return true;
  return (parsed.Protocol == kProtocolHttp || parsed.Protocol == kProtocolHttps) &&
         parsed.Host.empty();
}

}  // namespace

TWebFile* TWEB::NewLink(const TLinkItem& item, TWebFile* parent) {
  if (NamesNothing(item.Url)) {
    // Another scheme ("javascript:", "mailto:") is what the page meant: only a web address
    // without a server is a fault worth a line.
    if (!HasOtherProtocol(item.Url)) Log(item.Url + std::string(kLogBadUrl));
    return nullptr;
  }
  if (TWebFile* known = tree_.Find(item.Url)) return known;
  // A site reached under http and https is captured once; the secure form is preferred while
  // the address is still waiting.
  const std::string twin = OtherWebProtocol(item.Url);
  if (TWebFile* known = twin.empty() ? nullptr : tree_.Find(twin)) {
    if (IsSecure(item.Url) && known->State == wsTodo) return MoveToProtocol(*known, twin, item.Url);
    return known;
  }
  if (RefusedByFullTree(item.Url)) return nullptr;
  auto record = std::make_unique<TWebFile>();
  if (parent) {
    record->ExternalDepth = parent->ExternalDepth;
    record->LinkDepth = parent->LinkDepth;
    if (item.LinkKind == 0) CheckedInc(record->LinkDepth);
    if (InAnotherWeb(tree_.GetUrl(parent), item.Url, default_options_.CheckDomainMachineFlag)) {
      CheckedInc(record->ExternalDepth);
      record->LinkDepth = 0;
    }
  }
  record->SetLinkType(item.LinkKind);
  record->SetDescription(item.Text);
  TWebFile* added = record.get();
  if (!tree_.Add(item.Url, std::move(record))) {
    Log(item.Url + std::string(kLogTreeError));
    return nullptr;
  }
  if (parent) {
    referers_[added] = tree_.GetUrl(parent);
  } else {
    referers_.erase(added);  // a record of an earlier tree may have had this place
  }
  AddTodo(added, item.Url);
  return added;
}

// A full tree refuses a new address, and logs it: what is queued is still captured.
bool TWEB::RefusedByFullTree(std::string_view url) {
  if (tree_.Count() < tree_.Capacity()) return false;
  Log(std::string(url) + std::string(kLogTreeError));
  return true;
}

std::string TWEB::RefererOf(const TWebFile& record) const {
  const auto found = referers_.find(&record);
  return found == referers_.end() ? std::string() : found->second;
}

void TWEB::InheritReferer(const TWebFile& record, const TWebFile& redirected) {
  if (std::string referer = RefererOf(redirected); !referer.empty()) {
    referers_[&record] = std::move(referer);
  } else {
    referers_.erase(&record);
  }
}

TWebFile* TWEB::MoveToProtocol(TWebFile& record, std::string_view from, std::string_view to) {
  if (RefusedByFullTree(to)) return &record;
  auto moved = std::make_unique<TWebFile>();
  moved->CopyFieldsOf(record);
  TWebFile* added = moved.get();
  if (!tree_.Add(to, std::move(moved))) {
    Log(std::string(to) + std::string(kLogTreeError));
    return &record;
  }
  InheritReferer(*added, record);
  // The old address is only an alias of the moved record: without it the record is reached
  // under its new address still, and the old one is admitted afresh when linked again.
  (void)tree_.Add(from, added);
  return added;
}

bool TWEB::AddTodo(TWebFile* record, std::string_view url) {
  std::string looked_up;
  if (url.empty()) url = looked_up = tree_.GetUrl(record);
  if (LinkFilter(record, url)) {
    record->State = wsTodo;
    // Pictures of a page are fetched before any further page.
    if (record->GetLinkType() != 0) {
      todo_.push_front(record);
    } else {
      todo_.push_back(record);
    }
    return true;
  }
  record->State = wsFiltered;
  CheckedInc(filtered_count_);
  return false;
}

const TAddressRules& TWEB::AddressRules() {
  if (options_.AddressRules != rules_source_) {
    rules_source_ = options_.AddressRules;
    rules_error_.clear();
    std::optional<TAddressRules> compiled = TAddressRules::Compile(rules_source_, rules_error_);
    rules_ = compiled ? std::move(*compiled) : TAddressRules();
  }
  return rules_;
}

TAddressRules::TDecision TWEB::RuleDecision(const TWebFile& record, std::string_view url) {
  const TAddressRules& rules = AddressRules();
  if (rules.Count() == 0 || record.GetForced() || url == url_) return {};
  return rules.Decide(url);
}

bool TWEB::WithinLinkLimits(const TWebFile& record, std::string_view url, bool included) {
  auto refuse = [&](std::string_view why) {
    Log(std::string(url) + std::string(why));
    return false;
  };
  if (included) return record.LinkDepth <= options_.InternalLinkDepth;
  if (record.ExternalDepth > 0) {
    if (record.ExternalDepth > options_.ExternalWebDepth) return refuse(kLogOutsideMainWeb);
    if (record.LinkDepth > options_.ExternalLinkDepth) return refuse(kLogExternalLevel);
    return true;
  }
  if (record.LinkDepth > options_.InternalLinkDepth) return false;
  if (options_.InternalPathLimit) {
    const std::string start = GetPath(url_);
    const std::string path = GetPath(url);
    bool under_start = SameTextNoCase(std::string_view(path).substr(0, start.size()), start);
    if (!under_start && path.find("cgi-bin") == std::string::npos) {
      return refuse(kLogInternalLevel);
    }
  }
  return true;
}

bool TWEB::LinkFilter(TWebFile* record, std::string_view url) {
  if (record->State != wsTodo) return false;
  if (HasOtherProtocol(url)) {
    Log(std::string(url) + std::string(kLogBadProtocol));
    return false;
  }
  // An exclude rule refuses whatever the limits say; an include rule lifts the path and external
  // web limits of a hyperlink, never its depth nor the file type and size limits.
  const TAddressRules::TDecision rule = RuleDecision(*record, url);
  if (rule.Verdict == TAddressRules::TVerdict::kExclude) {
    Log(std::string(url) + std::string(kLogFilteredByRule) +
        AddressRules().Rule(rule.Index).Text());
    return false;
  }
  switch (record->GetLinkType()) {
    case 0:
      return WithinLinkLimits(*record, url, rule.Verdict == TAddressRules::TVerdict::kInclude);
    case 1:
      return !options_.RefLimit && !options_.BackgroundOnlyFlag;
    case 3:
      // What a page needs to show is no picture: the picture options leave it alone, and like a
      // picture it is held by no depth or path.
      return true;
    default:
      return !options_.RefLimit;
  }
}

TMimeItem* TWEB::DocumentTypeOf(TWebFile& record, std::string_view url, TMimeItem* served) {
  const TDocumentType* document = url.empty() ? nullptr : DocumentTypeOfExtension(ExtensionOf(url));
  if (!document) return served;
  record.SetMimeType(document->ContentType);
  // The table's own entry decides, a refusal included; a type it lacks is taken, as its class.
  if (TMimeItem* known = mime_list_.GetMimeByString(document->ContentType)) return known;
  mime_list_.AddMime(document->ContentType, document->Extension, MimeClassName(document->MimeClass),
                     true);
  return mime_list_.GetMimeByString(document->ContentType);
}

bool TWEB::Filter(TWebFile* record, std::int64_t size, std::string_view url) {
  // A forced address passes every filter: the user asked for it by name.
  const bool forced = record->GetForced();
  TMimeItem* type = mime_list_.GetMimeByString(record->GetMimeType());
  if (options_.PageRequisites && (!type || SameTextNoCase(record->GetMimeType(), kOctetStream))) {
    type = DocumentTypeOf(*record, url, type);
  }
  if (!type) {
    mime_list_.AddMime(record->GetMimeType(), url.empty() ? std::string() : ExtensionOf(url),
                       "Other", false);
    return forced;
  }
  if (type->MimeClass == mcHtml || forced) return true;
  if (!type->Valid) return false;
  if (size <= 0) return true;
  if (options_.MinFileSize > 0 && size < std::int64_t{options_.MinFileSize} * 1024) return false;
  if (options_.MaxFileSize > 0 && size > std::int64_t{options_.MaxFileSize} * 1024) return false;
  return true;
}

void TWEB::UpdateTodo() {
  ClearCount();
  todo_.clear();
  tree_.Explore([this](TWebFile& record, const std::string& url) {
    TodoExploreProc(record, url);
    return false;
  });
}

void TWEB::TodoExploreProc(TWebFile& record, const std::string& url) {
  switch (record.State) {
    case wsPage:
    case wsFile:
      CheckedInc(captured_count_);
      break;
    case wsNotFound:
      // Pages of the main web that were not found are tried again at every capture.
      if (record.ExternalDepth > 0) {
        CheckedInc(not_found_count_);
      } else {
        record.State = wsTodo;
        AddTodo(&record, url);
      }
      break;
    case wsTodo:
    case wsLoading:
    case wsError:
    case wsFiltered:
      if (!record.GetMimeType().empty() && !Filter(&record, 0, url)) {
        record.State = wsFiltered;
        CheckedInc(filtered_count_);
      } else {
        record.State = wsTodo;
        AddTodo(&record, url);
      }
      break;
    default:
      break;
  }
}

bool TWEB::ForceCapture(TWebFile* record) {
  if (!record || record->State != wsFiltered) return false;
  record->State = wsTodo;
  record->ExternalDepth = 0;
  record->SetForced(true);  // so that the next capture's filters let it through
  // It left the filtered ones; the queue itself is rebuilt when a capture starts.
  if (filtered_count_ > 0) --filtered_count_;
  return true;
}

THtmlLinksContext TWEB::LinksContext() {
  THtmlLinksContext context;
  context.FileSystem = &fs_;
  context.WebPath = path_;
  context.NewLink = [this](const TLinkItem& link, TWebFile* parent) { NewLink(link, parent); };
  context.RealLinkFlag = options_.RealLinkFlag;
  context.CaptureStart = capture_start_;
  context.Requisites = options_.PageRequisites;
  return context;
}

bool TWEB::SetHtmlLinks(TWebFile& file, std::string_view page_url, const THtmlLinkFilter& filter,
                        std::string_view charset, const std::string* captured) {
  return korvane::SetHtmlLinks(LinksContext(), file, page_url, filter, charset, captured);
}

bool TWEB::SetStylesheetLinks(TWebFile& file, std::string_view url, const THtmlLinkFilter& filter) {
  return korvane::SetStylesheetLinks(LinksContext(), file, url, filter);
}

}  // namespace korvane
