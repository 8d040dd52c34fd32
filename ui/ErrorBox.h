// How a failure reaches the user: the error box, its title and the guard that
// keeps every exception out of the Qt event loop.
#pragma once

#include <QString>

class QWidget;

// The program's title, taken from the executable's file name: the part before
// its first ".", every character after the first one in lower case
// ("/opt/ARCHIVE.EXE" gives "Archive"). Message boxes carry it.
QString TitleFromExecutable(const QString& executablePath);
QString ApplicationTitle();

// The error box text for a failure message: a "." is appended when the last
// character comes after "." in code order (a letter, a digit, ":"), not after
// ".", ")", "!", "-" or a blank; an empty message stays empty.
QString ErrorBoxText(const QString& message);

// Shows the error box (stop icon, one OK button, the application title).
void ShowErrorBox(const QString& message);

// Shows the error box for the exception being handled; call only inside a catch.
void ReportCurrentException();

// Runs an event handler; a failure inside it is shown in the error box and the
// program goes on in the state the handler left. Every handler the event loop
// calls goes through here, so no exception unwinds through Qt's frames.
template <class Handler>
void RunGuarded(Handler&& handler) noexcept {
  try {
    handler();
  } catch (...) {
    ReportCurrentException();
  }
}

// The same as a callable for connect().
template <class Handler>
auto Guarded(Handler handler) {
  return [handler]() { RunGuarded(handler); };
}
