#include "ReceiveMemo.h"

#include "FollowingScrollBar.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextBlock>

#include <utility>

namespace {
// Marks a block that continues the line of the block before it.
constexpr int kContinuation = 1;
} // namespace

TReceiveMemo::TReceiveMemo(QWidget *parent) : QPlainTextEdit(parent), gathered_(document()) {
  // Undoing received text makes no sense, and the undo history would grow without end.
  document()->setUndoRedoEnabled(false);
  gathered_.setKeepPositionOnInsert(true);
  // The plain text layout asks for the whole view to be redrawn on nearly every change. An
  // append redraws only what it changed; any other change still redraws the whole view.
  // This leans on how QPlainTextEdit works inside: it repaints in answer to the layout's
  // update signal, and that is the only connection to it that is replaced here. The
  // on-screen comparison in the receive box's tests catches a Qt that works otherwise.
  QAbstractTextDocumentLayout *layout = document()->documentLayout();
  disconnect(layout, &QAbstractTextDocumentLayout::update, nullptr, nullptr);
  connect(layout, &QAbstractTextDocumentLayout::update, this, [this] {
    if (appending_)
      return;
    viewport()->update();
    emit updateRequest(viewport()->rect(), 0);
  });
  setVerticalScrollBar(new TFollowingScrollBar(Qt::Vertical));
  // The editor pages a click in the groove by the view's height, not by the bar's page step
  // (which counts the lines of the last page only, and so differs when lines differ in
  // height). It wires that to the bar it made, and the wire went with that bar; Qt 6.4
  // offers it only as a slot by name.
  connect(verticalScrollBar(), SIGNAL(actionTriggered(int)), this,
          SLOT(_q_verticalScrollbarActionTriggered(int)));
  updateTimer_.setSingleShot(true);
  updateTimer_.setTimerType(Qt::PreciseTimer);
  connect(&updateTimer_, &QTimer::timeout, this, &TReceiveMemo::showReceived);
}

void TReceiveMemo::appendReceived(const QString &text) {
  received_ += text;
  if (updateTimer_.isActive() || received_.isEmpty())
    return;
  const qint64 since = lastUpdate_.isValid() ? lastUpdate_.elapsed() : kUpdateInterval.count();
  if (since >= kUpdateInterval.count())
    showReceived();
  else
    updateTimer_.start(int(kUpdateInterval.count() - since));
}

void TReceiveMemo::showReceived() {
  updateTimer_.stop();
  if (received_.isEmpty())
    return;
  lastUpdate_.start();
  appendText(std::exchange(received_, QString()));
}

void TReceiveMemo::dropReceived() {
  updateTimer_.stop();
  received_.clear();
}

void TReceiveMemo::appendText(const QString &text) {
  if (text.isEmpty())
    return;
  const bool following = !isVisible() || endInView();
  const QScopedValueRollback<bool> appending(appending_, true);
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  const int appendedAt = end.position();
  end.beginEditBlock();
  qsizetype lineStart = 0;
  while (lineStart <= text.size()) {
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
    if (lineEnd < 0)
      lineEnd = text.size();
    QStringView rest = QStringView(text).mid(lineStart, lineEnd - lineStart);
    while (!rest.isEmpty()) {
      const qsizetype room = kLongestBlock - (end.block().length() - 1);
      if (room <= 0) {
        end.insertBlock();
        end.block().setUserState(kContinuation);
        continue;
      }
      end.insertText(rest.left(room).toString());
      rest = rest.mid(room);
    }
    if (lineEnd < text.size())
      end.insertBlock();
    lineStart = lineEnd + 1;
  }
  end.endEditBlock();
  if (following) {
    // Gathering renumbers the blocks the view counts from: the view is redrawn whole.
    if (gather())
      viewport()->update();
    // New blocks count as one line each until laid out; lay them out now, so that the
    // scroll range ends where the text does.
    for (QTextBlock b = document()->findBlock(appendedAt); b.isValid(); b = b.next())
      blockBoundingRect(b);
    // The scroll moves the pixels already drawn and redraws what it uncovers.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  }
  // Above the block the text was appended to, nothing on screen has changed.
  const QRectF changed =
      blockBoundingGeometry(document()->findBlock(appendedAt)).translated(contentOffset());
  const int top = qMax(0, int(changed.top()));
  if (top < viewport()->height())
    viewport()->update(0, top, viewport()->width(), viewport()->height() - top);
}

bool TReceiveMemo::event(QEvent *event) {
  if (event->type() == QEvent::KeyPress) {
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && key->modifiers().testFlag(Qt::ControlModifier)) {
      const bool back = key->key() == Qt::Key_Backtab || key->modifiers() & Qt::ShiftModifier;
      // The editor's own override keeps the focus while it takes Tab; the window moves it.
      QWidget::focusNextPrevChild(!back);
      return true;
    }
  }
  return QPlainTextEdit::event(event);
}

