// The entry list: a report view with three columns that share the list's
// width, grid lines, single row selection and 16 x 16 row icons. Rows keep
// the order they were added in, so row i is entry i of the archive.
#pragma once

#include <QTableWidget>

class TEntryList : public QTableWidget {
  Q_OBJECT

public:
  explicit TEntryList(QWidget* parent = nullptr);

  // Adds a row at the end.
  void AddRow(const QIcon& icon, const QString& caption, const QString& size, const QString& type);
  // The selected row's index, or -1.
  int SelectedRow() const;
  // The text Ctrl+C puts on the clipboard: the column captions, then the
  // selected row, or every row when none is selected; tab-separated, CR LF lines.
  QString ClipboardText() const;

signals:
  // A double-click with the left button anywhere on the list.
  void DoubleClicked();

protected:
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
  void FitColumns();
};
