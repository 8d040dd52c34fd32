#include "EntryList.h"

#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>

#include "ErrorBox.h"

namespace {
constexpr int kColumnCount = 3;
}

TEntryList::TEntryList(QWidget* parent) : QTableWidget(0, kColumnCount, parent) {
  setHorizontalHeaderLabels({QStringLiteral("File Name"), QStringLiteral("Size"), QStringLiteral("Type")});
  setShowGrid(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setIconSize(QSize(16, 16));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(false);
  header->setSectionsMovable(false);
  header->setHighlightSections(false);
  header->setSectionResizeMode(QHeaderView::Fixed);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(qMax(18, fontMetrics().height() + 4));
}

void TEntryList::AddRow(const QIcon& icon, const QString& caption, const QString& size,
                        const QString& type) {
  const int row = rowCount();
  insertRow(row);
  const QString texts[kColumnCount] = {caption, size, type};
  for (int column = 0; column < kColumnCount; ++column) {
    auto item = std::make_unique<QTableWidgetItem>(texts[column]);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (column == 0) item->setIcon(icon);
    setItem(row, column, item.release());  // the table owns its items
  }
}

int TEntryList::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

QString TEntryList::ClipboardText() const {
  const QString lineEnd = QStringLiteral("\r\n");
  QString text;
  for (int column = 0; column < kColumnCount; ++column) text += horizontalHeaderItem(column)->text() + u'\t';
  text += lineEnd;
  const int selected = SelectedRow();
  for (int row = 0; row < rowCount(); ++row) {
    if (selected >= 0 && row != selected) continue;
    text += item(row, 0)->text() + u'\t' + item(row, 1)->text() + u'\t' + item(row, 2)->text() + lineEnd;
  }
  return text;
}

// Every column gets a third of the client width; the first also the remainder.
void TEntryList::FitColumns() {
  const int width = viewport()->width();
  const int share = width / kColumnCount;
  setColumnWidth(0, share + width % kColumnCount);
  for (int column = 1; column < kColumnCount; ++column) setColumnWidth(column, share);
}

bool TEntryList::viewportEvent(QEvent* event) {
  // The viewport also changes width when the vertical scroll bar comes or goes.
  if (event->type() == QEvent::Resize) FitColumns();
  return QTableWidget::viewportEvent(event);
}

void TEntryList::keyPressEvent(QKeyEvent* event) {
  // The copy happens when C is released (below); keep the view's own
  // copy-on-press from putting a single cell on the clipboard first.
  if (event->matches(QKeySequence::Copy)) {
    event->accept();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

void TEntryList::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_C && (event->modifiers() & Qt::ControlModifier) && !event->isAutoRepeat()) {
    RunGuarded([this] { QApplication::clipboard()->setText(ClipboardText()); });
    event->accept();
    return;
  }
  QTableWidget::keyReleaseEvent(event);
}

void TEntryList::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
}
