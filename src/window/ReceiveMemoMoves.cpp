// The memo's caret, selection and edits, and how the caret and the view move: by character,
// word, line and page, following a plain text editor's rules, so that the caret and the
// view land where they would in any other editor.
#include "ReceiveMemo.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTextLayout>

namespace {
// Typed and pasted text breaks lines with '\n' alone, as received text does.
QString WithLineBreaks(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}
} // namespace

void TReceiveMemo::setSelection(qint64 anchor, qint64 position) {
  anchor_ = std::clamp<qint64>(anchor, 0, store_.size());
  moveCaret(position, true);
}

QString TReceiveMemo::selectedText() const {
  return store_.text(std::min(anchor_, position_), std::max(anchor_, position_));
}

void TReceiveMemo::selectWholeText() {
  anchor_ = 0;
  position_ = store_.size();
  copyToSelectionClipboard();
  viewport()->update();
}

void TReceiveMemo::copySelection() const {
  if (anchor_ != position_)
    QApplication::clipboard()->setText(selectedText());
}

void TReceiveMemo::cutSelection() {
  copySelection();
  replaceSelection(QString());
}

void TReceiveMemo::pasteClipboard() { insertText(QApplication::clipboard()->text()); }

void TReceiveMemo::insertText(const QString &text) { replaceSelection(WithLineBreaks(text)); }

void TReceiveMemo::replaceSelection(const QString &text) {
  const qint64 from = std::min(anchor_, position_), to = std::max(anchor_, position_);
  if (from == to && text.isEmpty())
    return;
  forgetLayouts(store_.paragraphAt(from));
  const QString removed = QAccessible::isActive() ? store_.text(from, to) : QString();
  store_.removeText(from, to);
  store_.insertText(from, text);
  anchor_ = position_ = from + text.size();
  edited();
  if (QAccessible::isActive())
    tellAccessibility(from, removed, text);
}

void TReceiveMemo::edited() {
  keptX_ = -1;
  pageCaretYValid_ = false;
  // Paragraphs were renumbered from the edit on; the top stays the same paragraph.
  forgetLayouts(std::min(topParagraph_, store_.paragraphAt(position_)));
  adjustScrollBar();
  ensureVisible(position_);
  blink(true);
  viewport()->update();
}

void TReceiveMemo::moveCaret(qint64 position, bool select) {
  position_ = std::clamp<qint64>(position, 0, store_.size());
  if (!select)
    anchor_ = position_;
  pageCaretYValid_ = false;
  ensureVisible(position_);
  blink(true);
  viewport()->update();
  if (QAccessible::isActive())
    tellAccessibility(position_, QString(), QString());
}

qint64 TReceiveMemo::moved(qint64 position, Move move) const {
  const qint64 p = store_.paragraphAt(position);
  const qint64 start = store_.paragraphStart(p);
  const int offset = int(position - start);
  QTextLayout *l = paragraphLayout(p);
  const int length = l->text().size();
  const bool last = p + 1 == store_.paragraphCount();
  switch (move) {
  case Move::Left:
  case Move::WordLeft: {
    const auto mode = move == Move::Left ? QTextLayout::SkipCharacters : QTextLayout::SkipWords;
    if (offset > 0)
      return start + l->previousCursorPosition(offset, mode);
    if (p == 0)
      return 0;
    if (!store_.continues(p))
      return position - 1;
    QTextLayout *before = paragraphLayout(p - 1);
    return store_.paragraphStart(p - 1) +
           before->previousCursorPosition(before->text().size(), mode);
  }
  case Move::Right:
  case Move::WordRight: {
    const auto mode = move == Move::Right ? QTextLayout::SkipCharacters : QTextLayout::SkipWords;
    if (offset < length)
      return start + l->nextCursorPosition(offset, mode);
    return last ? position : position + 1;
  }
  case Move::Up:
  case Move::Down: {
    const QTextLine line = l->lineForTextPosition(offset);
    const qreal x = keptX_ >= 0 ? keptX_ : line.cursorToX(offset);
    const int target = line.lineNumber() + (move == Move::Down ? 1 : -1);
    if (target >= 0 && target < l->lineCount())
      return start + l->lineAt(target).xToCursor(x);
    if (move == Move::Up && p > 0) {
      QTextLayout *before = paragraphLayout(p - 1);
      return store_.paragraphStart(p - 1) + before->lineAt(before->lineCount() - 1).xToCursor(x);
    }
    if (move == Move::Down && !last)
      return store_.paragraphStart(p + 1) + paragraphLayout(p + 1)->lineAt(0).xToCursor(x);
    return position;
  }
  case Move::LineStart:
    return start + l->lineForTextPosition(offset).textStart();
  case Move::LineEnd: {
    const QTextLine line = l->lineForTextPosition(offset);
    int end = line.textStart() + line.textLength();
    // A wrapped line ends before the space it broke at.
    if (line.lineNumber() < l->lineCount() - 1 && end > 0 && l->text().at(end - 1).isSpace())
      --end;
    return start + end;
  }
  case Move::Start:
    return 0;
  case Move::End:
    return store_.size();
  }
  return position;
}

