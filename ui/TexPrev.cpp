#include "TexPrev.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>

#include "BitmapToQImage.h"
#include "ButtonGroup.h"
#include "Dialogs.h"
#include "DisplayBitmap.h"
#include "ErrorBox.h"
#include "Export.h"
#include "ImageControl.h"
#include "SavePictureDialog.h"

TTexPrevWindow* TexPrevWindow = nullptr;

namespace {

// The layout at 96 dpi (Qt scales device-independent pixels with the screen).
constexpr int kClientWidth = 462;
constexpr int kClientHeight = 451;
constexpr int kButtonColumnWidth = 41;
constexpr int kPanelHeight = 37;
constexpr QRect kCheckBoxRect(8, 6, 89, 27);
constexpr QSize kButtonSize(97, 23);
constexpr int kButtonTop = 6;
// Button1 keeps this distance between its left side and the panel's right edge.
constexpr int kButtonRightOffset = kClientWidth - 357;

QString SubimagesCaption(size_t count) { return QString::number(count) + QStringLiteral(" Subimages"); }

}  // namespace

TTexPrevWindow::TTexPrevWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  TexPrevWindow = this;
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  setFont(font);
  BuildControls();
  resize(kClientWidth, kClientHeight);
  FormCreate();
}

TTexPrevWindow::~TTexPrevWindow() {
  if (TexPrevWindow == this) TexPrevWindow = nullptr;
}

void TTexPrevWindow::BuildControls() {
  // All children are owned by the window. Placed by hand (DockControls), not by a
  // layout: a layout would give the window a minimum size, and the first display
  // must be able to fit the window to a subimage of any size.
  ButtonGroup1 = new TButtonGroup(this);
  ButtonGroup1->resize(kButtonColumnWidth, kClientHeight - kPanelHeight);
  connect(ButtonGroup1, &TButtonGroup::ButtonClicked, this,
          [this](int index) { RunGuarded([this, index] { ButtonGroup1ButtonClicked(index); }); });

  Panel1 = new QWidget(this);
  Panel1->resize(kClientWidth, kPanelHeight);
  CheckBox1 = new QCheckBox(QStringLiteral("Original Size"), Panel1);
  CheckBox1->setGeometry(kCheckBoxRect);
  connect(CheckBox1, &QCheckBox::toggled, this, Guarded([this] { CheckBox1Click(); }));
  Button1 = new QPushButton(QStringLiteral("Export Texture"), Panel1);
  Button1->setGeometry(QRect(QPoint(kClientWidth - kButtonRightOffset, kButtonTop), kButtonSize));
  connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image = new TImage;
  ScrollBox1->setWidget(Image);  // owns it from here
  // Translucent pixels are blended over the image area's background, the
  // window's own colour: the viewport paints it, the image control paints none.
  ScrollBox1->viewport()->setBackgroundRole(QPalette::Window);
  ScrollBox1->viewport()->setAutoFillBackground(true);
  Image->setAutoFillBackground(false);
  Image->SetCenter(true);
  Image->SetProportional(true);
  Image->SetStretch(false);
}

void TTexPrevWindow::DockControls() {
  const int areaHeight = std::max(0, height() - Panel1->height());
  Panel1->setGeometry(0, areaHeight, width(), Panel1->height());
  ButtonGroup1->setGeometry(0, 0, ButtonGroup1->width(), areaHeight);
  ScrollBox1->setGeometry(ButtonGroup1->width(), 0, std::max(0, width() - ButtonGroup1->width()), areaHeight);
  Button1->move(Panel1->width() - kButtonRightOffset, kButtonTop);
}

void TTexPrevWindow::FormCreate() { resized = false; }

void TTexPrevWindow::FormClose() { resized = false; }

void TTexPrevWindow::FitToSubimage(const TImageData& image) {
  // The window system would not let a window grow past the screen; neither do we.
  QSize limit(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (const QScreen* screen = this->screen()) {
    limit = screen->availableGeometry().size() - (frameGeometry().size() - size());
  }
  const auto fit = [](int64_t side, int64_t extra, int max) {
    return static_cast<int>(std::clamp<int64_t>(side + extra, 1, std::max(1, max)));
  };
  // Height first, then width.
  resize(width(), fit(image.Height, Panel1->height(), limit.height()));
  resize(fit(image.Width, ButtonGroup1->width(), limit.width()), height());
}

void TTexPrevWindow::DisplayImage(int num) {
  if (images.empty()) {
    Image->ClearPicture();
    setWindowTitle(SubimagesCaption(0));
    FormResize();
    return;
  }
  if (num < 0 || static_cast<size_t>(num) >= images.size()) return;

  const TImageData& subimage = images[static_cast<size_t>(num)];
  Image->ClearPicture();
  if (!resized) FitToSubimage(subimage);
  setWindowTitle(SubimagesCaption(images.size()));
  QImage picture;
  {
    // Only one copy of a large subimage besides the subimage itself at a time.
    TDisplayBitmap bitmap;
    SubimageToBitmap(subimage, bitmap);
    picture = BitmapToQImage(bitmap);
  }
  // SubimageToBitmap's bitmaps always describe their buffers: a null image
  // means Qt could not allocate one.
  if (picture.isNull()) throw std::bad_alloc();
  Image->SetPicture(std::move(picture));
  FormResize();
}

void TTexPrevWindow::FormResize() {
  resized = true;
  DockControls();
  if (CheckBox1->isChecked()) {
    // 1:1: the control has the picture's size and the scroll box scrolls it.
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Image->resize(Image->Picture().size());
  } else {
    // Fit: the control covers the image area exactly, so there is nothing to scroll.
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Image->resize(width() - ButtonGroup1->width(), height() - Panel1->height());
  }
  repaint();
}

// A button left over from the previous texture (its decoding failed and emptied
// the list) stands for nothing: the click does nothing.
void TTexPrevWindow::ButtonGroup1ButtonClicked(int Index) {
  if (Index < 0 || static_cast<size_t>(Index) >= images.size()) return;
  DisplayImage(Index);
}

void TTexPrevWindow::CheckBox1Click() {
  if (CheckBox1->isChecked()) {
    Image->SetProportional(false);
    Image->SetStretch(false);
  } else {
    Image->SetProportional(true);
  }
  repaint();
  FormResize();
}

QFileDialog& TTexPrevWindow::SaveDialog() {
  if (!spd) spd = MakeSavePictureDialog(this);
  return *spd;
}

void TTexPrevWindow::Button1Click() {
  QFileDialog& dialog = SaveDialog();
  if (!lastExportName_.isEmpty()) dialog.selectFile(lastExportName_);
  const std::optional<QString> path = AskForPath(dialog);
  if (!path) return;
  lastExportName_ = *path;
  if (!DDSFile) return;  // nothing handed over yet

  // The kept stream is read from the start and left there, even when the
  // load fails, so every export sees the whole texture.
  DDSFile->SetPosition(0);
  const auto rewind = qScopeGuard([this] { DDSFile->SetPosition(0); });
  // Names that choose no writable format, and textures with nothing to
  // export, write nothing and say nothing here; failures raise.
  ExportMainImage(*DDSFile, path->toStdString());
}

void TTexPrevWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RunGuarded([this] { FormResize(); });
}

void TTexPrevWindow::closeEvent(QCloseEvent* event) {
  RunGuarded([this] { FormClose(); });
  event->accept();  // hides the window; it lives on
}
