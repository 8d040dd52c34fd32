// The main window under the offscreen platform: command line, opening,
// extraction, popup, clipboard, About box and error box. Dialogs and boxes are
// answered through the dialog seam, so nothing waits for a user.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>
#include <QSignalSpy>
#include <QTest>

#include <deque>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "ErrorBox.h"
#include "Exceptions.h"
#include "Icons.h"
#include "SdsMaker.h"
#include "TestSupport.h"
#include "Unit1.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

// One dialog or box as it was about to be shown.
struct TShown {
  bool isFileDialog = false;
  QString title;
  QString text;        // message boxes
  QString preset;      // file dialogs: the preset file name
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttonCount = 0;
};

// Records every dialog and answers file dialogs from a queue (cancel when empty).
struct TDialogScript {
  std::vector<TShown> shown;
  std::deque<TDialogAnswer> answers;

  TDialogAnswer Answer(QDialog& dialog) {
    TShown s;
    s.title = dialog.windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
      s.text = box->text();
      s.icon = box->icon();
      s.buttonCount = static_cast<int>(box->buttons().size());
    } else if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
      s.isFileDialog = true;
      const QStringList selected = files->selectedFiles();
      if (!selected.isEmpty()) s.preset = QFileInfo(selected.first()).fileName();
    }
    shown.push_back(s);
    if (!s.isFileDialog || answers.empty()) return {};
    TDialogAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<TShown> Boxes() const {
    std::vector<TShown> boxes;
    for (const TShown& s : shown) {
      if (!s.isFileDialog) boxes.push_back(s);
    }
    return boxes;
  }
};

sdsmaker::Bytes Filled(size_t size, uint8_t seed) {
  sdsmaker::Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 13);
  return bytes;
}

// Five entries: a texture (with a type header), markup, a sound, and two
// resources that are both extracted as "same.bin".
sdsmaker::Archive SampleArchive() {
  sdsmaker::Archive a;
  a.resources = {
      {"Texture", "/textures/wall.dds", Filled(3000, 1), {}, {}, {}, {}},
      {"XML", "/data/tables/config", Filled(40, 2), {}, {}, {}, {}},
      {"Effects", "d:\\fx\\glow.fx", Filled(1536, 3), {}, {}, {}, {}},
      {"Generic", "/a/same.bin", Filled(100, 4), {}, {}, {}, {}},
      {"Generic", "/b/same.bin", Filled(200, 5), {}, {}, {}, {}},
  };
  return a;
}

QString Path(const fs::path& path) { return QString::fromStdString(path.string()); }

