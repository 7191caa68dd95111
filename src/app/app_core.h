// TAppCore: what both front ends stand on, built alike by each: the user's profile (or a work
// path given for the session), the settings read through it, and the program-wide MIME table of
// the work path. The command line and the desktop program differ only in how they say a warning.
#pragma once

#include <memory>
#include <string>

#include "settings/param.h"
#include "settings/profile.h"
#include "store/mime_list.h"

namespace korvane {

class TFileSystem;
class TNavigatorPlatform;

struct TAppSetup {
  TFileSystem* FileSystem = nullptr;        // the machine's when null
  TProfile* Profile = nullptr;              // the user's profile when null
  TNavigatorPlatform* Navigator = nullptr;  // the desktop's when null
  // Asked on a first run for the work path; without them the proposed one is taken.
  TSettingsDialogs* Dialogs = nullptr;
  // When not empty: the work path of this session, used as it is and never written to the profile.
  std::string WorkPath;
};

// When the settings are written back at start.
enum class TSettingsWriteBack {
  // Only a first run writes them, so that the work path is known from then on: a command that
  // reads a web leaves the user's file as it was.
  kWhenMissing,
  // Always, so that a settings file that cannot be written is said at start, not after a session.
  kAlways,
};

class TAppCore {
 public:
  explicit TAppCore(const TAppSetup& setup);
  TAppCore(const TAppCore&) = delete;
  TAppCore& operator=(const TAppCore&) = delete;
  ~TAppCore();

  // Reads the settings (a first run establishes the work path), writes them back as `write_back`
  // says, then loads the MIME table of the work path. Settings that exist but cannot be read are
  // never written over: the file may be the user's own work. Returns the sentence to warn with
  // when the settings could not be read or written (the program goes on with the defaults or
  // what it read), empty otherwise.
  std::string Start(TSettingsWriteBack write_back);

  TFileSystem& FileSystem() { return fs_; }
  TProfile& Profile() { return *profile_; }
  TNavigatorPlatform& Navigator() { return navigator_; }
  TParam& Param() { return *param_; }
  const TParam& Param() const { return *param_; }
  // Loaded by Start.
  TGlobalMimeList& GlobalMime() { return *global_mime_; }

 private:
  TFileSystem& fs_;
  TNavigatorPlatform& navigator_;
  std::unique_ptr<TProfile> own_profile_;
  TProfile* profile_;
  std::unique_ptr<TParam> param_;
  std::unique_ptr<TGlobalMimeList> global_mime_;
};

}  // namespace korvane