void TReceiveMemo::ensureVisible(qint64 position) {
  if (!isVisible())
    return;
  const QRectF caret = caretRect(position);
  const qreal view = viewport()->height();
  if (caret.bottom() >= view) {
    qint64 p = 0;
    const QTextLine caretLine = lineOf(position, &p);
    // The end goes to the bottom with the margin below it, where a stream is followed.
    if (p + 1 == store_.paragraphCount() &&
        caretLine.lineNumber() + 1 == paragraphLayout(p)->lineCount()) {
      adjustScrollBar();
      verticalScrollBar()->setValue(verticalScrollBar()->maximum());
      return;
    }
    // The caret's line goes to the bottom: the top is as many paragraphs up as fill a view.
    qreal h = caretLine.naturalTextRect().bottom();
    qint64 below = p;
    while (h < view && p > 0) {
      below = p;
      --p;
      h += paragraphHeight(p);
    }
    const QTextLayout *l = paragraphLayout(p);
    const qreal offset = p == 0 ? -4 : 0;
    int line = 0;
    while (line < l->lineCount() && h - offset - l->lineAt(line).naturalTextRect().top() > view)
      ++line;
    if (line >= l->lineCount()) {
      p = below;
      line = 0;
    }
    setTop(p, line);
  } else if (caret.top() < 0) {
    qint64 p = 0;
    const QTextLine line = lineOf(position, &p);
    setTop(p, line.lineNumber());
  }
}

void TReceiveMemo::pageUpDown(bool down, bool moveCaret, bool select) {
  qint64 position = position_;
  if (moveCaret) {
    ensureVisible(position);
    if (!pageCaretYValid_)
      pageCaretY_ = caretRect(position).top();
  }
  qreal lastY = pageCaretY_;
  const qreal view = viewport()->height();
  if (down) {
    const qreal bottom = topOffset() + view;
    qint64 p = topParagraph_;
    qreal h = 0;
    bool atEnd = false;
    while (h + paragraphHeight(p) <= bottom) {
      if (p + 1 == store_.paragraphCount()) {
        atEnd = true;
        lastY = bottom;
        break;
      }
      h += paragraphHeight(p);
      ++p;
    }
    if (!atEnd) {
      const QTextLayout *l = paragraphLayout(p);
      int line = 0;
      while (line < l->lineCount() - 1 && l->lineAt(line).naturalTextRect().bottom() <= bottom - h)
        ++line;
      setTop(p, line);
    }
  } else {
    const qreal top = topOffset() - view;
    qint64 p = topParagraph_;
    qreal h = 0;
    while (h >= top) {
      if (p == 0) {
        if (topParagraph_ == 0 && topLine_ == 0)
          lastY = 0;
        break;
      }
      --p;
      h -= paragraphHeight(p);
    }
    const QTextLayout *l = paragraphLayout(p);
    int line = 0;
    while (line < l->lineCount() && l->lineAt(line).naturalTextRect().top() < top - h)
      ++line;
    if (line == l->lineCount()) {
      // Past the paragraph's last line: the next one, unless that was the top already.
      if (p + 1 < store_.paragraphCount() && p + 1 != topParagraph_) {
        ++p;
        line = 0;
      } else {
        --line;
      }
    }
    setTop(p, line);
  }
  if (!moveCaret)
    return;
  // The caret moves line by line, keeping its x, until it is as far into the new page as
  // it was into the old one.
  lastY += topOffset();
  if (keptX_ < 0)
    keptX_ = caretRect(position).left();
  for (;;) {
    const qint64 next = moved(position, down ? Move::Down : Move::Up);
    if (next == position)
      break;
    position = next;
    const qreal y = caretRect(position).top() + topOffset();
    if (down ? y >= lastY : y <= lastY)
      break;
  }
  position_ = position;
  if (!select)
    anchor_ = position_;
  pageCaretYValid_ = true;
  blink(true);
  viewport()->update();
}
