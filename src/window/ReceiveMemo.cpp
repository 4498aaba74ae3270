// The memo's text, layout, drawing and scrolling. Lines are measured as a plain text editor
// measures them (a 4-pixel margin, lines with their leading, the last paragraph with the
// margin below it), so that a scroll bar step, a page and a wrapped line are the same here.
#include "ReceiveMemo.h"

#include "FollowingScrollBar.h"

#include <QAccessible>
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextLayout>

#include <cmath>
#include <utility>

namespace {
constexpr qreal kMargin = 4;
// A laid-out character costs tens of bytes: past these, layouts out of view are dropped.
constexpr size_t kCachedLayouts = 256;
constexpr qint64 kCachedCharacters = 32768;
} // namespace

TReceiveMemo::TReceiveMemo(QWidget *parent) : QAbstractScrollArea(parent) {
  static const bool accessible = (QAccessible::installFactory(&TReceiveMemo::accessibleFor), true);
  Q_UNUSED(accessible)
  setVerticalScrollBar(new TFollowingScrollBar(Qt::Vertical));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setCursor(Qt::IBeamCursor);
  // A click in the groove pages by the view's height, as an editor pages: the bar's own
  // page step counts the rows of the last page, and rows differ in height.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderPageStepAdd ||
        action == QAbstractSlider::SliderPageStepSub)
      pageUpDown(action == QAbstractSlider::SliderPageStepAdd, false, false);
  });
  updateTimer_.setSingleShot(true);
  updateTimer_.setTimerType(Qt::PreciseTimer);
  connect(&updateTimer_, &QTimer::timeout, this, &TReceiveMemo::showReceived);
  relayout();
}

TReceiveMemo::~TReceiveMemo() = default;

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
  const qint64 end = store_.size();
  const qint64 changed = store_.paragraphCount() - 1;
  forgetLayouts(changed);
  store_.appendText(text);
  // Followed text is measured as it comes, so that the scroll range ends where it does;
  // only what is in view keeps its layout.
  if (following && isVisible())
    for (qint64 p = changed; p < store_.paragraphCount(); ++p)
      measure(p);
  // A caret at the end stays at the end, as it does when the operator types there.
  if (position_ == end)
    position_ = store_.size();
  if (anchor_ == end)
    anchor_ = store_.size();
  adjustScrollBar();
  if (following)
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  trimLayouts();
  viewport()->update();
  if (QAccessible::isActive())
    tellAccessibility(end, QString(), text);
  emit appended();
}

QString TReceiveMemo::text() const { return store_.text(); }

bool TReceiveMemo::atLineStart() const {
  const qint64 last = store_.paragraphCount() - 1;
  return store_.paragraphLength(last) == 0 && (last == 0 || !store_.continues(last));
}

void TReceiveMemo::clear() {
  store_.clear();
  layouts_.clear();
  anchor_ = position_ = 0;
  topParagraph_ = 0;
  topLine_ = 0;
  edited();
}

