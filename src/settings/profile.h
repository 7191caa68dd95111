// The user profile: where the work path (the folder holding "korvane.ini" and "mime.def") is
// remembered between runs, outside the work path itself.
#pragma once

#include <string>

namespace korvane {

class TFileSystem;

class TProfile {
 public:
  virtual ~TProfile() = default;
  virtual std::string ReadWorkPath() const = 0;
  virtual void WriteWorkPath(const std::string& path) = 0;
  // The work path proposed on a first run.
  virtual std::string DefaultWorkPath() const = 0;
};

// Section "KORVANE", key "WORKPATH" of an INI file: by default
// $XDG_CONFIG_HOME/korvane/profile.ini (~/.config when unset); the default work path is
// ~/webs/.
class TIniProfile final : public TProfile {
 public:
  TIniProfile(TFileSystem& fs, std::string file_name, std::string default_work_path);
  // The profile of the user running the program.
  static TIniProfile ForCurrentUser(TFileSystem& fs);

  std::string ReadWorkPath() const override;
  void WriteWorkPath(const std::string& path) override;
  std::string DefaultWorkPath() const override { return default_work_path_; }

 private:
  TFileSystem& fs_;
  std::string file_name_;
  std::string default_work_path_;
};

// A work path given for one session (on the command line): used as it is, and never written to
// the profile.
class TFixedProfile final : public TProfile {
 public:
  explicit TFixedProfile(const std::string& path);
  std::string ReadWorkPath() const override { return path_; }
  void WriteWorkPath(const std::string&) override {}
  std::string DefaultWorkPath() const override { return path_; }

 private:
  std::string path_;
};

// Trailing separators removed and exactly one put back ("/home/u/webs//" gives
// "/home/u/webs/").
std::string NormaliseFolder(std::string folder);

}  // namespace korvane
