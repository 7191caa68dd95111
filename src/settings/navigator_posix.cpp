// The navigator on POSIX desktops: the default handler for text/html as the desktop's MIME
// database names it, started with the page as its one argument.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/navigator.h"

extern char** environ;

namespace korvane {
namespace {

namespace fs = std::filesystem;

std::string Env(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

std::vector<std::string> SplitColons(const std::string& list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t colon = list.find(':', start);
    if (colon == std::string::npos) colon = list.size();
    if (colon > start) parts.push_back(list.substr(start, colon - start));
    start = colon + 1;
  }
  return parts;
}

// Runs `argv` (searched on PATH) and returns what it printed, or nothing when it could not run
// or did not finish within a few seconds.
std::optional<std::string> RunAndRead(const std::vector<std::string>& argv) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) {
    close(out[0]);
    close(out[1]);
    return std::nullopt;
  }
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, STDERR_FILENO);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  char buffer[512];
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{out[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return text;
}

std::string FindOnPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  for (const auto& dir : SplitColons(Env("PATH", "/usr/bin:/bin"))) {
    fs::path candidate = fs::path(dir) / program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return program;
}

// The Exec line of a desktop entry, looked up in the XDG data folders.
std::string DesktopEntryExec(const std::string& desktop_file) {
  std::vector<std::string> dirs{Env("XDG_DATA_HOME", Env("HOME", "") + "/.local/share")};
  for (auto& d : SplitColons(Env("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))) {
    dirs.push_back(d);
  }
  for (const auto& dir : dirs) {
    std::ifstream in(fs::path(dir) / "applications" / desktop_file);
    if (!in) continue;
    std::string line;
    bool in_entry = false;
    while (std::getline(in, line)) {
      if (!line.empty() && line.front() == '[') in_entry = line == "[Desktop Entry]";
      if (in_entry && line.rfind("Exec=", 0) == 0) return line.substr(5);
    }
  }
  return {};
}

class TPosixNavigatorPlatform final : public TNavigatorPlatform {
 public:
  std::string DefaultHtmlOpenCommand() override {
    std::string command;
    if (auto desktop = RunAndRead({"xdg-mime", "query", "default", "text/html"})) {
      std::string name = *desktop;
      while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
      if (!name.empty()) command = DesktopEntryExec(name);
    }
    if (command.empty() && access("/usr/bin/x-www-browser", X_OK) == 0) {
      command = "/usr/bin/x-www-browser %u";
    }
    if (command.empty() || command.front() == '"') return command;
    // Desktop entries name programs as found on PATH; the rest of the program wants a file.
    std::size_t blank = command.find(' ');
    std::string program = FindOnPath(command.substr(0, blank));
    return blank == std::string::npos ? program : program + command.substr(blank);
  }

  bool StartProgram(const std::string& program, const std::string& argument) override {
    // Detached: the navigator outlives us and is never our zombie. A pipe closed on exec tells
    // whether the program really started; a failed exec writes its errno into it.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t pid = fork();
    if (pid < 0) {
      close(report[0]);
      close(report[1]);
      return false;
    }
    if (pid == 0) {
      close(report[0]);
      setsid();
      if (fork() != 0) _exit(0);
      const char* argv[] = {program.c_str(), argument.c_str(), nullptr};
      execve(program.c_str(), const_cast<char**>(argv), environ);
      const int error = errno;
      [[maybe_unused]] ssize_t n = write(report[1], &error, sizeof error);
      _exit(127);
    }
    close(report[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    int error = 0;
    ssize_t n;
    do {
      n = read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
  }

  bool DdeOpenUrl(const std::string&, const std::string&, bool) override { return false; }
  std::optional<std::string> DdeGetWindowInfo(const std::string&) override { return std::nullopt; }
  bool CanReadWindowInfo() const override { return false; }
};

}  // namespace

TNavigatorPlatform& SystemNavigatorPlatform() {
  static TPosixNavigatorPlatform platform;
  return platform;
}

}  // namespace korvane
