#include "RunRecord.h"

#include "ByteRows.h"
#include "SequenceReport.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSysInfo>

namespace {
QJsonObject Values(const QHash<QString, QString> &values) {
  QJsonObject object;
  for (auto it = values.cbegin(); it != values.cend(); ++it)
    object.insert(it.key(), it.value());
  return object;
}

QJsonObject StepRecord(const SequenceStep &step, const SequenceRunner::Result &result) {
  QJsonObject record{{"line", step.line},
                     {"step", step.source},
                     {"verdict", QString::fromLatin1(TextOf(result.state).word).trimmed()},
                     {"start_ms", result.startMs},
                     {"ms", result.ms}};
  if (!step.file.isEmpty())
    record.insert("file", step.file);
  if (result.replyMs >= 0)
    record.insert("reply_ms", result.replyMs);
  if (!result.message.isEmpty())
    record.insert("message", result.message);
  if (!result.values.isEmpty()) {
    QJsonObject values;
    for (auto it = result.values.cbegin(); it != result.values.cend(); ++it)
      values.insert(it.key(), it.value());
    record.insert("values", values);
  }
  if (step.kind == SequenceStep::Check) {
    record.insert("variable", step.variable);
    if (step.test == SequenceStep::Between) {
      record.insert("low", step.low);
      record.insert("high", step.high);
    } else {
      record.insert(step.test == SequenceStep::Is ? "expected" : "pattern", step.text);
    }
  }
  // What arrived, as the line monitor shows it: hex lines and their reading in turn.
  if (result.state == SequenceRunner::State::Failed && !result.arrived.isEmpty())
    record.insert("arrived", QJsonArray::fromStringList(ByteRows().lines(result.arrived)));
  return record;
}

QJsonObject Header(const RunHeader &header, const SequenceRunner &runner) {
  QJsonObject record = RecordHead(header.sequence);
  record.insert("started", header.started.toString(Qt::ISODateWithMs));
  record.insert("passes_run", runner.passCount());
  return record;
}
} // namespace

QJsonObject RecordHead(const QString &sequence) {
  return {{"tool", "glow-panel"},
          {"version", QStringLiteral(GLOW_PANEL_VERSION)},
          {"host", QSysInfo::machineHostName()},
          {"sequence", QFileInfo(sequence).fileName()}};
}

bool AppendRecordLine(const QString &path, const QJsonObject &record, QString *error) {
  QFile file(path);
  const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
  // One write a line, so that a reader never sees half of one, and the devices of a rack
  // appending to one file never mix theirs.
  if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered) &&
      file.write(line) == line.size() && file.flush())
    return true;
  *error = QStringLiteral("%1: %2").arg(path, file.errorString());
  return false;
}

QJsonObject PassRecord(const RunHeader &header, const SequenceRunner &runner, int index) {
  const SequenceRunner::Pass &pass = runner.passes()[index];
  QJsonArray steps;
  bool failed = false;
  for (int i = 0; i < pass.results.size(); ++i) {
    steps.append(StepRecord(runner.steps()[i], pass.results[i]));
    failed = failed || pass.results[i].state == SequenceRunner::State::Failed;
  }
  QJsonObject record = Header(header, runner);
  record.insert("pass", runner.passCount() - int(runner.passes().size()) + index + 1);
  record.insert("device", pass.device);
  record.insert("settings", pass.settings);
  record.insert("pass_started", pass.started.toString(Qt::ISODateWithMs));
  record.insert("ms", pass.ms);
  record.insert("verdict", failed ? "FAIL" : "PASS");
  record.insert("variables", Values(pass.variables));
  record.insert("steps", steps);
  return record;
}

bool WriteRunRecord(const QString &path, const RunHeader &header, const SequenceRunner &runner,
                    QString *error) {
  *error = ReportProblem(path);
  if (!error->isEmpty())
    return false;
  QJsonObject record = Header(header, runner);
  QJsonArray passes;
  for (int i = 0; i < runner.passes().size(); ++i) {
    QJsonObject pass = PassRecord(header, runner, i);
    for (const char *key : {"tool", "version", "host", "sequence", "started", "passes_run"})
      pass.remove(QLatin1String(key));
    passes.append(pass);
  }
  const SequenceRunner::Pass *last = runner.passes().isEmpty() ? nullptr : &runner.passes().last();
  record.insert("ended", QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
  record.insert("device", last ? last->device : QString());
  record.insert("settings", last ? last->settings : QString());
  record.insert("variables", last ? Values(last->variables) : QJsonObject());
  record.insert("verdict", runner.failedSteps() > 0 ? "FAIL" : "PASS");
  record.insert("summary", QJsonObject{{"passed", runner.passedSteps()},
                                       {"failed", runner.failedSteps()},
                                       {"failed_passes", runner.failedPasses()}});
  record.insert("passes", passes);
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) &&
      file.write(QJsonDocument(record).toJson(QJsonDocument::Indented)) >= 0 && file.commit())
    return true;
  *error = QStringLiteral("%1: %2").arg(path, file.errorString());
  return false;
}

bool AppendPassRecord(const QString &path, const RunHeader &header, const SequenceRunner &runner,
                      QString *error) {
  *error = ReportProblem(path);
  if (!error->isEmpty() || runner.passes().isEmpty())
    return error->isEmpty();
  return AppendRecordLine(path, PassRecord(header, runner, int(runner.passes().size()) - 1), error);
}

bool WriteReport(const QString &path, const RunHeader &header, const SequenceRunner &runner,
                 QString *error) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("json"))
    return WriteRunRecord(path, header, runner, error);
  if (suffix != QLatin1String("jsonl"))
    return WriteJUnit(path, header.sequence, runner, error);
  *error = ReportProblem(path);
  QFile file(path);
  if (!error->isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Append)) {
    if (error->isEmpty())
      *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
  }
  for (int i = 0; i < runner.passes().size(); ++i)
    file.write(QJsonDocument(PassRecord(header, runner, i)).toJson(QJsonDocument::Compact) + '\n');
  if (file.flush())
    return true;
  *error = QStringLiteral("%1: %2").arg(path, file.errorString());
  return false;
}
