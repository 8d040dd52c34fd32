// The export's save dialog: a save-file dialog with the picture filter list,
// no default extension, no question before replacing a file, and a typed name
// that a change of filter never touches.
#pragma once

#include <memory>

#include <QStringList>

class QFileDialog;
class QWidget;

// The filter entries in order: "Alle (...)" with every pattern below it, then
// one entry per description and extension. Qt reads a filter's patterns from
// inside its parentheses, separated by blanks.
QStringList SavePictureFilters();

std::unique_ptr<QFileDialog> MakeSavePictureDialog(QWidget* parent);
