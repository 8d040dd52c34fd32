#include "Dialogs.h"

#include <utility>

#include <QFileDialog>
#include <QMessageBox>

namespace {
TDialogAnswerer& Answerer() {
  static TDialogAnswerer answerer;
  return answerer;
}
}  // namespace

void SetDialogAnswerer(TDialogAnswerer answerer) { Answerer() = std::move(answerer); }

std::optional<QString> AskForPath(QFileDialog& dialog) {
  if (Answerer()) {
    TDialogAnswer answer = Answerer()(dialog);
    if (!answer.accepted) return std::nullopt;
    return answer.path;
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  return chosen.first();
}

void ShowMessageBox(QMessageBox& box) {
  if (Answerer()) {
    Answerer()(box);
    return;
  }
  box.exec();
}
