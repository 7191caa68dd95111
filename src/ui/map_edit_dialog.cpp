#include "ui/map_edit_dialog.h"

#include <QAction>
#include <QActionGroup>
#include <QColorDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/web.h"
#include "ui/gf_image.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/shape_painter.h"

namespace korvane::ui {
namespace {

QListWidget* MapList(const char* name, const std::vector<std::string>& items, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QLatin1String(name));
  for (const std::string& item : items) list->addItem(ToQt(item));
  return list;
}

}  // namespace

// ---- TOpenMapDialog ------------------------------------------------------------------------

TOpenMapDialog::TOpenMapDialog(std::vector<TMapChoice> maps, QWidget* parent)
    : QDialog(parent), model_(std::move(maps)) {
  setObjectName(QStringLiteral("OpenMapDlg"));
  setWindowTitle(ToQt(TOpenMapDlg::kCaption));
  images_ = MapList("ImageList", model_.ImageItems(), this);
  pages_ = MapList("PageList", model_.PageItems(), this);
  // A click in either list selects the same row in both.
  connect(images_, &QListWidget::currentRowChanged, this, &TOpenMapDialog::Select);
  connect(pages_, &QListWidget::currentRowChanged, this, &TOpenMapDialog::Select);
  connect(images_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    taken_ = model_.DoubleClick(images_->row(item));
    accept();
  });
  auto* ok = new QPushButton(tr("&OK"), this);
  ok->setObjectName(QStringLiteral("OkBut"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(tr("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelBut"));
  connect(ok, &QPushButton::clicked, this, [this] {
    taken_ = model_.Result(mrOk);
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(ToQt(TOpenMapDlg::kImageHeader), this), 0, 0);
  grid->addWidget(new QLabel(ToQt(TOpenMapDlg::kPageHeader), this), 0, 1);
  grid->addWidget(images_, 1, 0);
  grid->addWidget(pages_, 1, 1);
  grid->setColumnStretch(1, 2);
  grid->setColumnStretch(0, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 2, 0, 1, 2);
  resize(560, 280);
}

void TOpenMapDialog::Select(int row) {
  model_.Select(row);
  for (QListWidget* list : {images_, pages_}) {
    const QSignalBlocker quiet(list);
    list->setCurrentRow(model_.Selected());
  }
}

int TOpenMapDialog::Run() {
  taken_ = -1;
  exec();
  return result() == QDialog::Accepted ? taken_ : -1;
}

// ---- the drawing area ----------------------------------------------------------------------

// The picture at its own size, the zones over it; the mouse goes to the editor's model.
class TMapEditDialog::TCanvas final : public QWidget {
 public:
  TCanvas(TMapEditDialog& dialog, QWidget* parent) : QWidget(parent), dialog_(dialog) {
    setObjectName(QStringLiteral("MapCanvas"));
    // A polygon ends when the mouse moves away without a button: moves are needed unpressed.
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
  }

  void SetPicture(const QImage& picture) {
    pixmap_ = QPixmap::fromImage(picture);
    setFixedSize(pixmap_.isNull() ? QSize(0, 0) : pixmap_.size());
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    if (!pixmap_.isNull()) painter.drawPixmap(event->rect(), pixmap_, event->rect());
    PaintShapes(painter, dialog_.model_.Paint(), palette(), palette().color(QPalette::Window));
  }
  void mousePressEvent(QMouseEvent* event) override {
    TMapEditDlg::TButton button = TMapEditDlg::kMiddle;
    if (event->button() == Qt::LeftButton) button = TMapEditDlg::kLeft;
    if (event->button() == Qt::RightButton) button = TMapEditDlg::kRight;
    dialog_.Repaint(dialog_.model_.MousePress(Point(event), button));
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    dialog_.Repaint(dialog_.model_.MouseMove(Point(event), event->buttons() & Qt::LeftButton));
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    dialog_.Repaint(dialog_.model_.MouseRelease(Point(event)));
  }

 private:
  static TPoint Point(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
  }

  TMapEditDialog& dialog_;
  QPixmap pixmap_;
};

// ---- TMapEditDialog ------------------------------------------------------------------------

TMapEditDialog::TMapEditDialog(TWEB& web, TFileSystem& fs, QWidget* parent)
    : QDialog(parent), source_(web), model_(source_, fs), fs_(fs) {
  setObjectName(QStringLiteral("MapEditDlg"));
  setWindowTitle(tr("Image MAP"));
  auto* menus = new QMenuBar(this);
  QMenu* file = menus->addMenu(tr("&File"));
  file->addAction(tr("&Open..."), this, [this] { OpenCommand(); });
  save_ = file->addAction(tr("&Save"), this, &TMapEditDialog::SaveCommand);
  save_->setShortcut(QKeySequence::Save);
  file->addSeparator();
  file->addAction(tr("&Exit"), this, &QDialog::close);

  tools_menu_ = menus->addMenu(tr("&Tools"));
  auto* group = new QActionGroup(this);
  const QString names[] = {tr("&Rectangle"), tr("&Horizontal band"), tr("&Vertical band"),
                           tr("&Circle"), tr("&Polygon")};
  for (int tool = 0; tool < 5; ++tool) {
    QAction* action = tools_menu_->addAction(names[tool]);
    action->setCheckable(true);
    group->addAction(action);
    connect(action, &QAction::triggered, this,
            [this, tool] { ToolChosen(TMapEditDlg::TTool(tool)); });
    tools_[tool] = action;
  }
  tools_[model_.Tool()]->setChecked(true);
  tools_menu_->addSeparator();
  tools_menu_->addAction(tr("Clear &all"), this, &TMapEditDialog::ClearAllCommand);
  tools_menu_->addAction(tr("C&olor..."), this, &TMapEditDialog::ColorCommand);

  canvas_ = new TCanvas(*this, nullptr);
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("MapScroll"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidget(canvas_);
  scroll_->setWidgetResizable(false);
  scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menus);
  layout->addWidget(scroll_);
  resize(320, 240);
  UpdateMenus();
}

TMapEditDialog::~TMapEditDialog() = default;

QWidget* TMapEditDialog::Canvas() const { return canvas_; }

void TMapEditDialog::Run() {
  // With no map open the editor closes as soon as it would show.
  if (!OpenCommand()) return;
  exec();
}

bool TMapEditDialog::OpenCommand() {
  if (!CloseMapAsking()) return model_.MapOpen();
  const std::vector<TMapChoice> maps = source_.Maps();
  int row = 0;
  if (TOpenMapDlg::NeedsChooser(maps.size())) {
    TOpenMapDialog chooser(maps, this);
    row = chooser.Run();
  }
  if (row < 0) return false;
  TGFimage decoder(fs_);
  std::optional<TMapEditDlg::TSize> size;
  QImage picture;
  if (decoder.LoadFromFile(model_.PicturePath(row))) {
    decoder.CopyToBitmap(picture);
    size = TMapEditDlg::TSize{picture.width(), picture.height()};
  }
  if (!model_.OpenMap(row, size)) return false;
  ShowPicture(picture);
  setWindowTitle(ToQt(model_.Caption()));
  UpdateMenus();
  return true;
}

void TMapEditDialog::ShowPicture(const QImage& picture) {
  canvas_->SetPicture(picture);
  // A picture that could not be decoded leaves the window as it is.
  if (picture.isNull()) return;
  // The drawing area takes the picture's size, within the screen; a larger picture scrolls.
  const int menu = layout()->menuBar()->sizeHint().height();
  QSize wanted(picture.width(), picture.height() + menu);
  if (const QScreen* s = screen()) {
    const QSize room = s->availableGeometry().size() * 9 / 10;
    if (wanted.width() > room.width() || wanted.height() > room.height()) {
      const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
      wanted = QSize(std::min(wanted.width() + bar, room.width()),
                     std::min(wanted.height() + bar, room.height()));
    }
  }
  resize(wanted);
}

bool TMapEditDialog::CloseMapAsking() {
  if (!model_.MapOpen()) return true;
  TModalResult answer = mrNo;
  if (model_.CloseQuestionNeeded()) {
    answer = Ask(this, TMapEditDlg::kCloseQuestionText, model_.CloseQuestionTitle(),
                 mbYes | mbNo | mbCancel);
    if (answer == mrCancel) return false;
    if (answer == mrYes && !SaveOrTell()) return false;
  }
  if (!model_.CloseMap(answer)) return false;
  canvas_->SetPicture(QImage());
  UpdateMenus();
  return true;
}

void TMapEditDialog::reject() {
  if (CloseMapAsking()) QDialog::reject();
}

void TMapEditDialog::SaveCommand() {
  if (model_.SaveEnabled()) SaveOrTell();
}

bool TMapEditDialog::SaveOrTell() {
  if (model_.Save()) return true;
  // The previous map file is whole and the zones stay to be saved again.
  Tell(this, "The map could not be saved to " + source_.Folder() + model_.CloseQuestionTitle(),
       "Error", TBoxIcon::kStop);
  return false;
}

void TMapEditDialog::ClearAllCommand() {
  if (model_.ToolsEnabled()) Repaint(model_.ClearAll());
}

void TMapEditDialog::ColorCommand() {
  if (!model_.ToolsEnabled()) return;
  const TColor c = model_.Color();
  QColorDialog chooser(QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)), this);
  chooser.setObjectName(QStringLiteral("ColorDlg"));
  // Qt's own chooser, always in its full form.
  chooser.setOption(QColorDialog::DontUseNativeDialog);
  if (chooser.exec() != QDialog::Accepted) return;
  const QColor chosen = chooser.selectedColor();
  Repaint(model_.SetColor(
      Rgb(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue()))));
}

void TMapEditDialog::ToolChosen(TMapEditDlg::TTool tool) { model_.SetTool(tool); }

void TMapEditDialog::Repaint(const TMapEditDlg::TRepaint& repaint) {
  if (repaint.whole) {
    canvas_->update();
  } else if (!repaint.area.IsEmpty()) {
    // The outline is drawn on the area's edge pixels, and the area before a move joins it.
    const TRect& a = repaint.area;
    canvas_->update(QRect(a.Left, a.Top, a.Width(), a.Height()).adjusted(-1, -1, 1, 1));
  }
}

void TMapEditDialog::UpdateMenus() {
  save_->setEnabled(model_.SaveEnabled());
  tools_menu_->menuAction()->setEnabled(model_.ToolsEnabled());
}

}  // namespace korvane::ui
