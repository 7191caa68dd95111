#include "ui/multimedia_view.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "ui/gf_image.h"
#include "ui/media_player.h"
#include "ui/qt_text.h"
#include "viewer/picture_placement.h"

namespace korvane::ui {
namespace {

constexpr int kIconWidth = 14;

// The icon strip, its white drawn as transparent.
QPixmap IconStrip() {
  const QImage strip(QStringLiteral(":/korvane/document_icons.svg"));
  if (strip.isNull()) return {};
  QPixmap pixmap = QPixmap::fromImage(strip);
  pixmap.setMask(pixmap.createMaskFromColor(Qt::white));
  return pixmap;
}

int Clamped(std::int64_t v) { return int(std::clamp<std::int64_t>(v, 0, INT_MAX)); }

class TDocumentDelegate final : public QStyledItemDelegate {
 public:
  explicit TDocumentDelegate(QObject* parent) : QStyledItemDelegate(parent), icons_(IconStrip()) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
    const QString text = index.data().toString();
    if (!icons_.isNull()) {
      const int cell = DocumentIconCell(FromQt(text));
      const int top = option.rect.top() + (option.rect.height() - icons_.height()) / 2;
      painter->drawPixmap(option.rect.left() + 2, top, icons_, cell * kIconWidth, 0, kIconWidth,
                          icons_.height());
    }
    painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
    painter->drawText(option.rect.adjusted(DocumentTextLeft(!icons_.isNull()), 0, 0, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    // The list's fixed item height, or the font's when today's fonts are taller.
    const int height = std::max(kDocumentItemHeight, option.fontMetrics.height() + 2);
    return {option.fontMetrics.horizontalAdvance(index.data().toString()) + 20, height};
  }

 private:
  QPixmap icons_;
};

}  // namespace

// Where pictures are shown and video is played; a resize shows the picture again.
class TMultimediaView::TWall final : public QWidget {
 public:
  TWall(TMultimediaView& view, QWidget* parent) : QWidget(parent), view_(view) {
    setObjectName(QStringLiteral("Wall"));
    setMinimumSize(80, 60);
  }

 protected:
  void resizeEvent(QResizeEvent*) override { view_.PlacePicture(); }

 private:
  TMultimediaView& view_;
};

// The display image: the picture at the size it is shown.
class TMultimediaView::TDisplayImage final : public QWidget {
 public:
  explicit TDisplayImage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DisplayImage"));
    hide();
  }
  void SetPixmap(QPixmap pixmap) {
    pixmap_ = std::move(pixmap);
    update();
  }
  const QPixmap& Pixmap() const { return pixmap_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawPixmap(0, 0, pixmap_);
  }

 private:
  QPixmap pixmap_;
};

TDocumentList::TDocumentList(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("DocumentList"));
  setItemDelegate(new TDocumentDelegate(this));
  setUniformItemSizes(true);
  connect(this, &QListWidget::clicked, this, &TDocumentList::Clicked);
  connect(this, &QListWidget::doubleClicked, this, &TDocumentList::DoubleClicked);
}

void TDocumentList::keyPressEvent(QKeyEvent* event) {
  // A selection moved with the keys counts as a click on the new item.
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  if (currentRow() != before) emit Clicked();
}

