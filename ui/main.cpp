// quorvin: the desktop program. Start-up: the application object, the main
// window (which may open the archive named on the command line), then the
// event loop until the main window closes.
#include <cstdio>

#include <QStringList>

#include "ErrorBox.h"
#include "Icons.h"
#include "QuorvinApplication.h"
#include "TexPrev.h"
#include "Trace.h"
#include "Unit1.h"

int main(int argc, char** argv) {
  // The command line exactly as given: QApplication removes the options it
  // knows (-style, -platform ...) from argv, but the archive-path rule looks
  // at the user's first argument.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  TQuorvinApplication app(argc, argv);
  TQuorvinApplication::setWindowIcon(ApplicationIcon());
  SetTraceSink([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });

  // The main window carries the taskbar entry; later windows are tool windows
  // without one. It ends the program when it closes, even with another window up.
  TForm1 form(arguments);
  TTexPrevWindow texPrevWindow(&form);  // hidden until a texture is opened
  QObject::connect(&form, &TForm1::Closed, &app, &QCoreApplication::quit);

  form.show();
  return TQuorvinApplication::exec();
}
