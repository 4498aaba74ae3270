// The receive memo: a plain text editor that takes appended text at a terminal's cost, for
// hours. What it holds and shows is exactly the text appended (and whatever the operator
// typed); only how that text is kept differs from a plain editor:
// - Lines that have scrolled well out of view are gathered into blocks of a few thousand
//   characters (U+2028 inside a block). A block per line costs several hundred bytes of
//   layout besides its text, which over a long stream is most of the memory.
// - A line longer than kLongestBlock goes on in a new block marked as a continuation, so
//   that appending to it never lays out more than kLongestBlock characters. Copying and
//   text() join a continuation to the line before it without a break.
// - An append redraws only the lines it changed; the scroll that follows it moves the pixels
//   already drawn instead of drawing them again.
// - Received text gathers while it streams: redrawing for every few bytes costs far more
//   than the bytes, so text after a quiet spell is shown at once and a stream at most every
//   kUpdateInterval, as a terminal's jump scroll does. Drawing is not reading: the line's
//   reader and the runs never wait for it.
// Tab types a tab, as in any editor; Ctrl+Tab and Ctrl+Shift+Tab move the focus on.
#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

#include <chrono>

class TReceiveMemo : public QPlainTextEdit {
  Q_OBJECT
public:
  static constexpr int kLongestBlock = 4096;
  // Blocks nearest the end are left alone: they are in view or about to be.
  static constexpr int kKeptBlocks = 64;
  // Gathering runs once this many more blocks lie above those.
  static constexpr int kGatherBlocks = 1024;
  // The least time between two updates for received text. Each update lays out and draws
  // its lines and sends a frame, so fewer, fuller updates cost less; about 27 a second
  // still reads as smooth and keeps a margin over 25.
  static constexpr std::chrono::milliseconds kUpdateInterval{36};

  explicit TReceiveMemo(QWidget *parent = nullptr);

  // Appends text ('\n' breaks lines) at the end. The operator's cursor and scroll position
  // stay; a view that was at the bottom follows the new text.
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

protected:
  QMimeData *createMimeDataFromSelection() const override;
  bool event(QEvent *event) override;

private:
  // Whether the end of the text is on screen: then new text is followed.
  bool endInView() const;
  QString textBetween(int from, int to) const;
  // Gathers blocks well above the end; true when it ran.
  bool gather();

  // Where the lines not yet gathered begin; it moves with edits, not with appends there.
  QTextCursor gathered_;
  // While an append edits the document, the layout's requests to redraw everything are
  // dropped: the append knows what it changed.
  bool appending_ = false;
  QString received_;
  QElapsedTimer lastUpdate_;
  QTimer updateTimer_;
};
