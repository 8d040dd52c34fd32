#include "Unit1.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScopeGuard>
#include <QUrl>

#include "ButtonGroup.h"
#include "DDSFormat.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "FileSystem.h"
#include "TexPrev.h"

TForm1* Form1 = nullptr;

namespace {

// Client area at 96 dpi; Qt scales it with the screen.
constexpr int kClientWidth = 554;
constexpr int kClientHeight = 707;

const QString kKeepHeaderSwitch = QStringLiteral("-keepheader");

// Only A to Z become small letters; every other character stays as it is.
QString AsciiLower(QString text) {
  for (QChar& c : text) {
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
  }
  return text;
}

// What follows the last "/", "\" or ":" of a path.
QString FileNamePart(const QString& path) {
  qsizetype cut = -1;
  for (const QChar separator : {u'/', u'\\', u':'}) cut = qMax(cut, path.lastIndexOf(separator));
  return path.mid(cut + 1);
}

// A menu action without shortcut or accelerator letter, kept where Qt puts
// it on every platform.
QAction* AddAction(QMenu* menu, const char* text) {
  QAction* action = menu->addAction(QString::fromUtf8(text));
  action->setMenuRole(QAction::NoRole);
  return action;
}

// Qt's own dialogs behave the same everywhere: the open dialog takes names that
// do not exist (ReadFile reports them), the save dialog replaces files without
// asking; neither adds an extension or filters by type.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, QFileDialog::AcceptMode acceptMode,
                                            QFileDialog::FileMode fileMode, QFileDialog::Options options) {
  auto dialog = std::make_unique<QFileDialog>(parent);
  dialog->setOptions(options | QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(acceptMode);
  dialog->setFileMode(fileMode);
  return dialog;
}

}  // namespace

TForm1::TForm1(const QStringList& arguments, QWidget* parent) : QMainWindow(parent) {
  Form1 = this;
  BuildMenus();
  BuildList();
  setAcceptDrops(true);
  resize(kClientWidth, kClientHeight + JvMainMenu1->sizeHint().height());
  RunGuarded([&] { FormCreate(arguments); });
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::BuildMenus() {
  JvMainMenu1 = menuBar();
  File1 = JvMainMenu1->addMenu(QStringLiteral("File"));
  Open1 = AddAction(File1, "Open...");
  N1 = File1->addSeparator();
  Exit1 = AddAction(File1, "Exit");
  Operations1 = JvMainMenu1->addMenu(QStringLiteral("Operations"));
  ExtractSelected1 = AddAction(Operations1, "Extract Selected");
  ExtractAll1 = AddAction(Operations1, "Extract All");
  About1 = JvMainMenu1->addMenu(QStringLiteral("Info"));
  About2 = AddAction(About1, "About");

  connect(Open1, &QAction::triggered, this, Guarded([this] { Open1Click(); }));
  connect(Exit1, &QAction::triggered, this, Guarded([this] { Exit1Click(); }));
  connect(ExtractSelected1, &QAction::triggered, this, Guarded([this] { ExtractSelected1Click(); }));
  connect(ExtractAll1, &QAction::triggered, this, Guarded([this] { ExtractAll1Click(); }));
  connect(About2, &QAction::triggered, this, Guarded([this] { About2Click(); }));
}

void TForm1::BuildList() {
  for (int i = 0; i < kRowIconCount; ++i) {
    ImageList1[i] = QIcon(QPixmap::fromImage(RowIconImage(static_cast<TRowIcon>(i))));
  }
  List = new TEntryList(this);  // owned by the window
  setCentralWidget(List);

  JvPopupMenu1 = new QMenu(this);  // owned by the window
  Extract1 = AddAction(JvPopupMenu1, "Extract");
  List->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(List, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    RunGuarded([this] { JvPopupMenu1Popup(); });
    JvPopupMenu1->popup(List->viewport()->mapToGlobal(pos));
  });
  connect(Extract1, &QAction::triggered, this, Guarded([this] { Extract1Click(); }));
  connect(List, &TEntryList::DoubleClicked, this, Guarded([this] { ListDblClick(); }));
}

QFileDialog& TForm1::OpenDialog() {
  if (!opd) opd = MakeFileDialog(this, QFileDialog::AcceptOpen, QFileDialog::AnyFile, {});
  return *opd;
}

QFileDialog& TForm1::SaveDialog() {
  if (!sd) sd = MakeFileDialog(this, QFileDialog::AcceptSave, QFileDialog::AnyFile, QFileDialog::DontConfirmOverwrite);
  return *sd;
}

QFileDialog& TForm1::FolderDialog() {
  if (!bd) {
    bd = MakeFileDialog(this, QFileDialog::AcceptOpen, QFileDialog::Directory, QFileDialog::ShowDirsOnly);
    bd->setWindowTitle(QStringLiteral("Select a Folder to extact to."));
  }
  return *bd;
}

void TForm1::FormCreate(const QStringList& arguments) {
  setWindowTitle(QString::fromUtf8(kMainCaption));
  keepheader = false;
  for (const QString& argument : arguments) {
    if (AsciiLower(argument) == kKeepHeaderSwitch) keepheader = true;
  }
  if (!arguments.isEmpty() && FileExists(arguments.first().toStdString())) OpenSDS(arguments.first());
}

