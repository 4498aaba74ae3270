// The memo as screen readers and automation tools see it: an editable, multi-line text
// with a caret and a selection, read from the store, as a plain text editor offers itself.
#include "ReceiveMemo.h"

#include <QAccessibleWidget>

class TReceiveMemoAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
  explicit TReceiveMemoAccessible(TReceiveMemo *memo)
      : QAccessibleWidget(memo, QAccessible::EditableText) {}

  void *interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface)
      return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
  }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Value ? memo()->text() : QAccessibleWidget::text(t);
  }

  void selection(int index, int *start, int *end) const override {
    *start = *end = 0;
    if (index == 0 && selectionCount() == 1) {
      *start = int(std::min(memo()->anchor_, memo()->position_));
      *end = int(std::max(memo()->anchor_, memo()->position_));
    }
  }
  int selectionCount() const override { return memo()->anchor_ != memo()->position_ ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { memo()->setSelection(memo()->position_, memo()->position_); }
  void setSelection(int, int start, int end) override { memo()->setSelection(start, end); }
  int cursorPosition() const override { return int(memo()->position_); }
  void setCursorPosition(int position) override { memo()->setSelection(position, position); }
  QString text(int start, int end) const override { return memo()->store_.text(start, end); }
  int characterCount() const override { return int(memo()->store_.size()); }
  QRect characterRect(int offset) const override {
    const QRect rect = memo()->caretRect(offset).toAlignedRect();
    return QRect(memo()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
  }
  int offsetAtPoint(const QPoint &point) const override {
    return int(memo()->positionAt(memo()->viewport()->mapFromGlobal(point)));
  }
  void scrollToSubstring(int start, int) override { memo()->ensureVisible(start); }
  QString attributes(int offset, int *start, int *end) const override {
    *start = 0;
    *end = characterCount();
    Q_UNUSED(offset)
    return QString();
  }

private:
  TReceiveMemo *memo() const { return static_cast<TReceiveMemo *>(widget()); }
};

QAccessibleInterface *TReceiveMemo::accessibleFor(const QString &, QObject *object) {
  if (auto *memo = qobject_cast<TReceiveMemo *>(object))
    return new TReceiveMemoAccessible(memo);
  return nullptr;
}

void TReceiveMemo::tellAccessibility(qint64 at, const QString &removed, const QString &inserted) {
  if (!removed.isEmpty()) {
    QAccessibleTextRemoveEvent event(this, int(at), removed);
    QAccessible::updateAccessibility(&event);
  }
  if (!inserted.isEmpty()) {
    QAccessibleTextInsertEvent event(this, int(at), inserted);
    QAccessible::updateAccessibility(&event);
  }
  QAccessibleTextCursorEvent cursor(this, int(position_));
  QAccessible::updateAccessibility(&cursor);
}
