// What the operator does in the memo: keys, the mouse, input methods, the caret's blink,
// the selection clipboard and the menu.
#include "ReceiveMemo.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>

namespace {
// How often a selection dragged beyond an edge scrolls the view by a row.
constexpr int kDragStep = 25;

QString Accel(QKeySequence::StandardKey key) {
  const QKeySequence sequence(key);
  return sequence.isEmpty() ? QString()
                            : QLatin1Char('\t') + sequence.toString(QKeySequence::NativeText);
}
} // namespace

void TReceiveMemo::keyPressEvent(QKeyEvent *event) {
  struct Motion {
    QKeySequence::StandardKey move, select;
    Move how;
  };
  static const Motion motions[] = {
      {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::Right},
      {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::Left},
      {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Move::WordRight},
      {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Move::WordLeft},
      {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::Down},
      {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::Up},
      {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::LineStart},
      {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::LineEnd},
      {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::Start},
      {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::End},
  };
  for (const Motion &motion : motions) {
    const bool select = event->matches(motion.select);
    if (!select && !event->matches(motion.move))
      continue;
    const bool vertical = motion.how == Move::Up || motion.how == Move::Down;
    const qreal x = keptX_ >= 0 ? keptX_ : caretRect(position_).left();
    const qint64 to = moved(position_, motion.how);
    moveCaret(to, select);
    keptX_ = vertical ? x : -1;
    return;
  }
  if (event->matches(QKeySequence::MoveToNextPage) || event->matches(QKeySequence::SelectNextPage))
    return pageUpDown(true, true, event->matches(QKeySequence::SelectNextPage));
  if (event->matches(QKeySequence::MoveToPreviousPage) ||
      event->matches(QKeySequence::SelectPreviousPage))
    return pageUpDown(false, true, event->matches(QKeySequence::SelectPreviousPage));
  if (event->matches(QKeySequence::SelectAll))
    return selectWholeText();
  if (event->matches(QKeySequence::Copy))
    return copySelection();
  if (event->matches(QKeySequence::Cut))
    return cutSelection();
  if (event->matches(QKeySequence::Paste))
    return pasteClipboard();
  const bool noSelection = anchor_ == position_;
  if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
    if (noSelection && position_ == 0)
      return;
    // One character back, both halves of a surrogate pair.
    if (noSelection)
      anchor_ = moved(position_, Move::Left) == position_ - 2 ? position_ - 2 : position_ - 1;
    return replaceSelection(QString());
  }
  if (event->matches(QKeySequence::Delete)) {
    if (noSelection)
      anchor_ = moved(position_, Move::Right);
    return replaceSelection(QString());
  }
  if (event->matches(QKeySequence::DeleteStartOfWord) ||
      event->matches(QKeySequence::DeleteEndOfWord)) {
    if (noSelection)
      anchor_ = moved(position_, event->matches(QKeySequence::DeleteEndOfWord) ? Move::WordRight
                                                                               : Move::WordLeft);
    return replaceSelection(QString());
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    return insertText(QStringLiteral("\n"));
  const QString typed = event->text();
  if (!typed.isEmpty() && !(event->modifiers() & Qt::ControlModifier) &&
      (typed.at(0).isPrint() || typed.at(0) == QLatin1Char('\t')))
    return insertText(typed);
  event->ignore();
}

