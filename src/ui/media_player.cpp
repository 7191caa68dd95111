#include "ui/media_player.h"

#include <QAudioOutput>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVideoWidget>
#include <algorithm>

namespace korvane::ui {

TMediaPlayer::TMediaPlayer(QWidget* parent)
    : QWidget(parent),
      player_(new QMediaPlayer(this)),
      audio_(new QAudioOutput(this)),
      video_(new QVideoWidget) {
  setObjectName(QStringLiteral("MediaPlayer"));
  player_->setAudioOutput(audio_);
  player_->setVideoOutput(video_);
  video_->setObjectName(QStringLiteral("MediaVideo"));
  video_->hide();

  struct TButton {
    TMediaButton button;
    QStyle::StandardPixmap icon;
    const char* name;
    QString tip;
  };
  const TButton buttons[] = {
      {TMediaButton::kPlay, QStyle::SP_MediaPlay, "PlayBut", tr("Play")},
      {TMediaButton::kPause, QStyle::SP_MediaPause, "PauseBut", tr("Pause")},
      {TMediaButton::kStop, QStyle::SP_MediaStop, "StopBut", tr("Stop")},
      {TMediaButton::kNext, QStyle::SP_MediaSkipForward, "NextBut", tr("Next")},
      {TMediaButton::kPrevious, QStyle::SP_MediaSkipBackward, "PrevBut", tr("Previous")},
  };
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  int i = 0;
  for (const TButton& b : buttons) {
    auto* tool = new QToolButton(this);
    tool->setObjectName(QLatin1String(b.name));
    tool->setIcon(style()->standardIcon(b.icon));
    tool->setToolTip(b.tip);
    tool->setAutoRaise(false);
    tool->setFixedSize(26, 24);
    connect(tool, &QToolButton::clicked, this, [this, button = b.button] { Pressed(button); });
    layout->addWidget(tool);
    buttons_[i++] = tool;
  }

  connect(player_, &QMediaPlayer::durationChanged, this, [this](qint64 length) {
    if (open_) emit LengthKnown(length);
  });
  connect(player_, &QMediaPlayer::hasVideoChanged, this, [this](bool video) {
    if (video_) video_->setVisible(video && open_ && display_);
    FitVideo();
  });
  connect(player_, &QMediaPlayer::playbackStateChanged, this, [this] {
    UpdateButtons();
    emit ModeChanged();
  });
  connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this] {
    UpdateButtons();
    emit ModeChanged();
  });
  connect(player_, &QMediaPlayer::errorOccurred, this,
          [this](QMediaPlayer::Error, const QString& text) { error_ = text; });
  UpdateButtons();
}

TMediaPlayer::~TMediaPlayer() {
  Close();
  // The video widget may live in a display that outlives the player.
  if (display_) display_->removeEventFilter(this);
  player_->setVideoOutput(nullptr);
  delete video_.data();
}

void TMediaPlayer::SetDisplay(QWidget* display) {
  if (display_) display_->removeEventFilter(this);
  display_ = display;
  video_->setParent(display);
  if (display_) display_->installEventFilter(this);
  video_->setVisible(display_ && open_ && player_->hasVideo());
  FitVideo();
}

bool TMediaPlayer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == display_ && event->type() == QEvent::Resize) FitVideo();
  return QWidget::eventFilter(watched, event);
}

void TMediaPlayer::FitVideo() {
  if (display_ && video_) video_->setGeometry(display_->rect());
}

void TMediaPlayer::Open() {
  Close();
  error_.clear();
  open_ = true;
  stopped_ = false;
  // The file's own bytes: the core names files in bytes, which a QString might spell otherwise.
  player_->setSource(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(file_name_))));
  UpdateButtons();
}

void TMediaPlayer::Close() {
  if (!open_) return;
  open_ = false;
  player_->stop();
  player_->setSource(QUrl());
  if (video_) video_->hide();
  UpdateButtons();
}

void TMediaPlayer::Play() {
  if (!open_) return;
  stopped_ = false;
  player_->play();
}

void TMediaPlayer::Pause() {
  if (!open_) return;
  if (player_->playbackState() == QMediaPlayer::PlayingState) {
    player_->pause();
  } else if (player_->playbackState() == QMediaPlayer::PausedState && !stopped_) {
    player_->play();
  }
}

void TMediaPlayer::Stop() {
  if (!open_) return;
  stopped_ = true;
  if (player_->playbackState() == QMediaPlayer::PlayingState) player_->pause();
  emit ModeChanged();
}

void TMediaPlayer::Next() { SetPosition(Length()); }

void TMediaPlayer::Previous() { SetPosition(0); }

void TMediaPlayer::Step() { SetPosition(std::min(Length(), Position() + Frames())); }

void TMediaPlayer::Back() { SetPosition(std::max<std::int64_t>(0, Position() - Frames())); }

std::int64_t TMediaPlayer::Position() const { return open_ ? player_->position() : 0; }

void TMediaPlayer::SetPosition(std::int64_t position) {
  if (open_) player_->setPosition(position);
}

std::int64_t TMediaPlayer::Length() const { return open_ ? player_->duration() : 0; }

TMediaPlayer::TMode TMediaPlayer::Mode() const {
  if (!open_) return mpNotReady;
  switch (player_->mediaStatus()) {
    case QMediaPlayer::NoMedia:
    case QMediaPlayer::LoadingMedia:
    case QMediaPlayer::InvalidMedia:
      return mpNotReady;
    default:
      break;
  }
  switch (player_->playbackState()) {
    case QMediaPlayer::PlayingState:
      return mpPlaying;
    case QMediaPlayer::PausedState:
      return stopped_ ? mpStopped : mpPaused;
    case QMediaPlayer::StoppedState:
      break;
  }
  return mpStopped;
}

void TMediaPlayer::Pressed(TMediaButton button) {
  if (OnClick && !OnClick(button)) return;
  switch (button) {
    case TMediaButton::kPlay:
      Play();
      break;
    case TMediaButton::kPause:
      Pause();
      break;
    case TMediaButton::kStop:
      Stop();
      break;
    case TMediaButton::kNext:
      Next();
      break;
    case TMediaButton::kPrevious:
      Previous();
      break;
    case TMediaButton::kStep:
      Step();
      break;
    case TMediaButton::kBack:
      Back();
      break;
    case TMediaButton::kRecord:
    case TMediaButton::kEject:
      break;
  }
}

void TMediaPlayer::UpdateButtons() {
  for (QToolButton* b : buttons_) {
    if (b) b->setEnabled(open_);
  }
}

}  // namespace korvane::ui
