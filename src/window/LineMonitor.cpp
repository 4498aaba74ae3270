#include "LineMonitor.h"

#include "LineRecorder.h"
#include "Recording.h"

#include <QAbstractListModel>
#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

// The monitor's rows as a list of lines. Only the lines the view asks for are made into
// text, a row at a time, and the last few rows made are kept for the next paint.
class TMonitorLines : public QAbstractListModel {
public:
  explicit TMonitorLines(TLineMonitor *monitor) : QAbstractListModel(monitor), monitor_(monitor) {}

  int rowCount(const QModelIndex &parent) const override {
    return parent.isValid() ? 0 : int(count_);
  }
  QVariant data(const QModelIndex &index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid())
      return {};
    return lineText(first_ + index.row());
  }

  // Brings the list up to the monitor: the lines dropped at the top out, new ones in.
  void catchUp() {
    const qint64 kept =
        monitor_->rowStart_.empty() ? monitor_->endLine_ : monitor_->rowStart_.front();
    const qint64 gone = qMin(kept - first_, count_);
    if (gone > 0) {
      beginRemoveRows({}, 0, int(gone - 1));
      first_ += gone;
      count_ -= gone;
      endRemoveRows();
    }
    if (count_ == 0)
      first_ = kept;
    const qint64 end = monitor_->endLine_;
    if (end > first_ + count_) {
      beginInsertRows({}, int(count_), int(end - first_ - 1));
      count_ = end - first_;
      endInsertRows();
    }
  }
  void clear() {
    beginResetModel();
    first_ += count_;
    count_ = 0;
    cache_.clear();
    endResetModel();
  }
  QString lineText(qint64 line) const {
    const std::deque<qint64> &starts = monitor_->rowStart_;
    if (starts.empty() || line < starts.front() || line >= monitor_->endLine_)
      return {};
    const auto at = std::upper_bound(starts.begin(), starts.end(), line) - 1;
    const qint64 start = *at;
    for (const auto &[cachedStart, lines] : cache_)
      if (cachedStart == start)
        return lines.value(int(line - start));
    constexpr size_t kCachedRows = 64;
    if (cache_.size() >= kCachedRows)
      cache_.pop_front();
    cache_.emplace_back(
        start, monitor_->rows_[size_t(at - starts.begin())].text().split(QLatin1Char('\n')));
    return cache_.back().second.value(int(line - start));
  }

private:
  const TLineMonitor *monitor_;
  // The lines listed: their count, and the first one's number.
  qint64 first_ = 0;
  qint64 count_ = 0;
  mutable std::deque<std::pair<qint64, QStringList>> cache_;
};

TLineMonitor::TLineMonitor(QWidget *parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(tr("Line monitor - GLOW_PANEL"));
  resize(720, 480);
  lines_ = new TMonitorLines(this);
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("rows"));
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setModel(lines_);
  // A table of one column whose lines are all alike high: the view lays out nothing per
  // line, however many there are (a list view places every item on each change).
  const QFontMetrics metrics(view_->font());
  view_->horizontalHeader()->hide();
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setDefaultSectionSize(metrics.height());
  view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->horizontalHeader()->setDefaultSectionSize(metrics.horizontalAdvance(QLatin1Char('0')) *
                                                   100);
  view_->setShowGrid(false);
  view_->setWordWrap(false);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto *copy = new QAction(tr("Copy"), view_);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  auto *selectAll = new QAction(tr("Select All"), view_);
  selectAll->setShortcut(QKeySequence::SelectAll);
  selectAll->setShortcutContext(Qt::WidgetShortcut);
  view_->addActions({copy, selectAll});
  view_->setContextMenuPolicy(Qt::ActionsContextMenu);
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("state"));
  auto *save = new QPushButton(tr("Save As…"), this);
  auto *saveSequence = new QPushButton(tr("Save as sequence…"), this);
  record_ = new QPushButton(this);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(state_, 1);
  buttons->addWidget(save);
  buttons->addWidget(saveSequence);
  buttons->addWidget(record_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  layout->addLayout(buttons);

  pendingTimer_.setSingleShot(true);
  pendingTimer_.setInterval(kViewUpdate);
  connect(&pendingTimer_, &QTimer::timeout, this, &TLineMonitor::showPending);
  connect(copy, &QAction::triggered, this, &TLineMonitor::copySelection);
  connect(selectAll, &QAction::triggered, view_, &QTableView::selectAll);
  connect(save, &QPushButton::clicked, this, &TLineMonitor::saveAs);
  connect(saveSequence, &QPushButton::clicked, this, &TLineMonitor::saveAsSequence);
  connect(record_, &QPushButton::clicked, this, &TLineMonitor::toggleRecording);
  connect(&TLineRecorder::instance(), &TLineRecorder::row, this, &TLineMonitor::addRow);
  connect(&TLineRecorder::instance(), &TLineRecorder::logFailed, this, [this] {
    showState();
    show();
    raise();
  });
  showState();
}

