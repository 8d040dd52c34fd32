// The application object. Its event dispatch is the last line of defence:
// a failure that escapes an event handler is shown in the error box instead
// of ending the program.
#pragma once

#include <QApplication>

class TQuorvinApplication : public QApplication {
public:
  TQuorvinApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
