// TMultimediaView: the Multimedia tab. The document list (owner-drawn, an icon per exact
// extension), the wall where a picture is shown or a video played, the media panel with the
// player and its position bar, the "Load document" button and the type and resize boxes. Every
// choice is TMultimediaTab's: the view forwards clicks and timer ticks and carries out the
// TShowAction returned.
#pragma once

#include <QFrame>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QTimer>
#include <string>
#include <vector>

#include "app/multimedia_model.h"

class QCheckBox;
class QScrollArea;
class QPushButton;
class QScrollBar;

namespace korvane {
class TFileSystem;
}

namespace korvane::ui {

class TMediaPlayer;

// The document list: a click (or a selection moved with the keyboard) and a double click.
class TDocumentList final : public QListWidget {
  Q_OBJECT
 public:
  explicit TDocumentList(QWidget* parent = nullptr);

 signals:
  void Clicked();
  void DoubleClicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

class TMultimediaView final : public QWidget {
  Q_OBJECT
 public:
  explicit TMultimediaView(TFileSystem& fs, QWidget* parent = nullptr);
  ~TMultimediaView() override;

  // The boxes: the window reads them into its form and stores them into the web.
  QCheckBox* ListGif = nullptr;
  QCheckBox* ListJpeg = nullptr;
  QCheckBox* ListAvi = nullptr;
  QCheckBox* ListWav = nullptr;
  QCheckBox* StretchImage = nullptr;

  // The web's documents, listed anew; `web_path` ends with a separator. What is shown stays.
  void SetDocuments(const std::vector<std::string>& names, const std::string& web_path);
  // A picture kept during a capture.
  void AddDocument(const std::string& name);
  // The web's StretchImageFlag; the current picture is shown again.
  void SetStretch(bool stretch);
  // The "Avi" and "Wav" boxes show the player or hide it.
  void SetPlayerVisible(bool visible);

  // Shows item `index` of the list (-1: nothing, which closes the player and hides its panel).
  void ShowDocument(int index);
  // The web is closed: nothing is shown and the list is empty.
  void Clear();

  TMediaPlayer& Player() { return *player_; }
  TMultimediaTab& Model() { return tab_; }

 signals:
  // The box of a document type was clicked.
  void TypeBoxClicked();
  void StretchBoxClicked(bool checked);
  // "Load document": the shown document's file.
  void BrowseRequested(const std::string& path);

 private:
  void AddItem(const std::string& name);
  class TWall;
  class TDisplayImage;

  void Carry(const TShowAction& action);
  void ShowPicture(const std::string& path);
  void PlacePicture();
  void ClearPicture();
  void OpenMedia(const TShowAction& action);
  void HidePanel();
  void MediaTimerTick();
  bool PlayerButton(TMediaButton button);
  void BarAction(int qt_action);
  void BarScrolled(TBarScroll code, std::int64_t position);

  TFileSystem& fs_;
  TMultimediaTab tab_;
  std::vector<std::string> items_;
  std::string web_path_;
  std::string shown_path_;
  bool stretch_ = false;

  TDocumentList* list_;
  TWall* wall_;
  QScrollArea* scroll_;
  TDisplayImage* image_;
  QWidget* panel_;
  TMediaPlayer* player_;
  QScrollBar* bar_;
  QPushButton* browse_;
  QTimer image_timer_;
  QTimer media_timer_;
  QImage picture_;  // the decoded picture, placed again when the wall or the flag changes
};

}  // namespace korvane::ui
