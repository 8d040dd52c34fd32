#include "ErrorBox.h"

#include <exception>
#include <new>

#include <QApplication>
#include <QMessageBox>

#include "Dialogs.h"

namespace {

// Fixed texts of ours for failures that carry no message of their own.
const char* const kOutOfMemoryText = "Out of memory";
const char* const kUnknownFailureText = "Unknown failure";

QString CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return QString::fromUtf8(kOutOfMemoryText);
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QString::fromUtf8(kUnknownFailureText);
  }
}

}  // namespace

QString TitleFromExecutable(const QString& executablePath) {
  QString name = executablePath.mid(executablePath.lastIndexOf(u'/') + 1);
  const qsizetype dot = name.indexOf(u'.');
  if (dot >= 0) name.truncate(dot);
  if (name.isEmpty()) return name;
  return name.left(1) + name.mid(1).toLower();
}

QString ApplicationTitle() { return TitleFromExecutable(QCoreApplication::applicationFilePath()); }

QString ErrorBoxText(const QString& message) {
  if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
  return message;
}

void ShowErrorBox(const QString& message) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ErrorBoxText(message),
                  QMessageBox::Ok, QApplication::activeWindow());
  // Messages quote file names and archive text; never read them as markup.
  box.setTextFormat(Qt::PlainText);
  ShowMessageBox(box);
}

void ReportCurrentException() {
  try {
    ShowErrorBox(CurrentExceptionMessage());
  } catch (...) {
    // Showing the box failed as well (out of memory): nothing is left to tell
    // the user with, and the failure must not leave the handler.
  }
}