QString TLineMonitor::text() const {
  QStringList texts;
  for (const LineRow &row : rows_)
    texts << row.text();
  return texts.join(QLatin1Char('\n'));
}

QString TLineMonitor::shownText() const {
  QStringList lines;
  for (int i = 0; i < lines_->rowCount({}); ++i)
    lines << lines_->data(lines_->index(i), Qt::DisplayRole).toString();
  return lines.join(QLatin1Char('\n'));
}

void TLineMonitor::copySelection() {
  QModelIndexList selected = view_->selectionModel()->selectedIndexes();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
  QStringList lines;
  for (const QModelIndex &index : selected)
    lines << index.data().toString();
  QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void TLineMonitor::showEvent(QShowEvent *event) {
  if (!inView_) {
    inView_ = true;
    lines_->catchUp();
    view_->scrollToBottom();
  }
  QWidget::showEvent(event);
}

void TLineMonitor::hideEvent(QHideEvent *event) {
  // Closed by the operator: the list goes until it is shown again. A window that is only
  // minimised keeps it, with the operator's selection.
  if (!event->spontaneous()) {
    lines_->clear();
    inView_ = false;
  }
  QWidget::hideEvent(event);
}

void TLineMonitor::showPending() {
  if (!inView_)
    return;
  const QScrollBar *bar = view_->verticalScrollBar();
  const bool following = bar->value() == bar->maximum();
  lines_->catchUp();
  if (following)
    view_->scrollToBottom();
}

void TLineMonitor::addRow(const LineRow &row) {
  rows_.push_back(row);
  rowStart_.push_back(endLine_);
  endLine_ += row.lineCount();
  if (inView_ && !pendingTimer_.isActive())
    pendingTimer_.start();
  const qint64 before = droppedRows_;
  while (endLine_ - rowStart_.front() > kKeptLines && rows_.size() > 1) {
    rows_.pop_front();
    rowStart_.pop_front();
    ++droppedRows_;
  }
  if (droppedRows_ != before)
    showState();
}

bool TLineMonitor::recordTo(const QString &path) {
  const bool ok = TLineRecorder::instance().recordTo(path);
  showState();
  if (!ok)
    show();
  return ok;
}

void TLineMonitor::saveAs() {
  const QString path = QFileDialog::getSaveFileName(this, tr("Save the line monitor"));
  if (!path.isEmpty())
    save(path, text() + QLatin1Char('\n'));
}

void TLineMonitor::saveAsSequence() {
  const QString path = QFileDialog::getSaveFileName(this, tr("Save as sequence"), QString(),
                                                    tr("Sequences (*.seq)"));
  if (!path.isEmpty())
    save(path, SequenceFromRows(rows_));
}

void TLineMonitor::save(const QString &path, const QString &text) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    file.write(text.toUtf8());
    if (file.commit())
      return;
  }
  state_->setText(tr("Not saved: %1").arg(file.errorString()));
}

void TLineMonitor::toggleRecording() {
  if (TLineRecorder::instance().recording()) {
    TLineRecorder::instance().stopRecording();
    showState();
    return;
  }
  const QString path = QFileDialog::getSaveFileName(
      this, tr("Record to file"), QString(), QString(), nullptr, QFileDialog::DontConfirmOverwrite);
  if (!path.isEmpty())
    recordTo(path);
}

void TLineMonitor::showState() {
  const TLineRecorder &recorder = TLineRecorder::instance();
  QStringList parts;
  if (recorder.recording())
    parts << tr("Recording to %1").arg(recorder.logPath());
  else if (!recorder.logError().isEmpty())
    parts << tr("NOT RECORDING, the file cannot be written: %1").arg(recorder.logError());
  if (droppedRows_ > 0)
    parts << tr("%n older row(s) no longer shown", nullptr,
                int(qMin<qint64>(droppedRows_, INT_MAX)));
  state_->setText(parts.join(QStringLiteral("; ")));
  record_->setText(recorder.recording() ? tr("Stop recording") : tr("Record to file…"));
  const bool failed = !recorder.recording() && !recorder.logError().isEmpty();
  setWindowTitle(failed ? tr("Line monitor - NOT RECORDING - GLOW_PANEL")
                        : tr("Line monitor - GLOW_PANEL"));
}