TMultimediaView::TMultimediaView(TFileSystem& fs, QWidget* parent) : QWidget(parent), fs_(fs) {
  setObjectName(QStringLiteral("MultimediaTab"));
  ListGif = new QCheckBox(tr(" Gif"), this);
  ListGif->setObjectName(QStringLiteral("ListGifCheck"));
  ListJpeg = new QCheckBox(tr(" Jpeg"), this);
  ListJpeg->setObjectName(QStringLiteral("ListJpegCheck"));
  ListAvi = new QCheckBox(tr("Avi"), this);
  ListAvi->setObjectName(QStringLiteral("ListAviCheck"));
  ListWav = new QCheckBox(tr("Wav"), this);
  ListWav->setObjectName(QStringLiteral("ListWavCheck"));
  ListGif->setToolTip(tr("GIF, PNG and SVG pictures"));
  ListJpeg->setToolTip(tr("JPEG, WebP and AVIF pictures"));
  ListAvi->setToolTip(tr("AVI, MP4, WebM and Ogg video"));
  ListWav->setToolTip(tr("WAV, MP3, Ogg, FLAC and Opus sound"));
  StretchImage = new QCheckBox(tr(" Resize pictures"), this);
  StretchImage->setObjectName(QStringLiteral("StretchImageCheck"));
  for (QCheckBox* box : {ListGif, ListJpeg}) {
    connect(box, &QCheckBox::clicked, this, &TMultimediaView::TypeBoxClicked);
  }
  for (QCheckBox* box : {ListAvi, ListWav}) {
    connect(box, &QCheckBox::clicked, this, [this](bool checked) {
      SetPlayerVisible(checked);
      emit TypeBoxClicked();
    });
  }
  connect(StretchImage, &QCheckBox::clicked, this, &TMultimediaView::StretchBoxClicked);
  browse_ = new QPushButton(tr("Browse"), this);
  browse_->setObjectName(QStringLiteral("ImageBrowseBut"));
  browse_->setToolTip(tr("Load document"));
  browse_->setEnabled(false);
  connect(browse_, &QPushButton::clicked, this, [this] {
    if (!shown_path_.empty()) emit BrowseRequested(shown_path_);
  });

  list_ = new TDocumentList(this);
  list_->setFixedWidth(200);
  connect(list_, &TDocumentList::Clicked, this, [this] {
    tab_.Click();
    image_timer_.start();
  });
  connect(list_, &TDocumentList::DoubleClicked, this, [this] {
    tab_.DoubleClick();
    image_timer_.start();
  });

  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  wall_ = new TWall(*this, frame);
  auto* frame_layout = new QVBoxLayout(frame);
  frame_layout->setContentsMargins(1, 1, 1, 1);
  frame_layout->addWidget(wall_);
  // A picture larger than the wall scrolls when it is not resized to fit.
  scroll_ = new QScrollArea(wall_);
  scroll_->setObjectName(QStringLiteral("PictureScroll"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(false);
  scroll_->viewport()->setAutoFillBackground(false);
  // The picture sits on a canvas at least as large as the wall, at the place the placement
  // rule gives: the scroll area's own centring rounds odd margins the other way.
  auto* canvas = new QWidget(scroll_);
  canvas->setAutoFillBackground(false);
  image_ = new TDisplayImage(canvas);
  scroll_->setWidget(canvas);
  scroll_->hide();

  panel_ = new QWidget(this);
  panel_->setObjectName(QStringLiteral("MediaPanel"));
  player_ = new TMediaPlayer(panel_);
  player_->SetDisplay(wall_);
  player_->OnClick = [this](TMediaButton button) { return PlayerButton(button); };
  connect(player_, &TMediaPlayer::LengthKnown, this, [this](qint64 length) {
    bar_->setMaximum(Clamped(length));
    bar_->setPageStep(Clamped(MediaFrameStep(length)));
    bar_->setSingleStep(Clamped(MediaLineStep(length)));
  });
  bar_ = new QScrollBar(Qt::Horizontal, panel_);
  bar_->setObjectName(QStringLiteral("MediaScrollBar"));
  bar_->setRange(0, 0);
  connect(bar_, &QScrollBar::actionTriggered, this, &TMultimediaView::BarAction);
  connect(bar_, &QScrollBar::sliderReleased, this,
          [this] { BarScrolled(TBarScroll::kPosition, bar_->sliderPosition()); });
  auto* panel_layout = new QHBoxLayout(panel_);
  panel_layout->setContentsMargins(2, 2, 2, 2);
  panel_layout->addWidget(player_);
  panel_layout->addWidget(bar_, 1);
  HidePanel();

  image_timer_.setSingleShot(true);
  image_timer_.setInterval(TMultimediaTab::kImageTimerMs);
  connect(&image_timer_, &QTimer::timeout, this,
          [this] { Carry(tab_.ImageTimerTick(list_->currentRow(), items_, web_path_)); });
  media_timer_.setInterval(TMultimediaTab::kMediaTimerMs);
  connect(&media_timer_, &QTimer::timeout, this, &TMultimediaView::MediaTimerTick);

  auto* boxes = new QHBoxLayout;
  for (QCheckBox* box : {ListGif, ListJpeg, ListAvi, ListWav, StretchImage}) {
    boxes->addWidget(box);
  }
  boxes->addStretch(1);
  boxes->addWidget(browse_);
  auto* viewer = new QVBoxLayout;
  viewer->addWidget(frame, 1);
  viewer->addWidget(panel_);
  auto* body = new QHBoxLayout;
  body->addWidget(list_);
  body->addLayout(viewer, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(boxes);
  layout->addLayout(body, 1);
}

TMultimediaView::~TMultimediaView() {
  // Let the player go before the wall it shows video in.
  player_->Close();
}

void TMultimediaView::SetDocuments(const std::vector<std::string>& names,
                                   const std::string& web_path) {
  web_path_ = web_path;
  items_ = names;
  list_->clear();
  for (const std::string& name : names) AddItem(name);
}

void TMultimediaView::AddDocument(const std::string& name) {
  items_.push_back(name);
  AddItem(name);
}

void TMultimediaView::AddItem(const std::string& name) {
  auto* item = new QListWidgetItem(ToQt(DocumentLabel(name)), list_);
  item->setToolTip(ToQt(name));
}

void TMultimediaView::SetStretch(bool stretch) {
  stretch_ = stretch;
  PlacePicture();
}

void TMultimediaView::SetPlayerVisible(bool visible) { player_->setVisible(visible); }

void TMultimediaView::ShowDocument(int index) {
  Carry(tab_.ShowDocument(index, items_, web_path_));
}

void TMultimediaView::Clear() {
  image_timer_.stop();
  ShowDocument(-1);
  SetDocuments({}, std::string());
}

void TMultimediaView::Carry(const TShowAction& action) {
  switch (action.Kind) {
    case TShowAction::kClear:
      list_->clearSelection();
      list_->setCurrentRow(-1);
      ClearPicture();
      media_timer_.stop();
      player_->Close();
      HidePanel();
      browse_->setEnabled(false);
      shown_path_.clear();
      return;
    case TShowAction::kPicture:
      list_->setCurrentRow(action.Selected);
      media_timer_.stop();
      player_->setEnabled(true);
      player_->Close();
      HidePanel();
      ShowPicture(action.Path);
      break;
    case TShowAction::kMedia:
      list_->setCurrentRow(action.Selected);
      OpenMedia(action);
      break;
  }
  shown_path_ = action.Path;
  browse_->setEnabled(action.BrowseEnabled);
}

void TMultimediaView::ShowPicture(const std::string& path) {
  ClearPicture();
  TGFimage decoder(fs_);
  // A file that cannot be decoded shows nothing.
  if (!decoder.LoadFromFile(path)) return;
  decoder.CopyToBitmap(picture_);
  PlacePicture();
}

void TMultimediaView::PlacePicture() {
  if (picture_.isNull()) return;
  const TPicturePlacement p = korvane::PlacePicture(picture_.width(), picture_.height(),
                                                    wall_->width(), wall_->height(), stretch_);
  const QImage shown = p.Stretched ? picture_.scaled(p.Width, p.Height, Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation)
                                   : picture_;
  image_->SetPixmap(QPixmap::fromImage(shown));
  scroll_->setGeometry(wall_->rect());
  scroll_->widget()->resize(std::max(p.Width, wall_->width()), std::max(p.Height, wall_->height()));
  image_->setGeometry(p.Left, p.Top, p.Width, p.Height);
  scroll_->show();
  image_->show();
}

void TMultimediaView::ClearPicture() {
  picture_ = QImage();
  image_->SetPixmap(QPixmap());
  image_->hide();
  scroll_->hide();
}

void TMultimediaView::OpenMedia(const TShowAction& action) {
  ClearPicture();
  wall_->update();
  panel_->setEnabled(true);
  panel_->setFixedHeight(action.PanelHeight);
  panel_->show();
  player_->SetFileName(action.Path);
  player_->Open();
  media_timer_.start();
  bar_->setValue(0);
  // Qt reads the file in the background: the bar gets the length when the player knows it.
  bar_->setMaximum(Clamped(player_->Length()));
  if (action.Play) player_->Play();
}

void TMultimediaView::HidePanel() {
  panel_->hide();
  panel_->setEnabled(false);
  panel_->setFixedHeight(0);
}

void TMultimediaView::MediaTimerTick() {
  switch (tab_.MediaTimerTick(player_->isEnabled(), player_->Mode() == TMediaPlayer::mpPlaying)) {
    case TMediaTick::kStopTimer:
      media_timer_.stop();
      break;
    case TMediaTick::kFollowPlayer:
      // Not under the user's hand: a dragged thumb stays where it is held.
      if (!bar_->isSliderDown()) bar_->setValue(Clamped(player_->Position()));
      break;
    case TMediaTick::kWait:
      break;
  }
}

bool TMultimediaView::PlayerButton(TMediaButton button) {
  const TMediaButtonAction action = TMultimediaTab::ButtonPressed(button);
  if (!action.Suppress) return true;
  if (action.BarMaximumFromLength) bar_->setMaximum(Clamped(player_->Length()));
  switch (button) {
    case TMediaButton::kPlay:
      player_->Play();
      break;
    case TMediaButton::kStop:
      player_->Stop();
      break;
    case TMediaButton::kNext:
      player_->Next();
      break;
    case TMediaButton::kPrevious:
      player_->Previous();
      break;
    default:
      break;
  }
  if (action.BarPositionFromPlayer) bar_->setValue(Clamped(player_->Position()));
  return false;
}

void TMultimediaView::BarAction(int qt_action) {
  // Qt has moved the slider for lines and drags, not yet for pages: their step is the player's.
  switch (qt_action) {
    case QAbstractSlider::SliderSingleStepAdd:
      BarScrolled(TBarScroll::kLineDown, bar_->sliderPosition());
      break;
    case QAbstractSlider::SliderSingleStepSub:
      BarScrolled(TBarScroll::kLineUp, bar_->sliderPosition());
      break;
    case QAbstractSlider::SliderPageStepAdd:
      BarScrolled(TBarScroll::kPageDown, bar_->value());
      break;
    case QAbstractSlider::SliderPageStepSub:
      BarScrolled(TBarScroll::kPageUp, bar_->value());
      break;
    case QAbstractSlider::SliderToMinimum:
      BarScrolled(TBarScroll::kTop, bar_->sliderPosition());
      break;
    case QAbstractSlider::SliderToMaximum:
      BarScrolled(TBarScroll::kBottom, bar_->sliderPosition());
      break;
    case QAbstractSlider::SliderMove:
      BarScrolled(TBarScroll::kTrack, bar_->sliderPosition());
      break;
    default:
      break;
  }
}

void TMultimediaView::BarScrolled(TBarScroll code, std::int64_t position) {
  const TBarAction action = TMultimediaTab::BarScrolled(code, position, player_->Frames(),
                                                        bar_->maximum(), player_->isEnabled());
  if (code == TBarScroll::kPageUp || code == TBarScroll::kPageDown) {
    bar_->setSliderPosition(Clamped(action.BarPosition));
  }
  switch (action.Player) {
    case TBarAction::kSeek:
      player_->SetPosition(action.BarPosition);
      break;
    case TBarAction::kBack:
      player_->Back();
      break;
    case TBarAction::kStep:
      player_->Step();
      break;
    case TBarAction::kNone:
      break;
  }
}

}  // namespace korvane::ui
