// Link admission: what enters a web, and what of it is fetched.
#include "base/checked.h"
#include "base/log_texts.h"
#include "base/short_string.h"
#include "base/text_case.h"
#include "engine/web.h"
#include "html/url.h"

namespace korvane {
namespace {

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
    Log(item.Url + std::string(kLogBadUrl));
    return nullptr;
  }
  if (TWebFile* known = Tree.Find(item.Url)) return known;
  // A site reached under http and https is captured once; the secure form is preferred while
  // the address is still waiting.
  const std::string twin = OtherWebProtocol(item.Url);
  if (TWebFile* known = twin.empty() ? nullptr : Tree.Find(twin)) {
    if (IsSecure(item.Url) && known->State == wsTodo) return MoveToProtocol(*known, twin, item.Url);
    return known;
  }
  if (RefusedByFullTree(item.Url)) return nullptr;
  auto record = std::make_unique<TWebFile>();
  if (parent) {
    record->ExternalDepth = parent->ExternalDepth;
    record->LinkDepth = parent->LinkDepth;
    if (item.LinkKind == 0) CheckedInc(record->LinkDepth);
    if (InAnotherWeb(Tree.GetUrl(parent), item.Url, default_options_.CheckDomainMachineFlag)) {
      CheckedInc(record->ExternalDepth);
      record->LinkDepth = 0;
    }
  }
  record->SetLinkType(item.LinkKind);
  record->SetDescription(item.Text);
  TWebFile* added = record.get();
  if (!Tree.Add(item.Url, std::move(record))) {
    Log(item.Url + std::string(kLogTreeError));
    return nullptr;
  }
  AddTodo(added, item.Url);
  return added;
}

// A full tree (its count is 16 bits) refuses a new address, and logs it: what is queued is still
// captured.
bool TWEB::RefusedByFullTree(std::string_view url) {
  if (Tree.Count() < UINT16_MAX) return false;
  Log(std::string(url) + std::string(kLogTreeError));
  return true;
}

TWebFile* TWEB::MoveToProtocol(TWebFile& record, std::string_view from, std::string_view to) {
  if (RefusedByFullTree(to)) return &record;
  auto moved = std::make_unique<TWebFile>();
  moved->CopyFieldsOf(record);
  TWebFile* added = moved.get();
  if (!Tree.Add(to, std::move(moved))) {
    Log(std::string(to) + std::string(kLogTreeError));
    return &record;
  }
  // The old address is only an alias of the moved record: without it the record is reached
  // under its new address still, and the old one is admitted afresh when linked again.
  (void)Tree.Add(from, added);
  return added;
}

bool TWEB::AddTodo(TWebFile* record, std::string_view url) {
  std::string looked_up;
  if (url.empty()) url = looked_up = Tree.GetUrl(record);
  if (LinkFilter(record, url)) {
    record->State = wsTodo;
    // Pictures of a page are fetched before any further page.
    if (record->GetLinkType() != 0) {
      TodoList.push_front(record);
    } else {
      TodoList.push_back(record);
    }
    return true;
  }
  record->State = wsFiltered;
  CheckedInc(FilteredCount);
  return false;
}

bool TWEB::LinkFilter(TWebFile* record, std::string_view url) {
  if (record->State != wsTodo) return false;
  auto refuse = [&](std::string_view why) {
    Log(std::string(url) + std::string(why));
    return false;
  };
  if (HasOtherProtocol(url)) return refuse(kLogBadProtocol);
  switch (record->GetLinkType()) {
    case 0:
      if (record->ExternalDepth > 0) {
        if (record->ExternalDepth > Options.ExternalWebDepth) return refuse(kLogOutsideMainWeb);
        if (record->LinkDepth > Options.ExternalLinkDepth) return refuse(kLogExternalLevel);
      } else {
        if (record->LinkDepth > Options.InternalLinkDepth) return false;
        if (Options.InternalPathLimit) {
          const std::string start = GetPath(Url);
          const std::string path = GetPath(url);
          bool under_start = SameTextNoCase(std::string_view(path).substr(0, start.size()), start);
          if (!under_start && path.find("cgi-bin") == std::string::npos) {
            return refuse(kLogInternalLevel);
          }
        }
      }
      return true;
    case 1:
      return !Options.RefLimit && !Options.BackgroundOnlyFlag;
    case 3:
      // What a page needs to show is no picture: the picture options leave it alone, and like a
      // picture it is held by no depth or path.
      return true;
    default:
      return !Options.RefLimit;
  }
}

bool TWEB::Filter(TWebFile* record, std::int64_t size, std::string_view url) {
  // A forced address passes every filter: the user asked for it by name.
  const bool forced = record->GetForced();
  TMimeItem* type = MimeList.GetMimeByString(record->GetMimeType());
  if (!type) {
    MimeList.AddMime(record->GetMimeType(), url.empty() ? std::string() : ExtensionOf(url), "Other",
                     false);
    return forced;
  }
  if (type->MimeClass == mcHtml || forced) return true;
  if (!type->Valid) return false;
  if (size <= 0) return true;
  if (Options.MinFileSize > 0 && size < std::int64_t{Options.MinFileSize} * 1024) return false;
  if (Options.MaxFileSize > 0 && size > std::int64_t{Options.MaxFileSize} * 1024) return false;
  return true;
}

void TWEB::UpdateTodo() {
  ClearCount();
  TodoList.clear();
  Tree.Explore([this](TWebFile& record, const std::string& url) {
    TodoExploreProc(record, url);
    return false;
  });
}

void TWEB::TodoExploreProc(TWebFile& record, const std::string& url) {
  switch (record.State) {
    case wsPage:
    case wsFile:
      CheckedInc(CapturedCount);
      break;
    case wsNotFound:
      // Pages of the main web that were not found are tried again at every capture.
      if (record.ExternalDepth > 0) {
        CheckedInc(NotFoundCount);
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
        CheckedInc(FilteredCount);
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
  return true;
}

THtmlLinksContext TWEB::LinksContext() {
  THtmlLinksContext context;
  context.FileSystem = &fs_;
  context.WebPath = Path;
  context.NewLink = [this](const TLinkItem& link, TWebFile* parent) { NewLink(link, parent); };
  context.RealLinkFlag = Options.RealLinkFlag;
  context.CaptureStart = CaptureStart;
  context.Requisites = Options.PageRequisites;
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
