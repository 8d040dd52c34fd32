// The button column: numbered push buttons, 24 high, spanning the column's
// width, one under the other; the column scrolls vertically when they do not
// fit. The buttons are drawn, not made of widgets: a volume texture can bring
// tens of thousands of them, and that many child widgets make every repaint
// slow.
#pragma once

#include <QAbstractScrollArea>
#include <QStringList>

class TButtonGroup : public QAbstractScrollArea {
  Q_OBJECT

public:
  static constexpr int kButtonHeight = 24;

  explicit TButtonGroup(QWidget* parent = nullptr);

  // Removes every button, then adds one per caption, in order; the column
  // scrolls back to its top.
  void SetCaptions(const QStringList& captions);
  int ButtonCount() const { return static_cast<int>(captions_.size()); }
  QString Caption(int index) const { return captions_.at(index); }
  // Where button index is, in the viewport's coordinates (scrolling included).
  QRect ButtonRect(int index) const;

signals:
  // A button was clicked (the left button pressed and released over it);
  // index is its 0-based position.
  void ButtonClicked(int index);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

private:
  // The button under a viewport point, or -1.
  int IndexAt(QPoint point) const;
  void UpdateScrollRange();
  void SetHovered(int index);

  QStringList captions_;
  int pressed_ = -1;  // the button the left mouse button went down on
  int hovered_ = -1;
};
