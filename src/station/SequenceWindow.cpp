#include "SequenceWindow.h"

#include "Colours.h"

#include "FromJournal.h"
#include "LineMonitor.h"
#include "Reports.h"
#include "RunText.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Column { LineColumn, StepColumn, StateColumn, ValueColumn, TimeColumn };
}

TSequenceWindow::TSequenceWindow(TSession *session, std::function<PortChoice()> choice,
                                 TLineMonitor *monitor, QWidget *parent)
    : QWidget(parent, Qt::Window), monitor_(monitor), runner_(session) {
  runner_.setChoice(std::move(choice));
  setWindowTitle(tr("Test sequences - GLOW_PANEL"));
  resize(640, 420);
  auto *open = new QPushButton(tr("Open…"), this);
  auto *recorded = new QPushButton(tr("From recording"), this);
  run_ = new QPushButton(tr("Run"), this);
  stop_ = new QPushButton(tr("Stop"), this);
  report_ = new QPushButton(tr("Save report…"), this);
  station_ = new QPushButton(tr("Station…"), this);
  auto *results = new QPushButton(tr("Results…"), this);
  station_->setObjectName(QStringLiteral("station"));
  repeat_ = new QSpinBox(this);
  repeat_->setRange(1, 100000);
  repeat_->setPrefix(tr("Repeat "));
  file_ = new QLabel(this);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("steps"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setHeaderLabels({tr("Line"), tr("Step"), tr("State"), tr("Value"), tr("Time")});
  list_->header()->setSectionResizeMode(StepColumn, QHeaderView::Stretch);
  list_->header()->setStretchLastSection(false);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto *buttons = new QHBoxLayout;
  for (QWidget *w : {static_cast<QWidget *>(open), static_cast<QWidget *>(recorded),
                     static_cast<QWidget *>(run_), static_cast<QWidget *>(stop_),
                     static_cast<QWidget *>(repeat_)})
    buttons->addWidget(w);
  buttons->addStretch(1);
  buttons->addWidget(results);
  buttons->addWidget(station_);
  buttons->addWidget(report_);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(file_);
  layout->addWidget(list_, 1);
  layout->addWidget(summary_);

  connect(open, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open sequence"), QString(),
                                                      tr("Sequences (*.seq);;All files (*)"));
    if (!path.isEmpty())
      load(path);
  });
  connect(recorded, &QPushButton::clicked, this, &TSequenceWindow::loadRecording);
  connect(run_, &QPushButton::clicked, this, &TSequenceWindow::run);
  connect(stop_, &QPushButton::clicked, &runner_,
          [this] { runner_.stop(tr("stopped by the operator")); });
  connect(report_, &QPushButton::clicked, this, &TSequenceWindow::saveReport);
  connect(station_, &QPushButton::clicked, this, [this] { emit stationRequested(steps_, name_); });
  connect(results, &QPushButton::clicked, this, &TSequenceWindow::resultsRequested);
  connect(&runner_, &SequenceRunner::passStarted, this, [this](int pass) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
      showResult(i, {});
    showSummary(tr("Pass %1 of %2 running").arg(pass).arg(repeat_->value()), false);
  });
  connect(&runner_, &SequenceRunner::stepStarted, this, [this](int index) {
    StepResult running;
    running.state = StepState::Running;
    showResult(index, running);
    list_->scrollToItem(list_->topLevelItem(index));
  });
  connect(&runner_, &SequenceRunner::stepFinished, this, &TSequenceWindow::showResult);
  connect(&runner_, &SequenceRunner::asking, this, &TSequenceWindow::ask);
  connect(&runner_, &SequenceRunner::finished, this, [this] {
    // Values are known now: their column takes what they need, up to a third of the list
    // (once per run, as measuring every row costs with long sequences).
    list_->resizeColumnToContents(ValueColumn);
    list_->setColumnWidth(ValueColumn,
                          qMin(list_->columnWidth(ValueColumn), list_->viewport()->width() / 3));
    // A failure stays in view above the count.
    const bool failed = runner_.failedSteps() > 0;
    const QString summary = Summary(runner_.record());
    // No run is a pass until it is stored.
    if (keeper_ && !keeper_->keepRun(runner_.record()))
      showSummary(tr("NOT STORED: %1").arg(keeper_->problem()) + QLatin1Char('\n') + summary,
                  true);
    else
      showSummary(failed ? failure_ + QLatin1Char('\n') + summary
                         : VerdictWord(runner_.record().verdict()) + QStringLiteral(": ") + summary,
                  failed);
    enableButtons();
  });
  enableButtons();
}

QString TSequenceWindow::summary() const { return summary_->text(); }

bool TSequenceWindow::load(const QString &path) {
  const ParsedSequence parsed = ReadSequenceFile(path);
  if (parsed.failed) {
    setSteps({}, path);
    showSummary(DescribeError(path, parsed.error), true);
    return false;
  }
  setSteps(parsed.steps, path);
  hash_ = parsed.hash;
  return true;
}