bool TReceiveMemo::endInView() const {
  const QTextBlock last = document()->lastBlock();
  return blockBoundingGeometry(last).translated(contentOffset()).bottom() <=
         viewport()->rect().bottom() + 1;
}

bool TReceiveMemo::atLineStart() const { return document()->lastBlock().length() <= 1; }

QString TReceiveMemo::text() const { return textBetween(0, document()->characterCount() - 1); }

QMimeData *TReceiveMemo::createMimeDataFromSelection() const {
  const QTextCursor selection = textCursor();
  auto *data = new QMimeData;
  data->setText(textBetween(selection.selectionStart(), selection.selectionEnd()));
  return data;
}

QString TReceiveMemo::textBetween(int from, int to) const {
  QString text;
  text.reserve(to - from);
  for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
       block = block.next()) {
    if (block.position() > from && block.userState() != kContinuation)
      text += QLatin1Char('\n');
    const int start = qMax(from, block.position()) - block.position();
    const int stop = qMin(to, block.position() + block.length() - 1) - block.position();
    text += QStringView(block.text()).mid(start, stop - start);
  }
  text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
  text.replace(QChar(QChar::Nbsp), QLatin1Char(' '));
  return text;
}

bool TReceiveMemo::gather() {
  const int ungathered =
      document()->blockCount() - document()->findBlock(gathered_.position()).blockNumber();
  if (ungathered < kKeptBlocks + kGatherBlocks)
    return false;
  const QTextBlock stop = document()->findBlockByNumber(document()->blockCount() - kKeptBlocks);
  // Replacing a stretch of text moves a cursor inside it; the operator's is left alone.
  const QTextCursor operatorCursor = textCursor();
  QTextCursor edit(document());
  edit.beginEditBlock();
  QTextBlock block = document()->findBlock(gathered_.position());
  while (block.isValid() && block.position() < stop.position()) {
    QTextBlock last = block;
    int length = block.length() - 1;
    int lines = block.lineCount();
    for (QTextBlock next = block.next();
         next.isValid() && next.position() < stop.position() && next.userState() != kContinuation &&
         length + next.length() <= kLongestBlock;
         next = next.next()) {
      length += next.length();
      lines += next.lineCount();
      last = next;
    }
    const int from = block.position();
    const int to = last.position() + last.length() - 1;
    const QTextBlock after = last.next();
    auto inside = [from, to](int position) { return position >= from && position < to; };
    if (last == block || inside(operatorCursor.position()) || inside(operatorCursor.anchor())) {
      block = after;
      continue;
    }
    const int state = block.userState();
    edit.setPosition(from);
    edit.setPosition(to, QTextCursor::KeepAnchor);
    QString joined = edit.selectedText();
    joined.replace(QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator));
    edit.insertText(joined);
    // The new block keeps the place its lines had in the scroll range.
    QTextBlock merged = document()->findBlock(from);
    merged.setUserState(state);
    merged.setLineCount(lines);
    block = merged.next();
  }
  edit.endEditBlock();
  gathered_.setPosition(stop.position());
  return true;
}
