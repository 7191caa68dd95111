// The main window's capture runs: the Capture tab that shows them, starting and stopping them,
// and the closing work when they end.
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/capture_progress_model.h"
#include "app/error_box_model.h"
#include "app/multimedia_model.h"
#include "base/data_folder.h"
#include "engine/web_bookmark.h"
#include "settings/profile.h"
#include "ui/add_url_dialog.h"
#include "ui/desktop_notice.h"
#include "ui/main_window.h"
#include "ui/main_window_parts.h"
#include "ui/message_box.h"
#include "ui/meter_widget.h"
#include "ui/qt_text.h"
#include "ui/resolve_dialog.h"
#include "ui/run_stepper.h"
#include "ui/settings_dialogs.h"
#include "ui/socket_pump.h"
#include "ui/stop_dialog.h"

namespace korvane::ui {

TMainWin::~TMainWin() {
  // The title box loses its focus as the window goes; leaving it must not rename a bookmark then.
  disconnect(title_edit_, nullptr, this, nullptr);
  // A run still under way when the program is torn down (never after a normal close).
  run_.reset();
  // Nobody is left to read a failure here: a normal close saved the list and said its failure;
  // this is the teardown without one (a signal, a test), saving what it can.
  (void)recent_.Save(fs_, core_->Param().WorkPath());
  (void)core_->Param().SaveSettings();
}

TResolveView* TMainWin::TRunHooks::ResolveView() {
  window_.model_.SetResolving(true);
  window_.UpdateCommands();
  auto* dialog = new TResolveDialog(&window_);
  dialog->setWindowModality(Qt::WindowModal);
  window_.resolve_dialog_ = dialog;
  dialog->ShowFor([this] {
    if (window_.run_ && window_.run_->Resolver()) window_.run_->Resolver()->Cancel();
  });
  return dialog;
}

QWidget* TMainWin::CaptureTab() {
  capture_tab_ = std::make_unique<TCaptureTab>();
  hooks_ = std::make_unique<TRunHooks>(*this);
  TCaptureTab& c = *capture_tab_;
  auto* tab = new QWidget;
  auto read_only = [tab](const char* name) {
    auto* edit = new QLineEdit(tab);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    return edit;
  };

  auto* counters = new QGroupBox(tr(" Counters "), tab);
  auto* counter_grid = new QGridLayout(counters);
  const char* names[] = {"LinkCountEdit",     "FilteredCountEdit", "TodoCountEdit",
                         "NotFoundCountEdit", "CapturedCountEdit", "ErrorCountEdit"};
  const QString labels[] = {tr("Number of links:"), tr("Ignored:"),        tr("To be explored:"),
                            tr("Not found:"),       tr("Captured pages:"), tr("Errors:")};
  for (int i = 0; i < 6; ++i) {
    c.counters[i] = read_only(names[i]);
    c.counters[i]->setAlignment(Qt::AlignRight);
    counter_grid->addWidget(new QLabel(labels[i], counters), i % 3, (i / 3) * 2);
    counter_grid->addWidget(c.counters[i], i % 3, (i / 3) * 2 + 1);
  }
  c.total_size = read_only("TotalSizeEdit");
  c.free_disk = read_only("FreeDiskSizeEdit");
  c.received = read_only("ReceivedSizeEdit");
  c.received_label = new QLabel(tr("Received:"), counters);
  c.time_panel = new QLabel(QStringLiteral("00:00:00"), counters);
  c.time_panel->setObjectName(QStringLiteral("TimePanel"));
  c.time_panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  c.time_panel->setAlignment(Qt::AlignCenter);
  QFont clock_font = c.time_panel->font();
  clock_font.setFamily(QStringLiteral("monospace"));
  clock_font.setStyleHint(QFont::Monospace);
  clock_font.setPointSizeF(clock_font.pointSizeF() * 1.6);
  clock_font.setBold(true);
  c.time_panel->setFont(clock_font);
  // The clock changes every second: a fixed size keeps each change to the clock's own repaint.
  c.time_panel->setFixedSize(c.time_panel->sizeHint() + QSize(24, 6));
  // The sizes in a third column: three rows are all the counters need, and the tab fits the
  // window's first size without scrolling.
  counter_grid->addWidget(new QLabel(tr("HD occupancy:"), counters), 0, 4);
  counter_grid->addWidget(c.total_size, 0, 5);
  counter_grid->addWidget(new QLabel(tr("Free disk space:"), counters), 1, 4);
  counter_grid->addWidget(c.free_disk, 1, 5);
  counter_grid->addWidget(c.received_label, 2, 4);
  counter_grid->addWidget(c.received, 2, 5);
  counter_grid->setColumnStretch(1, 2);
  counter_grid->setColumnStretch(3, 2);
  counter_grid->setColumnStretch(5, 3);
  // Hidden between runs, these keep their room: the tab must not jump when a capture ends.
  QWidget* const running_only_widgets[] = {c.received, c.received_label, c.time_panel};
  for (QWidget* running_only : running_only_widgets) {
    QSizePolicy policy = running_only->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    running_only->setSizePolicy(policy);
  }

  // The run as a whole: how far, how fast, how long still; then stopping, or how it ended.
  auto* overall = new QGroupBox(tr(" Progress "), tab);
  auto* overall_grid = new QGridLayout(overall);
  c.progress = new QProgressBar(overall);
  c.progress->setObjectName(QStringLiteral("CaptureProgress"));
  c.progress->setRange(0, 100);
  c.progress->setValue(0);
  c.progress->setTextVisible(true);
  c.progress->setFormat(QString());
  auto label = [overall](const char* name) {
    auto* l = new QLabel(overall);
    l->setObjectName(QLatin1String(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // One line each, whatever the text, so that a new text never moves what is below it.
    l->setFixedHeight(l->fontMetrics().height() + 2);
    return l;
  };
  c.rate = label("RateLabel");
  c.time_left = label("TimeLeftLabel");
  c.outcome = label("OutcomeLabel");
  c.time_left->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Rate and time left beside the bar, wide enough for their longest texts so that the bar does
  // not change width as they change.
  const QFontMetrics metrics = c.rate->fontMetrics();
  c.rate->setFixedWidth(
      metrics.horizontalAdvance(QStringLiteral("1023.9 MB received, 1023.9 MB/s")));
  c.time_left->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("About 99 h 59 min left")));
  c.rate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  overall_grid->addWidget(c.progress, 0, 0);
  overall_grid->addWidget(c.rate, 0, 1);
  overall_grid->addWidget(c.time_left, 0, 2);
  c.time_panel->setParent(overall);
  overall_grid->addWidget(c.time_panel, 0, 3);
  overall_grid->addWidget(c.outcome, 1, 0, 1, 4);
  // A long outcome is cut at the window's edge rather than widening the tab.
  c.outcome->setSizePolicy(QSizePolicy::Ignored, c.outcome->sizePolicy().verticalPolicy());
  overall_grid->setColumnStretch(0, 1);

  auto* sockets = new QGroupBox(tr(" Socket progress "), tab);
  auto* grid = new QGridLayout(sockets);
  grid->setVerticalSpacing(2);
  const QString headers[] = {tr("Domain"), tr("Url"), tr("State"), tr("Size"), tr("File progress")};
  for (int col = 0; col < 5; ++col) {
    auto* header = new QLabel(headers[col], sockets);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    grid->addWidget(header, 0, col);
  }
  for (int i = 0; i < TMainWindowModel::kSlotRows; ++i) {
    const QString n = QString::number(i + 1);
    TCaptureTab::TSlot& row = c.rows[i];
    row.web = read_only("");
    row.web->setObjectName(QStringLiteral("Web") + n);
    row.url = read_only("");
    row.url->setObjectName(QStringLiteral("Url") + n);
    row.state = read_only("");
    row.state->setObjectName(QStringLiteral("State") + n);
    row.size = read_only("");
    row.size->setObjectName(QStringLiteral("Size") + n);
    // Room for the longest size it shows, so that no digit is cut off.
    row.size->setMinimumWidth(
        row.size->fontMetrics().horizontalAdvance(QStringLiteral("99999 bytes")) + 12);
    row.meter = new TMeterWidget(sockets);
    row.meter->setObjectName(QStringLiteral("Meter") + n);
    row.meter->Model().SetSegmentWidth(4);
    row.meter->Model().SetSegmentGap(1);
    row.meter->setFixedHeight(row.web->sizeHint().height() - 4);
    row.meter->setMinimumWidth(81);
    grid->addWidget(row.web, i + 1, 0);
    grid->addWidget(row.url, i + 1, 1);
    grid->addWidget(row.state, i + 1, 2);
    grid->addWidget(row.size, i + 1, 3);
    grid->addWidget(row.meter, i + 1, 4);
  }
  grid->setColumnStretch(0, 2);
  grid->setColumnStretch(1, 4);
  grid->setColumnStretch(2, 2);
  grid->setColumnStretch(3, 1);
  grid->setColumnStretch(4, 2);

  // The boxes keep their height when the window grows: the room left goes below the last box,
  // not into a blank band inside one.
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(counters);
  layout->addWidget(overall);
  layout->addWidget(sockets);
  layout->addStretch(1);
  ShowRunning(false);
  // Below the tab's natural height (the smallest window) it scrolls rather than squeezing the
  // rows into each other; above it, it fills the tab.
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("CaptureScroll"));
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(tab);
  return scroll;
}

