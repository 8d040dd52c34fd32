// The one place where the program waits for the user: every modal file dialog
// and message box is shown through here. Tests install an answerer instead of a
// user, so no modal window ever blocks them.
#pragma once

#include <functional>
#include <optional>

#include <QString>

class QDialog;
class QFileDialog;
class QMessageBox;

// What the answerer "chose": whether the dialog was confirmed and, for a file
// or folder dialog, the path.
struct TDialogAnswer {
  bool accepted = false;
  QString path;
};

// Receives every dialog and box about to be shown (fully set up: title, preset
// name, text) and answers it. An empty answerer means a real user answers.
using TDialogAnswerer = std::function<TDialogAnswer(QDialog& dialog)>;
void SetDialogAnswerer(TDialogAnswerer answerer);

// Runs a file or folder dialog; the chosen path when confirmed, nothing when cancelled.
std::optional<QString> AskForPath(QFileDialog& dialog);

// Runs a message box to its end.
void ShowMessageBox(QMessageBox& box);