void TSequenceWindow::loadRecording() {
  const ParsedSequence parsed = ParseSequence(SequenceFromRows(monitor_->rows()).toUtf8());
  setSteps(parsed.steps, tr("recorded"));
  if (parsed.failed)
    showSummary(tr("Nothing recorded yet: open the port and press a button first."), true);
}

void TSequenceWindow::setSteps(const QList<SequenceStep> &steps, const QString &name) {
  steps_ = steps;
  hash_.clear();
  name_ = name;
  file_->setText(name);
  list_->clear();
  for (const SequenceStep &step : steps) {
    auto *item = new QTreeWidgetItem(list_);
    item->setText(LineColumn, QString::number(step.line));
    item->setText(StepColumn, step.source);
    item->setTextAlignment(LineColumn, Qt::AlignRight);
    item->setTextAlignment(TimeColumn, Qt::AlignRight);
  }
  for (int i = 0; i < steps.size(); ++i)
    showResult(i, {});
  list_->resizeColumnToContents(LineColumn);
  showSummary(tr("%n step(s)", nullptr, int(steps.size())), false);
  enableButtons();
}

void TSequenceWindow::run() {
  if (steps_.isEmpty() || runner_.running())
    return;
  failure_.clear();
  runner_.start(steps_, repeat_->value(), false, name_, hash_);
  enableButtons();
}

void TSequenceWindow::showResult(int index, const StepResult &result) {
  QTreeWidgetItem *item = list_->topLevelItem(index);
  if (!item)
    return;
  item->setText(StateColumn,
                QCoreApplication::translate("SequenceReport", TextOf(result.state).name));
  item->setText(ValueColumn, ValuesText(result));
  const bool done = result.state == StepState::Passed || result.state == StepState::Failed;
  item->setText(TimeColumn,
                done ? QStringLiteral("%1 s").arg(double(result.ms) / 1000, 0, 'f', 3) : QString());
  item->setToolTip(StepColumn, result.message);
  const bool failed = result.state == StepState::Failed;
  QFont font = list_->font();
  font.setBold(failed || result.state == StepState::Running);
  for (int c = 0; c <= TimeColumn; ++c) {
    item->setFont(c, font);
    item->setBackground(c, failed ? QBrush(kFailColor) : QBrush());
    item->setForeground(c, failed ? QBrush(Qt::white)
                           : result.state == StepState::Skipped
                               ? list_->palette().brush(QPalette::Disabled, QPalette::Text)
                               : QBrush());
  }
  if (failed) {
    failure_ = tr("FAILED at %1: %2").arg(StepName(steps_[index]), result.message);
    showSummary(failure_, true);
  }
}

void TSequenceWindow::showSummary(const QString &text, bool failed) {
  summary_->setText(text);
  QPalette p = palette();
  if (failed)
    p.setColor(QPalette::WindowText, kFailColor);
  summary_->setPalette(p);
  QFont font = summary_->font();
  font.setBold(failed);
  summary_->setFont(font);
}

void TSequenceWindow::ask(int index, const QString &variable, const QString &prompt) {
  // Not modal to the application: the port is read, and the run stopped, while it waits.
  auto *dialog = new QInputDialog(this);
  dialog->setObjectName(QStringLiteral("ask"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QStringLiteral("%1: %2").arg(StepName(steps_.value(index)), variable));
  dialog->setLabelText(prompt);
  connect(dialog, &QInputDialog::textValueSelected, &runner_,
          [this](const QString &value) { runner_.answer(value); });
  connect(dialog, &QDialog::rejected, &runner_, [this] { runner_.answer(std::nullopt); });
  // A stop, or anything else that ends the step, takes the question away.
  connect(&runner_, &SequenceRunner::stepFinished, dialog, [dialog, index](int finished) {
    if (finished == index)
      dialog->deleteLater();
  });
  dialog->open();
  // An empty answer is no answer: a scanner that sends only Enter has read nothing.
  if (auto *box = dialog->findChild<QDialogButtonBox *>()) {
    QPushButton *ok = box->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(dialog, &QInputDialog::textValueChanged, ok,
            [ok](const QString &text) { ok->setEnabled(!text.isEmpty()); });
  }
}

void TSequenceWindow::saveReport() {
  QStringList filters;
  for (const ReportKind &kind : kReportKinds)
    filters << QCoreApplication::translate("SequenceReport", kind.filter);
  QString filter;
  QString path = QFileDialog::getSaveFileName(this, tr("Save report"), QString(),
                                              filters.join(QStringLiteral(";;")), &filter);
  if (path.isEmpty())
    return;
  // Not every file dialog adds the suffix of the form chosen.
  if (!FormOf(path))
    path += QLatin1Char('.') +
            QLatin1String(kReportKinds[qMax<qsizetype>(0, filters.indexOf(filter))].suffix);
  QString error;
  if (!WriteReport(path, runner_.record(), &error))
    showSummary(error, true);
}

void TSequenceWindow::enableButtons() {
  const bool running = runner_.running();
  run_->setEnabled(!running && !steps_.isEmpty());
  station_->setEnabled(!steps_.isEmpty());
  stop_->setEnabled(running);
  repeat_->setEnabled(!running);
  report_->setEnabled(!running && !runner_.passes().isEmpty());
}