void TMainWin::ShowCaptureFigures(const TCaptureCounters& counters, const std::string& total_size,
                                  const std::string& free_disk) {
  capture_tab_->ShowCounters(counters);
  capture_tab_->ShowTotalSize(total_size);
  capture_tab_->ShowFreeDisk(free_disk);
  capture_tab_->Flush();
}

void TMainWin::ShowRunning(bool running) {
  capture_tab_->received->setVisible(running);
  capture_tab_->received_label->setVisible(running);
  capture_tab_->time_panel->setVisible(running);
}

void TMainWin::ClearSlotRows() {
  const auto rows = TMainWindowModel::ClearedSlotRows();
  for (int slot = 1; slot <= TMainWindowModel::kSlotRows; ++slot) {
    const TMainWindowModel::TSlotRow& row = rows[std::size_t(slot - 1)];
    capture_tab_->ShowSlot(slot, TSlotField::kWeb, row.Web);
    capture_tab_->ShowSlot(slot, TSlotField::kUrl, row.Url);
    capture_tab_->ShowSlot(slot, TSlotField::kState, row.State);
    capture_tab_->ShowSlot(slot, TSlotField::kSize, row.Size);
    capture_tab_->ShowSlotMeter(slot, row.Meter);
  }
  capture_tab_->ShowReceived("");
  capture_tab_->ShowClock("00:00:00");
  capture_tab_->Flush();
}

