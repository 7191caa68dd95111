// The navigator platform of the desktop program: the machine's own, plus the desktop's way of
// opening a page (QDesktopServices, which follows the desktop's default handler).
#pragma once

#include <optional>
#include <string>

#include "settings/navigator.h"

namespace korvane::ui {

class TDesktopNavigatorPlatform final : public TNavigatorPlatform {
 public:
  explicit TDesktopNavigatorPlatform(TNavigatorPlatform& system) : system_(system) {}

  std::string DefaultHtmlOpenCommand() override { return system_.DefaultHtmlOpenCommand(); }
  bool StartProgram(const std::string& program, const std::string& argument) override {
    return system_.StartProgram(program, argument);
  }
  bool DdeOpenUrl(const std::string& service, const std::string& target, bool activate) override {
    return system_.DdeOpenUrl(service, target, activate);
  }
  std::optional<std::string> DdeGetWindowInfo(const std::string& service) override {
    return system_.DdeGetWindowInfo(service);
  }
  bool CanReadWindowInfo() const override { return system_.CanReadWindowInfo(); }
  std::optional<std::string> OpenWithDesktop(const std::string& target) override;

 private:
  TNavigatorPlatform& system_;
};

}  // namespace korvane::ui