void TForm1::OpenSDS(const QString& name) {
  sds.reset();
  List->setRowCount(0);
  sds = std::make_unique<TIEFile>();
  sds->me = &sds;
  sds->keepheader = keepheader;
  setWindowTitle(QString::fromUtf8(kMainCaption) + QStringLiteral(" - ") + FileNamePart(name));
  sds->ReadFile(name.toStdString());

  List->setUpdatesEnabled(false);
  const auto repaint = qScopeGuard([this] { List->setUpdatesEnabled(true); });
  for (const TIEFile_Entry& entry : sds->files) AddEntryRow(entry);
  // The first entry is the selected one right after an open.
  if (List->rowCount() > 0 && List->SelectedRow() < 0) List->setCurrentCell(0, 0);
}

void TForm1::AddEntryRow(const TIEFile_Entry& entry) {
  List->AddRow(ImageList1[IconIndexFor(entry.TypeName)], QString::fromStdString(entry.GetFileName()),
               QString::fromStdString(SizeText(entry.size)), QString::fromStdString(entry.TypeName));
}

void TForm1::SaveSelectedEntry() {
  const int row = List->SelectedRow();
  if (row < 0 || !sds) return;
  SaveDialog().selectFile(QString::fromStdString(sds->files.at(row).GetFileName()));
  const std::optional<QString> path = AskForPath(SaveDialog());
  if (!path) return;
  // The dialog ran an event loop; take the selection anew.
  const int chosenRow = List->SelectedRow();
  if (chosenRow < 0 || !sds) return;
  SaveEntryToFile(sds->files.at(chosenRow), path->toStdString());
}

void TForm1::Open1Click() {
  if (!lastOpened_.isEmpty()) OpenDialog().selectFile(lastOpened_);
  const std::optional<QString> path = AskForPath(OpenDialog());
  if (!path) return;
  lastOpened_ = *path;
  OpenSDS(*path);
}

void TForm1::Exit1Click() { close(); }

void TForm1::ExtractSelected1Click() {
  if (List->SelectedRow() >= 0) SaveSelectedEntry();
}

void TForm1::Extract1Click() { SaveSelectedEntry(); }

void TForm1::ExtractAll1Click() {
  if (!sds) return;
  const std::optional<QString> folder = AskForPath(FolderDialog());
  if (!folder) return;
  const std::string folderPath = folder->toStdString();
  for (const TIEFile_Entry& entry : sds->files) SaveEntryToFile(entry, folderPath + "/" + entry.GetFileName());
}

void TForm1::JvPopupMenu1Popup() { Extract1->setEnabled(List->SelectedRow() >= 0); }

void TForm1::ListDblClick() {
  const int row = List->SelectedRow();
  if (row < 0 || !sds || !TexPrevWindow) return;
  const TIEFile_Entry& entry = sds->files.at(row);
  if (entry.TypeName != "Texture" && entry.TypeName != "Mipmap") return;

  TTexPrevWindow& preview = *TexPrevWindow;
  // One copy is decoded; the other is kept for the export, which decodes it again.
  const std::unique_ptr<TMemoryStream> decoded = entry.AsStream();
  preview.DDSFile = entry.AsStream();
  TDDSFileFormat format;
  // The result is not examined: a texture that yields no image leaves the
  // list empty, and the window shows it as such.
  format.LoadFromStream(*decoded, preview.images, false);

  QStringList captions;
  for (size_t i = 1; i <= preview.images.size(); ++i) captions << QString::number(i);
  preview.ButtonGroup1->SetCaptions(captions);
  preview.DisplayImage(0);
  // A window already on screen comes to the front; a hidden one does when shown.
  const bool wasVisible = preview.isVisible();
  preview.show();
  if (wasVisible) {
    preview.raise();
    preview.activateWindow();
  }
}

QString TForm1::AboutText() {
  return QString::fromUtf8(kMainCaption) + QStringLiteral("\n\nDISCLAIMER:\n\n(Personally, I doubt it does.)");
}

void TForm1::About2Click() {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), AboutText(), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  ShowMessageBox(box);
}

bool TForm1::FormCloseQuery() { return true; }

void TForm1::FormClose() { sds.reset(); }

void TForm1::closeEvent(QCloseEvent* event) {
  RunGuarded([&] {
    if (!FormCloseQuery()) {
      event->ignore();
      return;
    }
    FormClose();
    event->accept();
    emit Closed();
  });
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile() && FileExists(urls.first().toLocalFile().toStdString())) {
    event->acceptProposedAction();
  }
}

// A file dropped on the window opens as if chosen with "Open...".
void TForm1::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  // Open after the drop has finished, so the drag source is not kept waiting
  // while the archive is read or an error box is up.
  const QString path = urls.first().toLocalFile();
  QMetaObject::invokeMethod(this, Guarded([this, path] { OpenSDS(path); }), Qt::QueuedConnection);
}