QTextLayout *TReceiveMemo::paragraphLayout(qint64 paragraph) const {
  std::unique_ptr<QTextLayout> &slot = layouts_[paragraph];
  if (slot)
    return slot.get();
  slot = std::make_unique<QTextLayout>(store_.paragraphText(paragraph), font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  slot->setTextOption(option);
  slot->setCacheEnabled(true);
  if (!preedit_.isEmpty() && store_.paragraphAt(position_) == paragraph)
    slot->setPreeditArea(int(position_ - store_.paragraphStart(paragraph)), preedit_);
  slot->beginLayout();
  qreal y = 0;
  for (QTextLine line = slot->createLine(); line.isValid(); line = slot->createLine()) {
    line.setLeadingIncluded(true);
    line.setLineWidth(layoutWidth_);
    line.setPosition(QPointF(kMargin, y));
    y += line.height();
    if (line.leading() < 0)
      y += std::ceil(line.leading());
  }
  slot->endLayout();
  store_.setRows(paragraph, slot->lineCount());
  return slot.get();
}

void TReceiveMemo::trimLayouts() const {
  qint64 characters = 0;
  for (const auto &entry : layouts_)
    characters += entry.second->text().size();
  if (layouts_.size() <= kCachedLayouts && characters <= kCachedCharacters)
    return;
  // The view and a little around it stay.
  const qint64 from = topParagraph_ - 8;
  qint64 to = topParagraph_, kept = 0;
  while (to < store_.paragraphCount() && to < topParagraph_ + 64 && kept < kCachedCharacters / 2)
    kept += store_.paragraphLength(to++);
  for (auto it = layouts_.begin(); it != layouts_.end();)
    it = it->first >= from && it->first < to ? std::next(it) : layouts_.erase(it);
}

void TReceiveMemo::measure(qint64 paragraph) const {
  const bool cached = layouts_.count(paragraph) > 0;
  paragraphLayout(paragraph);
  // The last few are about to be drawn; the rest only needed counting.
  if (!cached && paragraph < store_.paragraphCount() - 64)
    layouts_.erase(paragraph);
}

qreal TReceiveMemo::paragraphHeight(qint64 paragraph) const {
  const qreal bottom = paragraphLayout(paragraph)->boundingRect().bottom();
  return paragraph + 1 == store_.paragraphCount() ? bottom + kMargin : bottom;
}

void TReceiveMemo::forgetLayouts(qint64 from) {
  for (auto it = layouts_.begin(); it != layouts_.end();)
    it = it->first >= from ? layouts_.erase(it) : std::next(it);
}

void TReceiveMemo::relayout() {
  layoutWidth_ = viewport()->width() > 2 * kMargin ? viewport()->width() - 2 * kMargin
                                                   : qreal(INT_MAX) - 2 * kMargin;
  layouts_.clear();
  store_.forgetRows();
  adjustScrollBar();
  viewport()->update();
}

void TReceiveMemo::resizeEvent(QResizeEvent *event) {
  QAbstractScrollArea::resizeEvent(event);
  if (viewport()->width() - 2 * kMargin != layoutWidth_)
    relayout();
  else
    adjustScrollBar();
}

void TReceiveMemo::showEvent(QShowEvent *event) {
  QAbstractScrollArea::showEvent(event);
  // Measured from the end now that it has its height: text appended while hidden ends it.
  adjustScrollBar();
}

void TReceiveMemo::changeEvent(QEvent *event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange)
    relayout();
  else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ActivationChange)
    viewport()->update();
}

qreal TReceiveMemo::topOffset() const {
  qreal offset = 0;
  if (topLine_ > 0)
    offset = paragraphLayout(topParagraph_)->lineAt(topLine_ - 1).naturalTextRect().bottom();
  if (topParagraph_ == 0 && topLine_ == 0)
    offset -= kMargin;
  return offset;
}

void TReceiveMemo::setTop(qint64 paragraph, int line) {
  topParagraph_ = paragraph;
  topLine_ = line;
  // Paragraphs laid out since the range was set may have more rows than were counted.
  if (store_.rowCount() != rangeRows_)
    adjustScrollBar();
  const QScopedValueRollback<bool> setting(settingBar_, true);
  verticalScrollBar()->setValue(int(store_.rowOf(paragraph) + line));
  viewport()->update();
}

void TReceiveMemo::scrollContentsBy(int, int) {
  if (settingBar_)
    return;
  const qint64 row = verticalScrollBar()->value();
  const qint64 paragraph = store_.paragraphAtRow(row);
  const int line = int(row - store_.rowOf(paragraph));
  topParagraph_ = paragraph;
  topLine_ = std::min(line, paragraphLayout(paragraph)->lineCount() - 1);
  trimLayouts();
  viewport()->update();
}

void TReceiveMemo::adjustScrollBar() {
  // The rows that fit above the end, counted from the last paragraph up: the range ends
  // where the last row shows whole, as in any editor.
  const qreal visible = viewport()->height() - kMargin - 1;
  qint64 fromBottom = 0;
  qint64 maximum = 0;
  if (isVisible()) {
    qreal y = 0;
    for (qint64 p = store_.paragraphCount() - 1; p >= 0; --p) {
      y += paragraphHeight(p);
      const QTextLayout *l = paragraphLayout(p);
      if (y > visible) {
        int line = 0;
        while (line < l->lineCount() && l->lineAt(line).naturalTextRect().top() < y - visible)
          ++line;
        fromBottom += l->lineCount() - line;
        break;
      }
      fromBottom += l->lineCount();
    }
    maximum = std::max<qint64>(0, store_.rowCount() - fromBottom);
  } else {
    maximum = std::max<qint64>(0, store_.rowCount() - 1);
    const int spacing = fontMetrics().lineSpacing();
    fromBottom = spacing > 0 ? viewport()->height() / spacing : 0;
  }
  const QScopedValueRollback<bool> setting(settingBar_, true);
  rangeRows_ = store_.rowCount();
  QScrollBar *bar = verticalScrollBar();
  bar->setRange(0, int(maximum));
  bar->setPageStep(int(fromBottom));
  topParagraph_ = std::min(topParagraph_, store_.paragraphCount() - 1);
  topLine_ = std::min(topLine_, paragraphLayout(topParagraph_)->lineCount() - 1);
  const qint64 top = store_.rowOf(topParagraph_) + topLine_;
  if (top > maximum) {
    topParagraph_ = store_.paragraphAtRow(maximum);
    topLine_ = int(maximum - store_.rowOf(topParagraph_));
  }
  bar->setValue(int(store_.rowOf(topParagraph_) + topLine_));
}

