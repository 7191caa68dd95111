// korvane_desktop_bench: figures of the desktop program, run by bench/desktop_bench.py.
//   korvane_desktop_bench startup            milliseconds from the process's start to the main
//                                            window shown on screen
//   korvane_desktop_bench capture URL FILE   a capture started from the command line (CAPTURE,
//                                            the project file, the address) through the window:
//                                            wall and CPU milliseconds of the run, files kept
// The settings live in a temporary work path, never the user's.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "base/file_system.h"
#include "settings/profile.h"
#include "support/quiet_navigator.h"
#include "ui/main_window.h"
#include "ui/run_stepper.h"

namespace {

using namespace korvane;

double UserMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3;
}

double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Milliseconds since this process started, from its start time in /proc and the boot clock.
double MsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Field 22, counted after the command's closing parenthesis (field 2 may hold blanks).
  std::size_t at = text.rfind(')');
  long long start_ticks = 0;
  int field = 2;
  for (std::size_t i = at + 1; i < text.size() && field < 22; ++i) {
    if (text[i] == ' ') {
      ++field;
      if (field == 22) start_ticks = std::atoll(text.c_str() + i + 1);
    }
  }
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double now_ms = now.tv_sec * 1e3 + now.tv_nsec / 1e6;
  return now_ms - start_ticks * 1e3 / double(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  QTemporaryDir dir;
  const std::string work = dir.path().toStdString() + "/work/";
  (void)RealFileSystem().MakeDirs(work);
  TIniProfile profile(RealFileSystem(), dir.path().toStdString() + "/profile.ini", work);
  profile.WriteWorkPath(work);
  (void)RealFileSystem().WriteFile(work + "korvane.ini", "");
  testing::TQuietNavigator navigator;
  ui::TDesktopSetup setup;
  setup.Profile = &profile;
  setup.Navigator = &navigator;

  if (mode == "startup") {
    ui::TMainWin window(setup);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    std::printf("startup_ms %.1f\n", MsSinceProcessStart());
    return 0;
  }
  if (mode == "capture" && argc > 3) {
    setup.Arguments = {"CAPTURE", argv[3], argv[2]};
    ui::TMainWin window(setup);
    QSignalSpy finished(&window, &ui::TMainWin::CaptureFinished);
    window.show();
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuMs();
    const double user = UserMs();
    double resolve_at = 0;
    QObject::connect(&window.Stepper(), &ui::TRunStepper::Stepped, &window, [&] {
      if (resolve_at == 0 && window.Run() &&
          window.Run()->Phase() == TCaptureRun::TPhase::kResolving) {
        resolve_at =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
      }
    });
    if (!finished.wait(600000)) return 1;
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("capture_ms %.1f session_ms %.1f cpu_ms %.1f user_ms %.1f files %d steps %ld\n",
                wall, resolve_at, CpuMs() - cpu, UserMs() - user, window.LastRunResult().Captured,
                window.Stepper().Steps());
    return 0;
  }
  std::fprintf(stderr, "usage: korvane_desktop_bench startup | capture URL PROJECT_FILE\n");
  return 2;
}
