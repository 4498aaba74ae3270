#include "YieldView.h"

#include "Charts.h"
#include "YieldText.h"

#include <QDateTimeEdit>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int kChartHeight = 240;

// A table of rich text, the first column left and the rest right.
QString Table(const QStringList &head, const QList<QStringList> &rows) {
  auto cells = [](const QStringList &row, const char *tag) {
    QString html = QStringLiteral("<tr>");
    for (qsizetype c = 0; c < row.size(); ++c)
      html +=
          QStringLiteral("<%1 align=\"%2\">%3</%1>")
              .arg(QLatin1String(tag), c == 0 ? QStringLiteral("left") : QStringLiteral("right"),
                   row[c].toHtmlEscaped());
    return html + QStringLiteral("</tr>");
  };
  QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">") + cells(head, "th");
  for (const QStringList &row : rows)
    html += cells(row, "td");
  return html + QStringLiteral("</table>");
}

QLabel *Text(const QString &html, QWidget *parent) {
  auto *label = new QLabel(html, parent);
  label->setTextFormat(Qt::RichText);
  // A table keeps its width; wrapping it would lay it out again for every height asked.
  label->setWordWrap(!html.startsWith(QLatin1String("<table")));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}
} // namespace

TChartView::TChartView(Draw draw, QWidget *parent) : QWidget(parent), draw_(std::move(draw)) {
  setMinimumHeight(kChartHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TChartView::sizeHint() const { return QSize(640, kChartHeight); }

void TChartView::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), Qt::white);
  PainterCanvas canvas(&painter);
  draw_(canvas, QSizeF(size()));
}

TYieldView::TYieldView(TResultsKeeper *keeper, QWidget *parent) : QWidget(parent), keeper_(keeper) {
  const QDateTime today(QDate::currentDate(), QTime(0, 0));
  since_ = new QDateTimeEdit(today, this);
  until_ = new QDateTimeEdit(today.addDays(1), this);
  for (QDateTimeEdit *edit : {since_, until_}) {
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
  }
  since_->setObjectName(QStringLiteral("since"));
  until_->setObjectName(QStringLiteral("until"));
  sequence_ = new QLineEdit(this);
  station_ = new QLineEdit(this);
  device_ = new QLineEdit(this);
  for (QLineEdit *edit : {sequence_, station_, device_})
    edit->setPlaceholderText(tr("any"));
  auto *showButton = new QPushButton(tr("Show"), this);
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  status_->hide();
  scroll_ = new QScrollArea(this);
  scroll_->setWidgetResizable(true);

  auto *span = new QHBoxLayout;
  span->addWidget(new QLabel(tr("From"), this));
  span->addWidget(since_);
  span->addWidget(new QLabel(tr("to"), this));
  span->addWidget(until_);
  span->addStretch(1);
  span->addWidget(showButton);
  auto *filters = new QHBoxLayout;
  for (const auto &[label, edit] :
       {std::pair{tr("Sequence"), sequence_}, std::pair{tr("Station"), station_},
        std::pair{tr("Device"), device_}}) {
    filters->addWidget(new QLabel(label, this));
    filters->addWidget(edit, 1);
  }
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(span);
  layout->addLayout(filters);
  layout->addWidget(status_);
  layout->addWidget(scroll_, 1);

  connect(showButton, &QPushButton::clicked, this, &TYieldView::showFigures);
  for (QLineEdit *edit : {sequence_, station_, device_})
    connect(edit, &QLineEdit::returnPressed, this, &TYieldView::showFigures);
  connect(keeper_, &TResultsKeeper::stored, this, &TYieldView::addRun);
}

void TYieldView::showFigures() {
  const QString sequence = sequence_->text().trimmed();
  const YieldFilter filter{since_->dateTime(), until_->dateTime(),
                           sequence.isEmpty() ? sequence : QFileInfo(sequence).fileName(),
                           station_->text().trimmed(), device_->text().trimmed()};
  tally_ = std::make_unique<YieldTally>(filter);
  if (filter.since >= filter.until) {
    status_->setText(tr("The span ends before it begins."));
    status_->show();
    present({});
    return;
  }
  QString problem;
  if (!keeper_->store() || !tally_->read(keeper_->store()->database(), false, &problem)) {
    status_->setText(keeper_->store() ? problem : keeper_->problem());
    status_->show();
    present({});
    return;
  }
  status_->clear();
  status_->hide();
  present(tally_->figures());
}