bool TReceiveMemo::endInView() const {
  const qint64 last = store_.paragraphCount() - 1;
  qreal y = -topOffset();
  for (qint64 p = topParagraph_; p <= last; ++p) {
    y += paragraphHeight(p);
    if (y > viewport()->height() + 1)
      return false;
  }
  return true;
}

qreal TReceiveMemo::paragraphY(qint64 paragraph) const {
  // Paragraphs up to two views away are measured; one further off is put just past them,
  // as an editor does, rather than laying out all the text between.
  qint64 current = topParagraph_;
  qreal y = 0;
  const qreal reach = paragraphHeight(current), view = viewport()->height();
  while (current < paragraph && y - reach <= 2 * view) {
    y += paragraphHeight(current);
    ++current;
  }
  while (current > paragraph && y + reach >= -view) {
    --current;
    y -= paragraphHeight(current);
  }
  if (current > paragraph)
    y -= paragraphHeight(paragraph);
  return y;
}

QTextLine TReceiveMemo::lineOf(qint64 position, qint64 *paragraph) const {
  const qint64 p = store_.paragraphAt(position);
  if (paragraph)
    *paragraph = p;
  QTextLayout *l = paragraphLayout(p);
  int offset = int(position - store_.paragraphStart(p));
  if (!preedit_.isEmpty() && position == position_)
    offset += preeditCursor_;
  return l->lineForTextPosition(std::min<int>(offset, int(l->text().size())));
}

QRectF TReceiveMemo::caretRect(qint64 position) const {
  qint64 p = 0;
  const QTextLine line = lineOf(position, &p);
  int offset = int(position - store_.paragraphStart(p));
  if (!preedit_.isEmpty() && position == position_)
    offset += preeditCursor_;
  const qreal y = paragraphY(p) - topOffset() + line.y();
  return QRectF(line.cursorToX(offset), y, 1, line.height());
}

void TReceiveMemo::paintEvent(QPaintEvent *event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  const qint64 selStart = std::min(anchor_, position_), selEnd = std::max(anchor_, position_);
  const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
  QTextCharFormat selected;
  selected.setBackground(palette().brush(group, QPalette::Highlight));
  selected.setForeground(palette().brush(group, QPalette::HighlightedText));
  const bool caret = caretOn_ && hasFocus();
  painter.setPen(palette().text().color());
  qreal y = -topOffset();
  for (qint64 p = topParagraph_; p < store_.paragraphCount() && y <= viewport()->height(); ++p) {
    QTextLayout *l = paragraphLayout(p);
    const qreal h = paragraphHeight(p);
    if (y + h >= area.top() && y <= area.bottom()) {
      const qint64 start = store_.paragraphStart(p);
      // The selection takes in the break after a line, as an editor shows it.
      const bool breakAfter = p + 1 < store_.paragraphCount() && !store_.continues(p + 1);
      const qint64 end = start + store_.paragraphLength(p) + (breakAfter ? 1 : 0);
      QList<QTextLayout::FormatRange> ranges;
      if (selEnd > selStart && selStart < end && selEnd > start) {
        const qint64 from = std::max(selStart, start);
        ranges.append({int(from - start), int(std::min(selEnd, end) - from), selected});
      }
      l->draw(&painter, QPointF(0, y), ranges, area);
      if (caret && store_.paragraphAt(position_) == p)
        l->drawCursor(&painter, QPointF(0, y),
                      int(position_ - start) + (preedit_.isEmpty() ? 0 : preeditCursor_), 1);
    }
    y += h;
  }
  if (store_.rowCount() != rangeRows_)
    QMetaObject::invokeMethod(this, &TReceiveMemo::adjustScrollBar, Qt::QueuedConnection);
}
