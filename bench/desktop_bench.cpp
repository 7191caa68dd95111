// korvane_desktop_bench: figures of the desktop program, run by bench/desktop_bench.py.
//   korvane_desktop_bench startup            milliseconds from the process's start to the main
//                                            window shown on screen
//   korvane_desktop_bench capture URL FILE   a capture started from the command line (CAPTURE,
//                                            the project file, the address) through the window:
//                                            wall and CPU milliseconds of the run, files kept
//   korvane_desktop_bench pictures N         a web of N captured pictures and a 2,000 x 2,000
//                                            JPEG on the Multimedia tab: memory with them
//                                            listed, and the time to show the large one
// The settings live in a temporary work path, never the user's.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <QApplication>
#include <QBuffer>
#include <QListWidget>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "engine/web.h"
#include "settings/profile.h"
#include "store/mime_list.h"
#include "support/quiet_navigator.h"
#include "ui/main_window.h"
#include "ui/multimedia_view.h"
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

// The process's resident memory now and at its highest, in kilobytes.
std::pair<long, long> ResidentKb() {
  std::ifstream status("/proc/self/status");
  long rss = 0, hwm = 0;
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) rss = std::atol(line.c_str() + 6);
    if (line.rfind("VmHWM:", 0) == 0) hwm = std::atol(line.c_str() + 6);
  }
  return {rss, hwm};
}

// A JPEG like a photograph: gradients under noise, which a decoder cannot skim.
std::string PhotoJpeg(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int n = int(random.bounded(48));
      row[x] = qRgb((x * 200 / width + n) & 0xFF, (y * 200 / height + n) & 0xFF,
                    ((x + y) * 100 / (width + height) + n) & 0xFF);
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 85);
  return bytes.toStdString();
}

// A captured web in `folder`: `count` small pictures and big.jpg (2,000 x 2,000).
std::string PictureWeb(const std::string& folder, int count) {
  TOPTIONS defaults;
  defaults.StretchImageFlag = true;
  TMIMELIST mime;
  mime.SetToDefault();
  TWEB web(defaults);
  web.Init("http://h/", folder, mime);
  web.Tree().Find("http://h/")->State = wsPage;
  const std::string small = PhotoJpeg(320, 240);
  auto add = [&](const std::string& name, const std::string& bytes) {
    auto file = std::make_unique<TWebFile>();
    file->State = wsFile;
    file->SetMimeType("image/jpeg");
    file->SetFileName(name);
    (void)web.AddRecord("http://h/pictures/" + name, std::move(file));
    (void)RealFileSystem().WriteFile(folder + name, bytes);
  };
  add("big.jpg", PhotoJpeg(2000, 2000));
  for (int i = 0; i < count; ++i) add("picture" + std::to_string(i) + ".jpg", small);
  const std::string project = folder + "Local.Web";
  (void)web.SaveToFile(project);
  return project;
}

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

int Pictures(ui::TDesktopSetup setup, const std::string& folder, int count) {
  (void)RealFileSystem().MakeDirs(folder);
  setup.Arguments = {PictureWeb(folder, count)};
  const auto [before_kb, before_hwm] = ResidentKb();
  ui::TMainWin window(setup);
  window.resize(900, 640);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window) || !window.Web()) return 1;
  window.findChild<QTabWidget*>(QStringLiteral("WebNoteBook"))
      ->setCurrentIndex(TMainWindowModel::kMultimediaTab);
  ui::TMultimediaView& tab = window.Multimedia();
  auto* list = tab.findChild<QListWidget*>(QStringLiteral("DocumentList"));
  auto* image = tab.findChild<QWidget*>(QStringLiteral("DisplayImage"));
  QTest::qWait(200);
  const long listed_kb = ResidentKb().first;
  // The display, from the image timer's tick to the picture painted: decoding, scaling, placing.
  const QList<QListWidgetItem*> found =
      list->findItems(QStringLiteral("big.jpg"), Qt::MatchExactly);
  if (found.isEmpty()) return 1;
  const int big = list->row(found.front());
  std::vector<double> shows;
  for (int run = 0; run < 5; ++run) {
    tab.ShowDocument(-1);
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    tab.ShowDocument(big);
    image->repaint();
    shows.push_back(MsSince(start));
  }
  std::sort(shows.begin(), shows.end());
  // And as the user sees it: a click, the 500 ms timer, the display.
  tab.ShowDocument(-1);
  QApplication::processEvents();
  const auto start = std::chrono::steady_clock::now();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(big)).center());
  while (!image->isVisible() && MsSince(start) < 10000) QTest::qWait(1);
  const double click_ms = MsSince(start);
  const auto [shown_kb, hwm_kb] = ResidentKb();
  std::printf(
      "listed_files %d before_window_kb %ld listed_kb %ld shown_kb %ld peak_kb %ld "
      "show_ms %.1f show_min_ms %.1f click_to_shown_ms %.1f\n",
      list->count(), before_kb, listed_kb, shown_kb, std::max(hwm_kb, before_hwm), shows[2],
      shows[0], click_ms);
  return 0;
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
  if (mode == "pictures" && argc > 2) {
    return Pictures(setup, dir.path().toStdString() + "/web/", std::atoi(argv[2]));
  }
  std::fprintf(stderr,
               "usage: korvane_desktop_bench startup | capture URL PROJECT_FILE | pictures N\n");
  return 2;
}
