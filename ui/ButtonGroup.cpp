#include "ButtonGroup.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionButton>

TButtonGroup::TButtonGroup(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setBackgroundRole(QPalette::Window);  // button face below the last button
  viewport()->setMouseTracking(true);  // the hover look follows the pointer
  // One wheel step moves one button.
  verticalScrollBar()->setSingleStep(kButtonHeight);
}

void TButtonGroup::SetCaptions(const QStringList& captions) {
  captions_ = captions;
  pressed_ = -1;
  hovered_ = -1;
  UpdateScrollRange();
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

QRect TButtonGroup::ButtonRect(int index) const {
  return {0, index * kButtonHeight - verticalScrollBar()->value(), viewport()->width(), kButtonHeight};
}

int TButtonGroup::IndexAt(QPoint point) const {
  if (!viewport()->rect().contains(point)) return -1;
  const int index = (point.y() + verticalScrollBar()->value()) / kButtonHeight;
  return index < ButtonCount() ? index : -1;
}

void TButtonGroup::UpdateScrollRange() {
  const int page = viewport()->height();
  verticalScrollBar()->setPageStep(std::max(page, 1));
  verticalScrollBar()->setRange(0, std::max(0, ButtonCount() * kButtonHeight - page));
}

void TButtonGroup::paintEvent(QPaintEvent* event) {
  if (captions_.isEmpty()) return;
  QPainter painter(viewport());
  const QRect exposed = event->rect();
  const int offset = verticalScrollBar()->value();
  const int first = std::max(0, (exposed.top() + offset) / kButtonHeight);
  const int last = std::min(ButtonCount() - 1, (exposed.bottom() + offset) / kButtonHeight);
  for (int index = first; index <= last; ++index) {
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = ButtonRect(index);
    option.text = captions_.at(index);
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    const bool down = index == pressed_ && index == hovered_;
    option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    if (index == hovered_) option.state |= QStyle::State_MouseOver;
    style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
  }
}

void TButtonGroup::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void TButtonGroup::scrollContentsBy(int, int) { viewport()->update(); }

void TButtonGroup::SetHovered(int index) {
  if (index == hovered_) return;
  hovered_ = index;
  viewport()->update();
}

void TButtonGroup::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = IndexAt(event->position().toPoint());
  hovered_ = pressed_;
  viewport()->update();
}

void TButtonGroup::mouseMoveEvent(QMouseEvent* event) { SetHovered(IndexAt(event->position().toPoint())); }

void TButtonGroup::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int released = IndexAt(event->position().toPoint());
  const int pressed = pressed_;
  pressed_ = -1;
  viewport()->update();
  if (released >= 0 && released == pressed) emit ButtonClicked(released);
}

bool TButtonGroup::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) SetHovered(-1);
  return QAbstractScrollArea::viewportEvent(event);
}