void TMainWin::RunCapture() { StartRun(/*update=*/false); }

void TMainWin::RunUpdate() {
  if (web_ && web_->CapturedCount() != 0) StartRun(/*update=*/true);
}

void TMainWin::StartRun(bool update) {
  if (!web_ || !model_.CanRunCommand() || run_ || model_.Capturing()) return;
  StoreWeb();
  ClearSlotRows();
  remembered_tab_ = notebook_->currentIndex();
  notebook_->setCurrentIndex(TMainWindowModel::kCaptureTab);
  if (!model_.BeginCapture()) return;
  hooks_->failure.reset();
  hooks_->error.clear();
  hooks_->after_capture = false;
  capture_tab_->documents = multimedia_;
  TResolveSetup resolve = ResolveSetupOf(core_->Param(), program_folder_);
  TCaptureSettings settings = CaptureSettingsOf(core_->Param());
  settings.Update = update;
  settings.DeleteGone = update && web_->Options().DeleteGone;
  run_ = std::make_unique<TCaptureRun>(*web_, settings, pump_->Hub(), &core_->GlobalMime(), *hooks_,
                                       std::move(resolve), WebPageProcessor(*web_), clock_);
  progress_.Start(clock_.TickMs());
  capture_tab_->progress->setValue(0);
  capture_tab_->progress->setFormat(QString());
  capture_tab_->rate->clear();
  capture_tab_->time_left->clear();
  capture_tab_->outcome->clear();
  statusBar()->clearMessage();
  ShowRunning(true);
  UpdateCommands();
  stepper_->Start(*run_);
  progress_timer_->start();
  ShowProgress();
}

void TMainWin::StopCapture() {
  if (!model_.CommandEnabled(TCommand::kStop, {})) return;
  if (model_.StopAbortsAtOnce()) {
    model_.AbortStop();
    UpdateCommands();
    stepper_->StepSoon();
    ShowProgress();
    return;
  }
  TStopDialog dialog(this);
  run_question_ = &dialog;
  const bool ok = dialog.exec() == QDialog::Accepted;
  run_question_ = nullptr;
  // The run may have ended while the dialog was open: the model then ignores the request.
  if (!ok || !model_.Capturing()) return;
  model_.RequestStop(dialog.CompleteInProgress());
  UpdateCommands();
  stepper_->StepSoon();
  ShowProgress();
}