bool TReceiveMemo::event(QEvent *event) {
  if (event->type() == QEvent::KeyPress) {
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && key->modifiers().testFlag(Qt::ControlModifier)) {
      const bool back = key->key() == Qt::Key_Backtab || key->modifiers() & Qt::ShiftModifier;
      focusNextPrevChild(!back);
      return true;
    }
    if (tab && !(key->modifiers() & ~Qt::ShiftModifier)) {
      if (key->key() == Qt::Key_Tab)
        insertText(QStringLiteral("\t"));
      return true;
    }
  }
  if (event->type() == QEvent::ShortcutOverride) {
    // The editor's own keys are its own while it has the focus.
    auto *key = static_cast<QKeyEvent *>(event);
    const bool plain = !(key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    if ((plain && !key->text().isEmpty()) || key == QKeySequence::Copy ||
        key == QKeySequence::Cut || key == QKeySequence::Paste || key == QKeySequence::SelectAll ||
        key == QKeySequence::Delete || key->key() == Qt::Key_Backspace) {
      key->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

qint64 TReceiveMemo::positionAt(const QPoint &point) const {
  qint64 p = topParagraph_;
  qreal y = -topOffset();
  while (point.y() < y && p > 0) {
    --p;
    y -= paragraphHeight(p);
  }
  while (point.y() >= y + paragraphHeight(p) && p + 1 < store_.paragraphCount()) {
    y += paragraphHeight(p);
    ++p;
  }
  const QTextLayout *l = paragraphLayout(p);
  int line = 0;
  while (line + 1 < l->lineCount() && point.y() >= y + l->lineAt(line + 1).y())
    ++line;
  return store_.paragraphStart(p) + l->lineAt(line).xToCursor(point.x());
}

void TReceiveMemo::mousePressEvent(QMouseEvent *event) {
  const qint64 at = positionAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    dragging_ = true;
    keptX_ = -1;
    moveCaret(at, event->modifiers() & Qt::ShiftModifier);
  } else if (event->button() == Qt::MiddleButton &&
             QApplication::clipboard()->supportsSelection()) {
    moveCaret(at, false);
    insertText(QApplication::clipboard()->text(QClipboard::Selection));
  }
}

void TReceiveMemo::mouseMoveEvent(QMouseEvent *event) {
  if (!dragging_)
    return;
  dragPoint_ = event->position().toPoint();
  const bool outside = dragPoint_.y() < 0 || dragPoint_.y() >= viewport()->height();
  if (!outside) {
    dragTimer_.stop();
    return moveCaret(positionAt(dragPoint_), true);
  }
  // Beyond an edge the view scrolls a row at a time, and the selection follows it.
  if (!dragTimer_.isActive())
    dragTimer_.start(kDragStep, this);
  dragTo(dragPoint_);
}

void TReceiveMemo::dragTo(const QPoint &point) {
  position_ = positionAt(point);
  pageCaretYValid_ = false;
  blink(true);
  viewport()->update();
}

void TReceiveMemo::mouseReleaseEvent(QMouseEvent *) {
  dragging_ = false;
  dragTimer_.stop();
  copyToSelectionClipboard();
}

void TReceiveMemo::mouseDoubleClickEvent(QMouseEvent *event) {
  const qint64 at = positionAt(event->position().toPoint());
  const qint64 p = store_.paragraphAt(at);
  const QString text = store_.paragraphText(p);
  int from = int(at - store_.paragraphStart(p)), to = from;
  while (from > 0 && text.at(from - 1).isLetterOrNumber())
    --from;
  while (to < text.size() && text.at(to).isLetterOrNumber())
    ++to;
  if (from == to && to < text.size())
    ++to;
  anchor_ = store_.paragraphStart(p) + from;
  moveCaret(store_.paragraphStart(p) + to, true);
  copyToSelectionClipboard();
}

void TReceiveMemo::timerEvent(QTimerEvent *event) {
  if (event->timerId() == blinkTimer_.timerId()) {
    caretOn_ = !caretOn_;
    viewport()->update(caretRect(position_).toAlignedRect().adjusted(-1, 0, 1, 0));
  } else if (event->timerId() == dragTimer_.timerId()) {
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + (dragPoint_.y() < 0 ? -1 : 1));
    dragTo(dragPoint_);
  }
}

void TReceiveMemo::blink(bool restart) {
  const int flash = QApplication::cursorFlashTime();
  caretOn_ = restart;
  if (restart && flash >= 2 && hasFocus())
    blinkTimer_.start(flash / 2, this);
  else
    blinkTimer_.stop();
}

void TReceiveMemo::focusInEvent(QFocusEvent *event) {
  QAbstractScrollArea::focusInEvent(event);
  blink(true);
  viewport()->update();
}

void TReceiveMemo::focusOutEvent(QFocusEvent *event) {
  QAbstractScrollArea::focusOutEvent(event);
  blink(false);
  viewport()->update();
}

void TReceiveMemo::copyToSelectionClipboard() const {
  QClipboard *clipboard = QApplication::clipboard();
  if (clipboard->supportsSelection() && anchor_ != position_)
    clipboard->setText(selectedText(), QClipboard::Selection);
}

void TReceiveMemo::inputMethodEvent(QInputMethodEvent *event) {
  if (event->replacementLength() > 0) {
    anchor_ = std::clamp<qint64>(position_ + event->replacementStart(), 0, store_.size());
    position_ = std::clamp<qint64>(anchor_ + event->replacementLength(), 0, store_.size());
    replaceSelection(QString());
  }
  forgetLayouts(store_.paragraphAt(position_));
  preedit_.clear();
  if (!event->commitString().isEmpty())
    insertText(event->commitString());
  preedit_ = event->preeditString();
  preeditCursor_ = preedit_.size();
  for (const QInputMethodEvent::Attribute &a : event->attributes())
    if (a.type == QInputMethodEvent::Cursor)
      preeditCursor_ = a.start;
  forgetLayouts(store_.paragraphAt(position_));
  ensureVisible(position_);
  viewport()->update();
}

QVariant TReceiveMemo::inputMethodQuery(Qt::InputMethodQuery query) const {
  const qint64 p = store_.paragraphAt(position_);
  const qint64 start = store_.paragraphStart(p);
  switch (query) {
  case Qt::ImEnabled:
    return true;
  case Qt::ImCursorRectangle:
    return caretRect(position_).translated(viewport()->pos());
  case Qt::ImFont:
    return font();
  case Qt::ImCursorPosition:
    return int(position_ - start);
  case Qt::ImAnchorPosition:
    return int(std::clamp(anchor_, start, start + store_.paragraphLength(p)) - start);
  case Qt::ImSurroundingText:
    return store_.paragraphText(p);
  case Qt::ImCurrentSelection:
    return selectedText().left(TextStore::kLongestParagraph);
  default:
    return QAbstractScrollArea::inputMethodQuery(query);
  }
}

QMenu *TReceiveMemo::createStandardContextMenu(const QPoint &) {
  auto *menu = new QMenu(this);
  const bool selection = anchor_ != position_;
  // The words of any editor's menu, as Qt's own translations have them.
  auto qtText = [](const char *text) {
    return QCoreApplication::translate("QWidgetTextControl", text);
  };
  menu->addAction(qtText("Cu&t") + Accel(QKeySequence::Cut), this, &TReceiveMemo::cutSelection)
      ->setEnabled(selection);
  menu->addAction(qtText("&Copy") + Accel(QKeySequence::Copy), this, &TReceiveMemo::copySelection)
      ->setEnabled(selection);
  menu->addAction(qtText("&Paste") + Accel(QKeySequence::Paste), this,
                  &TReceiveMemo::pasteClipboard)
      ->setEnabled(!QApplication::clipboard()->text().isEmpty());
  menu->addAction(qtText("Delete"), this, [this] { replaceSelection(QString()); })
      ->setEnabled(selection);
  menu->addSeparator();
  menu->addAction(qtText("Select All") + Accel(QKeySequence::SelectAll), this,
                  &TReceiveMemo::selectWholeText)
      ->setEnabled(store_.size() > 0);
  return menu;
}
