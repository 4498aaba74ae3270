#include "LineMonitor.h"

#include "FromJournal.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
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

TLineMonitor::TLineMonitor(TLineJournal *journal, QWidget *parent)
    : QWidget(parent, Qt::Window), journal_(journal) {
  setWindowTitle(tr("Line monitor - GLOW_PANEL"));
  resize(720, 480);
  lines_ = new TLineRows(this);
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
  saveSequence->setObjectName(QStringLiteral("saveSequence"));
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
  connect(journal_, &TLineJournal::row, this, &TLineMonitor::addRow);
  connect(journal_, &TLineJournal::logFailed, this, [this] {
    showState();
    show();
    raise();
  });
  showState();
}

QString TLineMonitor::text() const { return lines_->text(); }

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
    lines_->unlist();
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
  const qint64 before = lines_->droppedRows();
  lines_->add(row);
  if (inView_ && !pendingTimer_.isActive())
    pendingTimer_.start();
  if (lines_->droppedRows() != before)
    showState();
}

bool TLineMonitor::recordTo(const QString &path) {
  const bool ok = journal_->recordTo(path);
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
  QString path = QFileDialog::getSaveFileName(this, tr("Save as sequence"), QString(),
                                              tr("Sequences (*.seq)"));
  if (path.isEmpty())
    return;
  // Not every file dialog adds the filter's suffix.
  if (QFileInfo(path).suffix().isEmpty())
    path += QStringLiteral(".seq");
  save(path, SequenceFromRows(lines_->rows()));
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
  if (journal_->recording()) {
    journal_->stopRecording();
    showState();
    return;
  }
  const QString path = QFileDialog::getSaveFileName(
      this, tr("Record to file"), QString(), QString(), nullptr, QFileDialog::DontConfirmOverwrite);
  if (!path.isEmpty())
    recordTo(path);
}

void TLineMonitor::showState() {
  const TLineJournal &journal = *journal_;
  QStringList parts;
  if (journal.recording())
    parts << tr("Recording to %1").arg(journal.logPath());
  else if (!journal.logError().isEmpty())
    parts << tr("NOT RECORDING, the file cannot be written: %1").arg(journal.logError());
  if (lines_->droppedRows() > 0)
    parts << tr("%n older row(s) no longer shown", nullptr,
                int(qMin<qint64>(lines_->droppedRows(), INT_MAX)));
  state_->setText(parts.join(QStringLiteral("; ")));
  record_->setText(journal.recording() ? tr("Stop recording") : tr("Record to file…"));
  const bool failed = !journal.recording() && !journal.logError().isEmpty();
  setWindowTitle(failed ? tr("Line monitor - NOT RECORDING - GLOW_PANEL")
                        : tr("Line monitor - GLOW_PANEL"));
}
