// TMediaPlayer: the media player control of the Multimedia tab, over Qt Multimedia. It shows the
// play, pause, stop, next and previous buttons, plays one file at a time and shows a video in the
// widget it is given as its display. Positions and lengths are milliseconds; next and previous
// go to the end and to the start of the file, which has one track.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "app/multimedia_model.h"

class QAudioOutput;
class QMediaPlayer;
class QToolButton;
class QVideoWidget;

namespace korvane::ui {

class TMediaPlayer : public QWidget {
  Q_OBJECT
 public:
  enum TMode : std::uint8_t { mpNotReady, mpStopped, mpPlaying, mpPaused };

  explicit TMediaPlayer(QWidget* parent = nullptr);
  ~TMediaPlayer() override;

  // Video is shown filling `display` (kept filled as it is resized); null for none.
  void SetDisplay(QWidget* display);
  void SetFileName(const std::string& path) { file_name_ = path; }
  // Opens the file. Qt reads it in the background: the length is 0 until LengthKnown.
  void Open();
  void Close();
  bool IsOpen() const { return open_; }

  void Play();
  // Pauses a playing file, and goes on with a paused one.
  void Pause();
  // Halts where the file is.
  void Stop();
  void Next();
  void Previous();
  void Step();
  void Back();

  std::int64_t Position() const;
  void SetPosition(std::int64_t position);
  std::int64_t Length() const;
  // How far Step and Back move.
  std::int64_t Frames() const { return MediaFrameStep(Length()); }
  TMode Mode() const;
  // Why the file could not be opened or played; empty while all is well.
  QString Error() const { return error_; }

  // Called when a button is pressed, before the player acts: false keeps the player from acting.
  std::function<bool(TMediaButton)> OnClick;

 signals:
  void LengthKnown(qint64 length);
  void ModeChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Pressed(TMediaButton button);
  void UpdateButtons();
  void FitVideo();

  QMediaPlayer* player_;
  QAudioOutput* audio_;
  // Either may be destroyed by the display's owner before the player.
  QPointer<QVideoWidget> video_;
  QPointer<QWidget> display_;
  QToolButton* buttons_[5] = {};
  std::string file_name_;
  bool open_ = false;
  bool stopped_ = false;
  QString error_;
};

}  // namespace korvane::ui
