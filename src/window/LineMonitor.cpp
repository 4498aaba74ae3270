#include "LineMonitor.h"

#include "LineRecorder.h"
#include "Recording.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

TLineMonitor::TLineMonitor(QWidget *parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(tr("Line monitor - GLOW_PANEL"));
  resize(720, 480);
  view_ = new QPlainTextEdit(this);
  view_->setObjectName(QStringLiteral("rows"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setMaximumBlockCount(kKeptLines);
  view_->document()->setUndoRedoEnabled(false);
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

QString TLineMonitor::text() const { return textOf(rows_.begin(), rows_.end()); }

QString TLineMonitor::textOf(Rows::const_iterator from, Rows::const_iterator to) {
  QStringList texts;
  for (auto row = from; row != to; ++row)
    texts << row->text();
  return texts.join(QLatin1Char('\n'));
}

void TLineMonitor::showEvent(QShowEvent *event) {
  if (!inView_) {
    view_->setPlainText(text());
    view_->moveCursor(QTextCursor::End);
    inView_ = true;
    unshown_ = 0;
  }
  showPending();
  QWidget::showEvent(event);
}

void TLineMonitor::hideEvent(QHideEvent *event) {
  // Closed by the operator: the rows' text goes until it is shown again. A window that is
  // only minimised keeps it, with the operator's selection.
  if (!event->spontaneous()) {
    view_->clear();
    inView_ = false;
  }
  QWidget::hideEvent(event);
}

void TLineMonitor::showPending() {
  if (!inView_ || unshown_ == 0)
    return;
  const auto from = rows_.end() - qMin<qsizetype>(std::exchange(unshown_, 0), rows_.size());
  view_->appendPlainText(textOf(from, rows_.end()));
}

void TLineMonitor::addRow(const LineRow &row) {
  rows_.push_back(row);
  lines_ += row.lineCount();
  if (inView_) {
    ++unshown_;
    if (!pendingTimer_.isActive())
      pendingTimer_.start();
  }
  const qint64 before = droppedRows_;
  while (lines_ > kKeptLines && rows_.size() > 1) {
    lines_ -= rows_.front().lineCount();
    rows_.pop_front();
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
