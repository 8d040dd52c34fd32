// The main window: opens one archive at a time, lists its entries and writes
// the selected entry or all of them to files.
#pragma once

#include <array>
#include <memory>

#include <QFileDialog>
#include <QIcon>
#include <QMainWindow>
#include <QStringList>

#include "EntryList.h"
#include "Icons.h"
#include "TavrelLib.h"

class QAction;
class QMenu;
class QMenuBar;

// The main window's caption; an open archive's file name follows it.
inline constexpr char kMainCaption[] = "Quorvin 0.3";

class TForm1 : public QMainWindow {
  Q_OBJECT

public:
  // Builds the window and runs FormCreate on the command-line arguments
  // (without the program name). A failure in FormCreate is shown at once and
  // the window stays as the failure left it.
  explicit TForm1(const QStringList& arguments, QWidget* parent = nullptr);
  ~TForm1() override;

  QMenuBar* JvMainMenu1 = nullptr;
  QMenu* File1 = nullptr;
  QAction* Open1 = nullptr;
  QAction* N1 = nullptr;
  QAction* Exit1 = nullptr;
  QMenu* Operations1 = nullptr;
  QAction* ExtractSelected1 = nullptr;
  QAction* ExtractAll1 = nullptr;
  TEntryList* List = nullptr;
  std::unique_ptr<QFileDialog> opd;  // the dialogs are made on first use:
  QMenu* JvPopupMenu1 = nullptr;
  QAction* Extract1 = nullptr;
  std::unique_ptr<QFileDialog> sd;   // Qt's file dialogs are slow to build
  std::unique_ptr<QFileDialog> bd;
  std::array<QIcon, kRowIconCount> ImageList1;
  QMenu* About1 = nullptr;
  QAction* About2 = nullptr;
  std::unique_ptr<TIEFile> sds;
  bool keepheader = false;

  void FormCreate(const QStringList& arguments);
  // Opens the archive at path name and fills the list.
  void OpenSDS(const QString& name);
  // Asks for a file name and writes the selected entry's bytes there.
  void SaveSelectedEntry();

  void Open1Click();
  void Exit1Click();
  void ExtractSelected1Click();
  void Extract1Click();
  void ExtractAll1Click();
  void JvPopupMenu1Popup();
  void ListDblClick();
  void About2Click();
  bool FormCloseQuery();
  void FormClose();

  // The text of the About box.
  static QString AboutText();

signals:
  // The window has closed; the application ends with it.
  void Closed();

protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void BuildMenus();
  void BuildList();
  QFileDialog& OpenDialog();
  QFileDialog& SaveDialog();
  QFileDialog& FolderDialog();
  void AddEntryRow(const TIEFile_Entry& entry);
  QString lastOpened_;
};

// The one main window object, for everything that needs to reach it.
extern TForm1* Form1;
