// The receive memo: an editable text box over a TextStore, built to take a stream for days.
// It keeps no object per line: the text lies in the store, and only the paragraphs in view
// are laid out (cached while they stay in view). It looks and behaves as a plain text
// editor: the same margins, wrapping, line heights and paging, the caret, selection with
// mouse and keys, typing anywhere (Tab types a tab; Ctrl+Tab and Ctrl+Shift+Tab move the
// focus on), input methods, Cut, Copy, Paste and Select All.
// Received text gathers while it streams: text after a quiet spell is shown at once and a
// stream at most every kUpdateInterval, as a terminal's jump scroll does. Drawing is not
// reading: the line's reader and the runs never wait for it.
#pragma once

#include "TextStore.h"
#include "Unit2.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <memory>
#include <unordered_map>

class QAccessibleInterface;
class QMenu;
class QTextLayout;
class QTextLine;

class TReceiveMemo : public QAbstractScrollArea {
  Q_OBJECT
public:
  // The least time between two updates for received text: the reader's gathering time, so
  // that a stream is drawn once for each read. Each update lays out and draws its lines
  // and sends a frame, so fewer, fuller updates cost less; about 27 a second still reads
  // as smooth and keeps a margin over 25.
  static constexpr std::chrono::milliseconds kUpdateInterval = TRead232::kGather;

  explicit TReceiveMemo(QWidget *parent = nullptr);
  ~TReceiveMemo() override;

  // Appends text ('\n' breaks lines) at the end. The operator's caret and view stay; a
  // view that was at the end follows the new text.
  void appendText(const QString &text);
  // Appends received text: at once after a quiet spell, else gathered with what follows.
  void appendReceived(const QString &text);
  // Shows the received text gathered so far at once.
  void showReceived();
  // Forgets the received text gathered and not yet shown.
  void dropReceived();
  // Everything the memo holds, lines broken by '\n': what Select All and Copy give.
  QString text() const;
  // True when the memo is empty or its last line is: appended text starts a line.
  bool atLineStart() const;
  const TextStore &textStore() const { return store_; }

  // The caret and the selection, as positions in text().
  qint64 cursorPosition() const { return position_; }
  qint64 anchorPosition() const { return anchor_; }
  void setSelection(qint64 anchor, qint64 position);
  QString selectedText() const;
  // Types text where the caret is, in place of the selection.
  void insertText(const QString &text);

  void clear();
  void selectWholeText();
  void copySelection() const;
  void cutSelection();
  void pasteClipboard();
  // The editor's menu: Cut, Copy, Paste, Delete and Select All.
  QMenu *createStandardContextMenu(const QPoint &position);

signals:
  // Text was appended and the view updated for it.
  void appended();

protected:
  bool event(QEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void showEvent(QShowEvent *event) override;
  void changeEvent(QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;
  void timerEvent(QTimerEvent *event) override;
  void inputMethodEvent(QInputMethodEvent *event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void scrollContentsBy(int dx, int dy) override;

private:
  friend class TReceiveMemoAccessible;
  static QAccessibleInterface *accessibleFor(const QString &key, QObject *object);
  // Tells screen readers what was taken out and put in at a position, and where the
  // caret is; only while one listens.
  void tellAccessibility(qint64 at, const QString &removed, const QString &inserted);
  enum class Move { Left, Right, WordLeft, WordRight, Up, Down, LineStart, LineEnd, Start, End };
  // The paragraph's layout at the view's width, laid out and cached.
  QTextLayout *paragraphLayout(qint64 paragraph) const;
  qreal paragraphHeight(qint64 paragraph) const;
  // Drops layouts well out of view once they hold more than a few views' worth.
  void trimLayouts() const;
  // Lays a paragraph out to count its rows.
  void measure(qint64 paragraph) const;
  // Drops cached layouts from a paragraph on.
  void forgetLayouts(qint64 from);
  void relayout();
  // The view's top: a paragraph and a line in it; the scroll bar shows its row.
  void setTop(qint64 paragraph, int line);
  qreal topOffset() const;
  void adjustScrollBar();
  bool endInView() const;
  // A paragraph's top relative to the top paragraph's top; the line a position is on.
  qreal paragraphY(qint64 paragraph) const;
  QTextLine lineOf(qint64 position, qint64 *paragraph = nullptr) const;
  QRectF caretRect(qint64 position) const;
  qint64 positionAt(const QPoint &point) const;
  void ensureVisible(qint64 position);
  void pageUpDown(bool down, bool moveCaret, bool select);
  qint64 moved(qint64 position, Move move) const;
  void moveCaret(qint64 position, bool select);
  // Moves the selection's end to a point, the view staying where it is.
  void dragTo(const QPoint &point);
  void replaceSelection(const QString &text);
  void edited();
  void blink(bool restart);
  void copyToSelectionClipboard() const;

  // Rows are counted as paragraphs are laid out, which reading does too.
  mutable TextStore store_;
  qint64 anchor_ = 0, position_ = 0;
  // Where Up and Down keep the caret across lines of other widths.
  qreal keptX_ = -1;
  qreal pageCaretY_ = 0;
  bool pageCaretYValid_ = false;
  qint64 topParagraph_ = 0;
  int topLine_ = 0;
  mutable std::unordered_map<qint64, std::unique_ptr<QTextLayout>> layouts_;
  qreal layoutWidth_ = 0;
  QString preedit_;
  int preeditCursor_ = 0;
  bool caretOn_ = false;
  bool settingBar_ = false;
  // The rows counted when the scroll range was last set.
  qint64 rangeRows_ = -1;
  QBasicTimer blinkTimer_;
  QBasicTimer dragTimer_;
  QPoint dragPoint_;
  bool dragging_ = false;
  QString received_;
  QElapsedTimer lastUpdate_;
  QTimer updateTimer_;
};