void TYieldView::addRun(const RunRecord &record) {
  if (tally_ && tally_->add(record))
    present(tally_->figures());
}

void TYieldView::present(YieldFigures figures) {
  // The charts share the figures: a month's values are not copied for each.
  figures_ = std::make_shared<const YieldFigures>(std::move(figures));
  const YieldFigures &y = *figures_;
  const std::shared_ptr<const YieldFigures> shared = figures_;
  auto *page = new QWidget;
  auto *layout = new QVBoxLayout(page);
  if (y.runs == 0) {
    layout->addWidget(Text(tr("No runs in this span."), page));
  } else {
    layout->addWidget(
        Text(QStringLiteral("<b>%1</b>")
                 .arg(tr("First-pass yield %1, final yield %2")
                          .arg(Percent(y.firstPassed, y.units), Percent(y.finalPassed, y.units))
                          .toHtmlEscaped()),
             page));
    QList<QStringList> attempts;
    for (const AttemptYield &a : y.attempts)
      attempts << QStringList{QString::number(a.attempt), QString::number(a.units),
                              QString::number(a.passed), Percent(a.passed, a.units)};
    layout->addWidget(
        Text(Table({tr("Units"), tr("Runs"), tr("Retests"), tr("Failed runs"),
                    tr("Without a serial number")},
                   {{QString::number(y.units), QString::number(y.runs), QString::number(y.retests),
                     QString::number(y.failedRuns), QString::number(y.runsWithoutSerial)}}) +
                 Table({tr("Attempt"), tr("Units"), tr("Passed"), tr("Yield")}, attempts),
             page));
    const QList<FailureRow> &failures = y.failures;
    layout->addWidget(new TChartView(
        [shared](ChartCanvas &c, QSizeF size) { DrawPareto(c, size, shared->failures); }, page));
    QList<QStringList> rows;
    for (int i = 0; i < failures.size(); ++i)
      rows << QStringList{QStringLiteral("#%1 %2").arg(i + 1).arg(failures[i].step),
                          QString::number(failures[i].runs), Figure(100 * failures[i].share) + " %",
                          Figure(100 * failures[i].cumulative) + " %"};
    if (!rows.isEmpty())
      layout->addWidget(
          Text(Table({tr("Step"), tr("Runs"), tr("Share"), tr("Total")}, rows), page));
    for (const QString &name : y.limitsChanged)
      layout->addWidget(Text(tr("The limits of %1 changed in this span: each pair is shown apart.")
                                 .arg(name)
                                 .toHtmlEscaped(),
                             page));
    for (qsizetype i = 0; i < y.values.size(); ++i) {
      const ValueFigures &v = y.values[i];
      QString notes = NoCpkText(v.noCpk);
      if (v.notNumbers > 0)
        notes += QLatin1Char(' ') + tr("%1 values are no number, counted apart.").arg(v.notNumbers);
      layout->addWidget(Text(
          Table({tr("Value"), tr("Limits"), QStringLiteral("n"), tr("Mean"), tr("SD"), tr("Min"),
                 tr("Max"), tr("Outside"), QStringLiteral("Cpk")},
                {{v.name, QStringLiteral("%1..%2").arg(Figure(v.low), Figure(v.high)),
                  QString::number(v.n), v.n ? Figure(v.mean) : "n/a", v.sd ? Figure(*v.sd) : "n/a",
                  v.n ? Figure(v.min) : "n/a", v.n ? Figure(v.max) : "n/a",
                  QString::number(v.outside), v.cpk ? Figure(*v.cpk) : "n/a"}}) +
              notes.trimmed().toHtmlEscaped(),
          page));
      layout->addWidget(new TChartView(
          [shared, i](ChartCanvas &c, QSizeF size) { DrawHistogram(c, size, shared->values[i]); },
          page));
      layout->addWidget(new TChartView(
          [shared, i](ChartCanvas &c, QSizeF size) { DrawRunChart(c, size, shared->values[i]); },
          page));
    }
    QList<QStringList> replies;
    for (const ReplyFigures &r : y.replies)
      replies << QStringList{r.step, QString::number(r.n), Figure(r.median) + " ms",
                             Figure(r.p90) + " ms", Figure(r.worst) + " ms"};
    if (!replies.isEmpty())
      layout->addWidget(Text(Table({tr("Expect"), QStringLiteral("n"), tr("Median"),
                                    QStringLiteral("p90"), tr("Worst")},
                                   replies),
                             page));
  }
  layout->addStretch(1);
  scroll_->setWidget(page);
}
