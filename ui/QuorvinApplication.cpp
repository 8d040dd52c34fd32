#include "QuorvinApplication.h"

#include "ErrorBox.h"

TQuorvinApplication::TQuorvinApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TQuorvinApplication::notify(QObject* receiver, QEvent* event) {
  // Our handlers run guarded already (RunGuarded); this catches whatever a
  // handler of ours forgot, so the program goes on instead of terminating.
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentException();
    return false;
  }
}
