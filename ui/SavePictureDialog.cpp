#include "SavePictureDialog.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>

namespace {

struct TFilterGroup {
  const char* Description;
  const char* Extensions;  // blank-separated, in order
};

// The picture formats of the registry, then the platform's own picture types;
// some extensions appear in several groups, and some (ico, emf, wmf, the
// read-only formats) cannot be written: choosing them only filters the folder view.
constexpr TFilterGroup kFilterGroups[] = {
    {"Windows Bitmap Image", "dib bmp"},
    {"Joint Photographic Experts Group Image", "jif jpe jfif jpeg jpg"},
    {"Portable Network Graphics", "png"},
    {"Graphics Interchange Format", "gif"},
    {"Multiple Network Graphics", "mng"},
    {"JPEG Network Graphics", "jng"},
    {"DirectDraw Surface", "dds"},
    {"Truevision Targa Image", "tga"},
    {"Imaging Graphic AllInOne",
     "dib bmp jif jpe jfif jpeg jpg png mng jng gif dds tga pbm pgm ppm pam pfm jpc jpx j2c j2k jp2 tiff tif pdd psd "
     "pcx xpm"},
    {"JPEG-Grafikdatei", "jpg jpeg"},
    {"Bitmaps", "bmp"},
    {"TIFF-Grafiken", "tif tiff"},
    {"Symbole", "ico"},
    {"Erweiterte Metadateien", "emf"},
    {"Metadateien", "wmf"},
};

QString Entry(const QString& description, const QString& patterns) {
  return description + QStringLiteral(" (") + patterns + u')';
}

// Qt's dialog swaps the typed name's extension for the chosen filter's first
// one. This keeps the name as typed: the text is noted whenever the user turns
// to the filter box (nothing else can change the name until the box lets go)
// and put back after the filter has been applied.
class TKeepTypedName : public QObject {
public:
  TKeepTypedName(QComboBox* filters, QLineEdit* name) : QObject(filters), name_(name) {
    filters->installEventFilter(this);
    connect(filters, &QComboBox::activated, this, [this] {
      if (name_->text() != typed_) name_->setText(typed_);
    });
  }

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::FocusIn:
      case QEvent::MouseButtonPress:
      case QEvent::KeyPress:
      case QEvent::Wheel:
        typed_ = name_->text();
        break;
      default:
        break;
    }
    return false;
  }

private:
  QLineEdit* name_;
  QString typed_;
};

}  // namespace

QStringList SavePictureFilters() {
  QStringList entries;
  QStringList all;
  for (const TFilterGroup& group : kFilterGroups) {
    const QString description = QString::fromUtf8(group.Description);
    for (const QString& extension : QString::fromUtf8(group.Extensions).split(u' ')) {
      const QString pattern = QStringLiteral("*.") + extension;
      entries << Entry(description, pattern);
      all << pattern;
    }
  }
  entries.prepend(Entry(QStringLiteral("Alle"), all.join(u' ')));
  return entries;
}

std::unique_ptr<QFileDialog> MakeSavePictureDialog(QWidget* parent) {
  auto dialog = std::make_unique<QFileDialog>(parent);
  // Qt's own dialog, as the main window's, so the typed name can be kept.
  dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setDefaultSuffix(QString());
  dialog->setNameFilters(SavePictureFilters());
  auto* filters = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (filters && name) new TKeepTypedName(filters, name);  // owned by the filter box
  return dialog;
}