void TMainWin::ShowProgress() {
  TCapture* session = run_ ? run_->Session() : nullptr;
  if (!session) return;
  TCaptureSample sample;
  sample.TickMs = clock_.TickMs();
  sample.Bytes = session->BytesReceived();
  sample.Done = session->CapturedCount() + session->NotFoundCount() + session->ErrorCount() +
                session->FilteredCount();
  if (const auto todo = web_->GetTodoCount()) sample.Todo = std::int32_t(*todo);
  progress_.Add(sample);
  TCaptureTab& c = *capture_tab_;
  const std::optional<int> percent = progress_.Percent();
  c.progress->setValue(percent.value_or(0));
  c.progress->setFormat(ToQt(progress_.ProgressText()));
  c.rate->setText(ToQt(progress_.RateText()));
  if (model_.State() == TWindowState::kStopping) {
    // What is left is the stop's wait, said below; the pace of the run no longer tells it.
    c.time_left->clear();
    const QString stopping = ToQt(StoppingText(session->BusyCount(), session->StopWaitLeft()));
    c.outcome->setText(stopping);
    statusBar()->showMessage(stopping);
  } else {
    c.time_left->setText(ToQt(progress_.TimeLeftText()));
  }
}

void TMainWin::SayCaptureEnded() {
  const TCaptureSummary summary = SummarizeCapture(last_result_, model_.UserStop());
  const QString text = ToQt(summary.Text);
  // No timeout: the summary stays until the next run or message replaces it.
  statusBar()->showMessage(text);
  TCaptureTab& c = *capture_tab_;
  c.outcome->setText(text);
  c.rate->setText(ToQt(TCaptureProgressModel::ReceivedText(last_result_)));
  c.time_left->clear();
  if (!summary.Failed && !last_result_.Stopped) {
    c.progress->setValue(100);
    c.progress->setFormat(QStringLiteral("%p%"));
  }
  if (!isActiveWindow()) TellDesktop(this, ToQt(summary.Title), text, summary.Failed);
}

void TMainWin::DismissRunQuestions() {
  if (run_question_) run_question_->reject();
  run_question_ = nullptr;
}

void TMainWin::RunFinished() {
  capture_tab_->Flush();
  last_result_ = run_->Result();
  run_.reset();
  model_.SetResolving(false);
  if (resolve_dialog_) {
    resolve_dialog_->accept();
    resolve_dialog_->deleteLater();
  }
  DismissRunQuestions();
  progress_timer_->stop();
  SayCaptureEnded();
  const bool quit = model_.CaptureEnded();
  ShowRunning(false);
  if (!web_->FileName().empty()) recent_.Add(web_->FileName());
  RebuildRecentMenu();
  ShowWeb();
  RebuildDocumentList();
  RebuildUrlList();
  notebook_->setCurrentIndex(remembered_tab_);
  if (hooks_->failure) ExplainFailure(*hooks_->failure);
  if (quit) {
    close();
  } else if (hooks_->after_capture) {
    AfterCapture();
  } else if (last_result_.ResolveCancelled && OfferToFinishResolving() &&
             last_result_.Captured > 0 && !last_result_.Stopped) {
    AfterCapture();
  }
  emit CaptureFinished();
}

void TMainWin::ExplainFailure(const TCaptureFailure& failure) {
  const TFailureExplanation explanation = korvane::ExplainFailure(failure, web_->Url());
  const TModalResult answer = ShowMessageBox(this, explanation.Box);
  if (!explanation.OffersRename || answer != mrYes) return;
  TAddUrlDialog dialog(TAddUrlDlg::ForNewWebAddress(web_->Url()), core_->Param(), pump_->Hub(),
                       this);
  if (!dialog.Run()) return;
  web_->Reinit(dialog.Model().CanonicalUrl());
  ShowWeb();
  RebuildUrlList();
  notebook_->setCurrentIndex(TMainWindowModel::kWebTab);
}

void TMainWin::AfterCapture() {
  if (core_->Param().AutoAddBookmark) {
    AddWebBookmark(bookmarks_, core_->Param(), *web_, clock_.Now(), *bookmark_hooks_);
  }
  if (core_->Param().AutoLaunch) OpenWebPage(kHomePageName);
  UpdateCommands();
}

}  // namespace korvane::ui
