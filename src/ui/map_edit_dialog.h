// The image-map editor's windows: TMapEditDialog, where zones are drawn over a captured picture
// with a server-side map, and TOpenMapDialog, its chooser when the web has several maps. The
// editor's every decision is TMapEditDlg's (maps/map_editor.h): the window decodes the picture,
// paints it under the zones, forwards the mouse and the menu commands and asks the questions.
#pragma once

#include <QDialog>
#include <QImage>

#include "app/map_edit_model.h"
#include "app/web_commands.h"

class QAction;
class QListWidget;
class QMenu;
class QScrollArea;

namespace korvane {
class TFileSystem;
class TWEB;
}  // namespace korvane

namespace korvane::ui {

class TOpenMapDialog final : public QDialog {
  Q_OBJECT
 public:
  TOpenMapDialog(std::vector<TMapChoice> maps, QWidget* parent = nullptr);
  // The row chosen, -1 for none.
  int Run();

 private:
  void Select(int row);

  TOpenMapDlg model_;
  QListWidget* images_;
  QListWidget* pages_;
  int taken_ = -1;
};

class TMapEditDialog final : public QDialog {
  Q_OBJECT
 public:
  TMapEditDialog(TWEB& web, TFileSystem& fs, QWidget* parent = nullptr);
  ~TMapEditDialog() override;

  // Opens a map of the web (asking which when it has several) and runs the editor until it is
  // closed; returns at once when no map could be opened.
  void Run();
  // "&Open...": the open map is closed first (asking when it changed); false when no map is open
  // afterwards.
  bool OpenCommand();

  TMapEditDlg& Model() { return model_; }
  QWidget* Canvas() const;

 public slots:
  // Closing the window goes through the close question (Escape too).
  void reject() override;

 private:
  class TCanvas;

  bool CloseMapAsking();
  void SaveCommand();
  bool SaveOrTell();
  void ClearAllCommand();
  void ColorCommand();
  void ToolChosen(TMapEditDlg::TTool tool);
  void Repaint(const TMapEditDlg::TRepaint& repaint);
  void ShowPicture(const QImage& picture);
  void UpdateMenus();

  TWebMapSource source_;
  TMapEditDlg model_;
  TFileSystem& fs_;
  TCanvas* canvas_;
  QScrollArea* scroll_;
  QAction* save_ = nullptr;
  QAction* tools_[5] = {};
  QMenu* tools_menu_ = nullptr;
};

}  // namespace korvane::ui