std::vector<uint8_t> Bytes(const sdsmaker::Built& built, int entry) {
  return built.EntryBytes(built.entries.at(entry));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  TDialogScript script_;
  std::unique_ptr<TempDir> dir_;
  sdsmaker::Built sample_;
  QString samplePath_;

  QString WriteArchive(const std::string& name, const sdsmaker::Archive& archive) {
    const fs::path path = *dir_ / name;
    sdsmaker::WriteBytes(path.string(), sdsmaker::Build(archive).file);
    return Path(path);
  }
  QString WriteFile(const std::string& name, const std::string& content) {
    const fs::path path = *dir_ / name;
    testing_support::WriteFileBytes(path, std::vector<uint8_t>(content.begin(), content.end()));
    return Path(path);
  }
  static QStringList Column(const TForm1& form, int column) {
    QStringList texts;
    for (int row = 0; row < form.List->rowCount(); ++row) texts << form.List->item(row, column)->text();
    return texts;
  }

private slots:
  void init() {
    script_ = {};
    SetDialogAnswerer([this](QDialog& dialog) { return script_.Answer(dialog); });
    dir_ = std::make_unique<TempDir>();
    sample_ = sdsmaker::Build(SampleArchive());
    samplePath_ = WriteArchive("sample.sds", SampleArchive());
  }
  void cleanup() {
    SetDialogAnswerer({});
    dir_.reset();
  }

  void iconIndex_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("icon");
    const std::pair<const char*, int> rows[] = {
        {"Texture", 0}, {"Mipmap", 0}, {"XML", 2},     {"Sound", 3},  {"Effects", 4},
        {"texture", 1}, {"XML ", 1},   {"Script", 1},  {"", 1},       {"SOUND", 1},
    };
    for (const auto& [type, icon] : rows) QTest::newRow(type[0] ? type : "(empty)") << type << icon;
  }
  void iconIndex() {
    QFETCH(QString, type);
    QFETCH(int, icon);
    QCOMPARE(static_cast<int>(IconIndexFor(type.toStdString())), icon);
  }

  void errorBoxText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    const std::pair<const char*, const char*> rows[] = {
        {"Stream-Lesefehler", "Stream-Lesefehler."}, {"done.", "done."}, {"a (b, Zeile 99)", "a (b, Zeile 99)"},
        {"dash-", "dash-"}, {"blank ", "blank "}, {"comma,", "comma,"}, {"digit 7", "digit 7."},
        {"slash/", "slash/."}, {"", ""}, {"Umlaut \xC3\xB6", "Umlaut \xC3\xB6."},
    };
    for (const auto& [message, shown] : rows) {
      QTest::newRow(message[0] ? message : "(empty)") << QString::fromUtf8(message) << QString::fromUtf8(shown);
    }
  }
  void errorBoxText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBoxText(message), shown);
  }

  // Whatever a handler throws ends in one error box, never beyond the guard.
  void guardShowsEveryFailure() {
    const std::pair<std::function<void()>, QString> rows[] = {
        {[] { throw std::bad_alloc(); }, "Out of memory."},
        {[] { throw EAssertionFailed("Bad", "TavrelLib", 88); }, "Bad (TavrelLib, Zeile 88)"},
        {[] { throw EReadError(); }, "Stream-Lesefehler."},
        {[] { throw 42; }, "Unknown failure."},
    };
    for (const auto& [handler, text] : rows) {
      script_.shown.clear();
      RunGuarded(handler);
      QCOMPARE(script_.Boxes().size(), size_t{1});
      QCOMPARE(script_.Boxes()[0].text, text);
    }
  }

  void applicationTitle_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("title");
    QTest::newRow("windows style") << "/opt/ARCHIVE.EXE" << "Archive";
    QTest::newRow("plain") << "/usr/bin/quorvin" << "quorvin";
    QTest::newRow("first dot cuts") << "/x/QuorVin.bin.old" << "Quorvin";
    QTest::newRow("dot in folder") << "/a.b/Tool" << "Tool";
    QTest::newRow("no folder") << "MainWindowTest" << "Mainwindowtest";
  }
  void applicationTitle() {
    QFETCH(QString, executable);
    QFETCH(QString, title);
    QCOMPARE(TitleFromExecutable(executable), title);
  }

  // The switch anywhere in any letter case; only the first argument is opened.
  void commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("keepheader");
    QTest::addColumn<bool>("opened");
    QTest::newRow("none") << QStringList{} << false << false;
    QTest::newRow("archive") << QStringList{"@"} << false << true;
    QTest::newRow("switch third, mixed case") << QStringList{"@", "other", "-KeepHeader"} << true << true;
    QTest::newRow("switch alone") << QStringList{"-keepheader"} << true << false;
    QTest::newRow("switch first") << QStringList{"-KEEPHEADER", "@"} << true << false;
    QTest::newRow("double hyphen") << QStringList{"@", "--keepheader"} << false << true;
    QTest::newRow("trailing blank") << QStringList{"@", "-keepheader "} << false << true;
    QTest::newRow("folder") << QStringList{"#"} << false << false;
    QTest::newRow("missing file") << QStringList{"#/missing.sds"} << false << false;
  }
  void commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, keepheader);
    QFETCH(bool, opened);
    for (QString& argument : arguments) {
      argument.replace(u'@', samplePath_);
      argument.replace(u'#', Path(dir_->path()));
    }
    TForm1 form(arguments);
    QCOMPARE(form.keepheader, keepheader);
    QCOMPARE(form.sds != nullptr, opened);
    QCOMPARE(form.windowTitle(), opened ? QStringLiteral("Quorvin 0.3 - sample.sds") : QStringLiteral("Quorvin 0.3"));
    QCOMPARE(form.List->rowCount(), opened ? 5 : 0);
    QVERIFY(script_.shown.empty());
    if (opened) {
      QCOMPARE(form.sds->keepheader, keepheader);
      // The texture's type header counts only with the switch.
      QCOMPARE(form.sds->files.at(0).size, sample_.Entries(keepheader).at(0).size);
    }
  }

  // "-keepheader" is also the first argument: a file of that name is opened.
  void switchNamingAFile() {
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(Path(dir_->path())));
    WriteArchive("-keepheader", SampleArchive());
    TForm1 form({"-keepheader"});
    QDir::setCurrent(saved);
    QVERIFY(form.keepheader);
    QCOMPARE(form.windowTitle(), QStringLiteral("Quorvin 0.3 - -keepheader"));
    QCOMPARE(form.List->rowCount(), 5);
  }

  void rowsAfterOpen() {
    TForm1 form({samplePath_});
    QCOMPARE(Column(form, 0), (QStringList{"wall.dds", "config.XML", "glow.fx", "same.bin", "same.bin"}));
    QCOMPARE(Column(form, 1), (QStringList{"3 kb", "0 kb", "2 kb", "0 kb", "0 kb"}));
    QCOMPARE(Column(form, 2), (QStringList{"Texture", "XML", "Effects", "Generic", "Generic"}));
    const int icons[] = {riPicture, riMarkup, riEffect, riDocument, riDocument};
    for (int row = 0; row < 5; ++row) {
      QCOMPARE(form.List->item(row, 0)->icon().cacheKey(), form.ImageList1[icons[row]].cacheKey());
    }
    QCOMPARE(form.List->SelectedRow(), 0);
    QCOMPARE(form.List->currentRow(), 0);
  }

  void secondOpenReplacesRowsAndCaption() {
    sdsmaker::Archive other;
    other.resources = {{"Sound", "/sfx/boom.wav", Filled(10, 9), "boom", {}, {}, {}}};
    const QString otherPath = WriteArchive("other.sds", other);
    TForm1 form({samplePath_});
    form.OpenSDS(otherPath);
    QCOMPARE(form.windowTitle(), QStringLiteral("Quorvin 0.3 - other.sds"));
    QCOMPARE(Column(form, 0), QStringList{"boom.wav"});
    QCOMPARE(form.List->item(0, 0)->icon().cacheKey(), form.ImageList1[riSound].cacheKey());
    QCOMPARE(form.sds->files.size(), size_t{1});
  }

  // Through the menu: the error box with the reader's text, an empty list, the
  // caption naming the file; the archive object stays.
  void openingANonArchive() {
    const QString junk = WriteFile("notes.txt", "ABCDEFGH");
    TForm1 form({samplePath_});
    script_.answers.push_back({true, junk});
    form.Open1->trigger();
    const std::vector<TShown> boxes = script_.Boxes();
    QCOMPARE(boxes.size(), size_t{1});
    QCOMPARE(boxes[0].text, QStringLiteral(
        "Magic number does not match (expected: $53445300, got: $44434241)  (TavrelLib, Zeile 99)"));
    QCOMPARE(boxes[0].title, ApplicationTitle());
    QCOMPARE(boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes[0].buttonCount, 1);
    QCOMPARE(form.List->rowCount(), 0);
    QCOMPARE(form.windowTitle(), QStringLiteral("Quorvin 0.3 - notes.txt"));
    QVERIFY(form.sds != nullptr);
  }

  // A failure in FormCreate is shown before the window exists on screen.
  void failingFirstArgument() {
    const QString junk = WriteFile("empty.sds", "");
    TForm1 form({junk});
    QCOMPARE(script_.Boxes().size(), size_t{1});
    QVERIFY(script_.Boxes()[0].text.startsWith("Magic number does not match (expected: $53445300, got: $00000000)"));
    QVERIFY(!form.isVisible());
    QCOMPARE(form.windowTitle(), QStringLiteral("Quorvin 0.3 - empty.sds"));
    QCOMPARE(form.List->rowCount(), 0);
  }

  void openDialogOffersLastPath() {
    TForm1 form({});
    script_.answers.push_back({true, samplePath_});
    form.Open1->trigger();
    script_.answers.push_back({false, {}});
    form.Open1->trigger();
    QCOMPARE(script_.shown.size(), size_t{2});
    QCOMPARE(script_.shown[1].preset, QStringLiteral("sample.sds"));
    QCOMPARE(form.List->rowCount(), 5);  // the cancelled dialog changed nothing
  }

  void popupFollowsSelection() {
    TForm1 form({});
    form.JvPopupMenu1Popup();
    QVERIFY(!form.Extract1->isEnabled());
    form.OpenSDS(samplePath_);
    form.JvPopupMenu1Popup();
    QVERIFY(form.Extract1->isEnabled());
    form.List->clearSelection();
    form.JvPopupMenu1Popup();
    QVERIFY(!form.Extract1->isEnabled());
  }

  // The first row is selected after an open, so "Extract Selected" acts at once.
  void extractSelected() {
    TForm1 form({samplePath_});
    const fs::path target = *dir_ / "chosen.name";
    script_.answers.push_back({true, Path(target)});
    form.ExtractSelected1->trigger();
    QCOMPARE(script_.shown.at(0).preset, QStringLiteral("wall.dds"));
    QCOMPARE(ReadFileBytes(target), Bytes(sample_, 0));

    form.List->selectRow(2);
    script_.answers.push_back({true, Path(target)});
    form.Extract1->trigger();
    QCOMPARE(script_.shown.at(1).preset, QStringLiteral("glow.fx"));
    QCOMPARE(ReadFileBytes(target), Bytes(sample_, 2));  // replaced without asking

    form.List->clearSelection();
    form.ExtractSelected1->trigger();
    QCOMPARE(script_.shown.size(), size_t{2});  // no row, no dialog
  }

  void extractAll() {
    TForm1 form({samplePath_});
    const fs::path out = *dir_ / "out";
    fs::create_directory(out);
    sdsmaker::WriteBytes((out / "glow.fx").string(), {1, 2, 3});
    script_.answers.push_back({true, Path(out)});
    form.ExtractAll1->trigger();
    QCOMPARE(script_.shown.at(0).title, QStringLiteral("Select a Folder to extact to."));
    QVERIFY(script_.Boxes().empty());
    QCOMPARE(ReadFileBytes(out / "wall.dds"), Bytes(sample_, 0));
    QCOMPARE(ReadFileBytes(out / "config.XML"), Bytes(sample_, 1));
    QCOMPARE(ReadFileBytes(out / "glow.fx"), Bytes(sample_, 2));
    QCOMPARE(ReadFileBytes(out / "same.bin"), Bytes(sample_, 4));  // the later entry wins
    QCOMPARE(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 4);
  }

  // No archive: no dialog. An archive without entries: the dialog, then nothing written.
  void extractAllWithNothingToWrite() {
    TForm1 form({});
    form.ExtractAll1->trigger();
    QVERIFY(script_.shown.empty());
    form.OpenSDS(WriteArchive("empty.sds", {}));
    QCOMPARE(form.List->rowCount(), 0);
    const fs::path out = *dir_ / "out";
    fs::create_directory(out);
    script_.answers.push_back({true, Path(out)});
    form.ExtractAll1->trigger();
    QCOMPARE(script_.shown.size(), size_t{1});
    QVERIFY(fs::is_empty(out));
  }

  // A target that cannot be created stops the loop with the platform's text.
  void extractAllIntoMissingFolder() {
    TForm1 form({samplePath_});
    const QString missing = Path(*dir_ / "missing");
    script_.answers.push_back({true, missing});
    form.ExtractAll1->trigger();
    QCOMPARE(script_.Boxes().size(), size_t{1});
    QCOMPARE(script_.Boxes()[0].text,
             "Datei \"" + missing + "/wall.dds\" kann nicht erstellt werden. No such file or directory.");
    QVERIFY(!fs::exists(*dir_ / "missing"));
  }

  void clipboard() {
    TForm1 form({samplePath_});
    const QString header = QStringLiteral("File Name\tSize\tType\t\r\n");
    form.List->selectRow(1);
    QTest::keyClick(form.List, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), header + "config.XML\t0 kb\tXML\r\n");

    form.List->clearSelection();
    QTest::keyClick(form.List, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             header + "wall.dds\t3 kb\tTexture\r\nconfig.XML\t0 kb\tXML\r\nglow.fx\t2 kb\tEffects\r\n" +
                 "same.bin\t0 kb\tGeneric\r\nsame.bin\t0 kb\tGeneric\r\n");
  }

  void columnsShareTheWidth_data() {
    QTest::addColumn<int>("width");
    for (const int width : {300, 301, 302, 554, 1000}) QTest::newRow(qPrintable(QString::number(width))) << width;
  }
  void columnsShareTheWidth() {
    QFETCH(int, width);
    TForm1 form({samplePath_});
    form.show();
    form.resize(width, 400);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_COMPARE(form.List->width(), width);
    const int client = form.List->viewport()->width();
    const int share = client / 3;
    QTRY_COMPARE(form.List->columnWidth(1), share);
    QCOMPARE(form.List->columnWidth(2), share);
    QCOMPARE(form.List->columnWidth(0), client - 2 * share);
  }

  // An archive dropped on the window opens once the drop has finished.
  void droppedFileOpens() {
    TForm1 form({});
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(samplePath_)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QTRY_COMPARE(form.List->rowCount(), 5);
    QCOMPARE(form.windowTitle(), QStringLiteral("Quorvin 0.3 - sample.sds"));
  }

  void exitFreesTheArchive() {
    TForm1 form({samplePath_});
    form.show();
    QSignalSpy closed(&form, &TForm1::Closed);
    form.Exit1->trigger();
    QCOMPARE(closed.count(), 1);
    QVERIFY(form.sds == nullptr);
    QVERIFY(!form.isVisible());
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
