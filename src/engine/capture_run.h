// The run around a capture, as a front end performs it: the session driven to its end on the
// message pump, then the closing work (the figures, the save, resolving links, the program-wide
// MIME table, the explanation of a capture that got nothing, the after-capture actions). What a
// front end shows or asks goes through TCaptureRunHooks.
#pragma once

#include <cstdint>
#include <string>

#include "engine/capture.h"

namespace korvane {

class TGlobalMimeList;
class TWEB;

// Why a capture got nothing, for the error box.
struct TCaptureFailure {
  enum TKind {
    kProxyConnection,  // no answer through the proxy
    kHttpStatus,       // an HTTP status other than 400 and 404
    kStartAddress,     // no answer, 400 or 404: the start address may be wrong
  };
  TKind Kind = kStartAddress;
  std::int32_t Status = 0;
  std::string Url;  // the address last handed out, or the proxy for kProxyConnection
};

class TCaptureRunHooks {
 public:
  enum class TStopRequest { kNone, kCompleteCurrent, kAbortAll, kStopAll };

  virtual ~TCaptureRunHooks() = default;
  virtual TCaptureView* View() { return nullptr; }
  // Asked about every second while the session runs.
  virtual TStopRequest PollStop() { return TStopRequest::kNone; }
  // After a capture that kept files: make the web readable off line.
  virtual void ResolveLinks(TWEB&) {}
  virtual void ExplainFailure(TWEB&, const TCaptureFailure&) {}
  // An error that ended the session early (its message is also in the web's log page).
  virtual void CaptureError(const std::string&) {}
  // After a capture that kept files and was not stopped (bookmark, navigator).
  virtual void AfterCapture(TWEB&) {}
};

struct TCaptureRunResult {
  std::int32_t Captured = 0;  // files kept during the session
  bool Stopped = false;
  bool DiskFull = false;
  bool Saved = false;  // the project file was written
  std::string Error;   // the message of an error that ended the session
};

// The processing of captured pages of `web`: links entered through its NewLink, footer added.
TPageProcessor WebPageProcessor(TWEB& web);

TCaptureRunResult RunCapture(TWEB& web, const TCaptureSettings& settings,
                             TGlobalMimeList* global_mime, TCaptureRunHooks& hooks,
                             TPageProcessor process_page);

}  // namespace korvane
