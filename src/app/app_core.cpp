#include "app_core.h"

#include "base/file_system.h"
#include "settings/navigator.h"

namespace korvane {

TAppCore::TAppCore(const TAppSetup& setup)
    : fs_(setup.FileSystem ? *setup.FileSystem : RealFileSystem()),
      navigator_(setup.Navigator ? *setup.Navigator : SystemNavigatorPlatform()),
      profile_(setup.Profile) {
  if (!setup.WorkPath.empty()) {
    own_profile_ = std::make_unique<TFixedProfile>(setup.WorkPath);
    profile_ = own_profile_.get();
  } else if (!profile_) {
    own_profile_ = std::make_unique<TIniProfile>(TIniProfile::ForCurrentUser(fs_));
    profile_ = own_profile_.get();
  }
  param_ = std::make_unique<TParam>(fs_, *profile_, navigator_, setup.Dialogs);
}

TAppCore::~TAppCore() = default;

std::string TAppCore::Start(TSettingsWriteBack write_back) {
  std::string warning;
  const TSettingsLoad loaded = param_->LoadSettings();
  if (loaded == TSettingsLoad::kUnreadable) {
    warning = param_->SettingsError();
  } else if ((loaded == TSettingsLoad::kMissing || write_back == TSettingsWriteBack::kAlways) &&
             !param_->SaveSettings()) {
    warning = param_->SettingsError();
  }
  global_mime_ = std::make_unique<TGlobalMimeList>(fs_, param_->WorkPath());
  global_mime_->Load();
  return warning;
}

}  // namespace korvane
