#include "JUnitReport.h"

#include "RunText.h"
#include "Tool.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QXmlStreamWriter>

namespace {
QString Seconds(qint64 ms) { return QString::number(double(ms) / 1000, 'f', 3); }

class Writer {
public:
  explicit Writer(QIODevice *file) : xml_(file) {
    xml_.setAutoFormatting(true);
    xml_.writeStartDocument();
    xml_.writeStartElement(QStringLiteral("testsuites"));
  }
  void run(const QString &head, const RunRecord &record);
  bool end() {
    xml_.writeEndElement();
    xml_.writeEndDocument();
    return !xml_.hasError();
  }

private:
  void properties(const QList<std::pair<QString, QString>> &values);
  void pass(const QString &suite, const RunRecord &record, const PassRecord &pass);
  void step(const QString &suite, const QString &name, const SequenceStep &step,
            const StepResult &result);
  void endedBetweenPasses(const QString &suite, const RunRecord &record);

  QXmlStreamWriter xml_;
};

void Writer::properties(const QList<std::pair<QString, QString>> &values) {
  xml_.writeStartElement(QStringLiteral("properties"));
  for (const auto &[key, value] : values) {
    xml_.writeEmptyElement(QStringLiteral("property"));
    xml_.writeAttribute(QStringLiteral("name"), key);
    xml_.writeAttribute(QStringLiteral("value"), Printable(value));
  }
  xml_.writeEndElement();
}

void Writer::run(const QString &head, const RunRecord &record) {
  const QString prefix = head.isEmpty() ? QString() : head + QStringLiteral(": ");
  const QString name = prefix + QFileInfo(record.sequence).fileName();
  bool told = false;
  for (const PassRecord &p : record.passes) {
    // Each pass is a suite of its own, and its cases carry the pass in their class, so that
    // a CI server that keys by name keeps every pass.
    pass(QStringLiteral("%1 pass %2").arg(name, QString::number(p.number)), record, p);
    told = told || p.verdict() == record.verdict();
  }
  const Verdict verdict = record.verdict();
  if ((verdict == Verdict::Stopped || verdict == Verdict::Lost) && !told)
    endedBetweenPasses(name, record);
}

void Writer::pass(const QString &suite, const RunRecord &record, const PassRecord &pass) {
  int failures = 0, errors = 0, skipped = 0;
  for (const StepResult &r : pass.results) {
    failures += r.failedUnit();
    errors += r.state == StepState::Failed && !r.failedUnit();
    skipped += r.state == StepState::Skipped || r.state == StepState::Waiting;
  }
  xml_.writeStartElement(QStringLiteral("testsuite"));
  xml_.writeAttribute(QStringLiteral("name"), suite);
  xml_.writeAttribute(QStringLiteral("tests"), QString::number(pass.results.size()));
  xml_.writeAttribute(QStringLiteral("failures"), QString::number(failures));
  xml_.writeAttribute(QStringLiteral("errors"), QString::number(errors));
  xml_.writeAttribute(QStringLiteral("skipped"), QString::number(skipped));
  xml_.writeAttribute(QStringLiteral("time"), Seconds(pass.ms));
  xml_.writeAttribute(
      QStringLiteral("timestamp"),
      pass.started.toOffsetFromUtc(pass.started.offsetFromUtc()).toString(Qt::ISODate));
  xml_.writeAttribute(QStringLiteral("hostname"), HostName());
  properties({{QStringLiteral("device"), pass.device},
              {QStringLiteral("settings"), pass.settings},
              {QStringLiteral("tool"), QStringLiteral("%1 %2").arg(kToolName, kToolVersion)},
              {QStringLiteral("host"), HostName()}});
  // A file included twice repeats its steps: the second time round a name says so.
  QHash<QString, int> seen;
  for (int i = 0; i < pass.results.size(); ++i) {
    const SequenceStep &s = record.steps[i];
    QString name = QStringLiteral("%1: %2").arg(StepName(s), Printable(s.source));
    if (const int times = ++seen[name]; times > 1)
      name += QStringLiteral(" (%1)").arg(times);
    step(suite, name, s, pass.results[i]);
  }
  xml_.writeEndElement();
}

void Writer::step(const QString &suite, const QString &name, const SequenceStep &step,
                  const StepResult &r) {
  xml_.writeStartElement(QStringLiteral("testcase"));
  xml_.writeAttribute(QStringLiteral("classname"), suite);
  xml_.writeAttribute(QStringLiteral("name"), name);
  xml_.writeAttribute(QStringLiteral("time"), Seconds(r.ms));
  // An expect's reply time; a check's value and its limits.
  QList<std::pair<QString, QString>> values;
  if (r.replyMs >= 0)
    values.append({QStringLiteral("reply_ms"), QString::number(r.replyMs)});
  for (auto it = r.values.cbegin(); it != r.values.cend(); ++it)
    values.append({it.key(), it.value()});
  if (step.kind == SequenceStep::Check && step.test == SequenceStep::Between)
    values << std::pair{QStringLiteral("low"), NumberText(step.low)}
           << std::pair{QStringLiteral("high"), NumberText(step.high)};
  else if (step.kind == SequenceStep::Check)
    values.append(
        {step.test == SequenceStep::Is ? QStringLiteral("expected") : QStringLiteral("pattern"),
         step.text});
  if (!values.isEmpty())
    properties(values);
  const QString message = Printable(r.message);
  if (r.state == StepState::Failed) {
    xml_.writeStartElement(r.failedUnit() ? QStringLiteral("failure") : QStringLiteral("error"));
    xml_.writeAttribute(QStringLiteral("message"), message.section(QLatin1Char('\n'), 0, 0));
    xml_.writeCharacters(message);
    xml_.writeEndElement();
  } else if (r.state != StepState::Passed) {
    xml_.writeEmptyElement(QStringLiteral("skipped"));
    if (!message.isEmpty())
      xml_.writeAttribute(QStringLiteral("message"), message);
  }
  xml_.writeEndElement();
}

void Writer::endedBetweenPasses(const QString &suite, const RunRecord &record) {
  xml_.writeStartElement(QStringLiteral("testsuite"));
  xml_.writeAttribute(QStringLiteral("name"), suite);
  xml_.writeAttribute(QStringLiteral("tests"), QStringLiteral("1"));
  xml_.writeAttribute(QStringLiteral("failures"), QStringLiteral("0"));
  xml_.writeAttribute(QStringLiteral("errors"), QStringLiteral("1"));
  xml_.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
  properties({{QStringLiteral("passes_asked"), QString::number(record.passesAsked)},
              {QStringLiteral("passes_run"), QString::number(record.passesRun)}});
  xml_.writeStartElement(QStringLiteral("testcase"));
  xml_.writeAttribute(QStringLiteral("classname"), suite);
  xml_.writeAttribute(QStringLiteral("name"), QStringLiteral("the run"));
  xml_.writeEmptyElement(QStringLiteral("error"));
  xml_.writeAttribute(QStringLiteral("message"), Printable(record.reason));
  xml_.writeEndElement();
  xml_.writeEndElement();
}
} // namespace

bool WriteJUnit(const QString &path, const QList<std::pair<QString, RunRecord>> &runs,
                QString *error) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    Writer writer(&file);
    for (const auto &[head, record] : runs)
      writer.run(head, record);
    if (writer.end() && file.commit())
      return true;
  }
  *error = QStringLiteral("%1: %2").arg(path, file.errorString());
  return false;
}
