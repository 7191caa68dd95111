#include "ui/socket_pump.h"

#include <QMessageBox>

#include "ui/qt_text.h"

namespace korvane::ui {

TSocketPump::TSocketPump(QObject* parent)
    : QObject(parent), library_(std::make_unique<TAsioSocketLibrary>()) {
  hub_ = std::make_unique<TSocketHub>(library_.get(), [](std::string_view warning) {
    QMessageBox::warning(nullptr, QObject::tr("Warning"), ToQt(warning));
  });
  notifier_ = std::make_unique<QSocketNotifier>(library_->EventHandle(), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &TSocketPump::Activated);
  // What the reactor's start left pending.
  ProcessMessages();
}

TSocketPump::~TSocketPump() {
  // The hub shuts the library; the library goes last.
  notifier_.reset();
  hub_.reset();
  library_.reset();
}

void TSocketPump::ProcessMessages() { library_->Pump().ProcessMessages(); }

void TSocketPump::Activated() {
  ProcessMessages();
  emit EventsProcessed();
}

}  // namespace korvane::ui
