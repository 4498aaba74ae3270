#include "JsonReport.h"

#include "ByteRows.h"
#include "Tool.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace {
QJsonObject Values(const QHash<QString, QString> &values) {
  QJsonObject object;
  for (auto it = values.cbegin(); it != values.cend(); ++it)
    object.insert(it.key(), it.value());
  return object;
}

QString StepWord(const StepResult &result) {
  if (result.state == StepState::Failed && result.cause != Verdict::Fail)
    return VerdictWord(result.cause);
  return QString::fromLatin1(TextOf(result.state).word).trimmed();
}

// A check's text as written, its variables as ${name}.
QString WrittenText(const SequenceStep &step) {
  if (step.pieces.isEmpty())
    return step.text;
  QString text;
  for (qsizetype i = 0; i < step.pieces.size(); ++i)
    text += i % 2 ? QStringLiteral("${%1}").arg(step.pieces[i]) : step.pieces[i];
  return text;
}

QJsonObject StepJson(const SequenceStep &step, const StepResult &result) {
  QJsonObject json{{"line", step.line},
                   {"step", step.source},
                   {"verdict", StepWord(result)},
                   {"start_ms", result.startMs},
                   {"ms", result.ms}};
  if (!step.file.isEmpty())
    json.insert("file", step.file);
  if (result.replyMs >= 0)
    json.insert("reply_ms", result.replyMs);
  if (!result.message.isEmpty())
    json.insert("message", result.message);
  if (!result.values.isEmpty()) {
    QJsonObject values;
    for (auto it = result.values.cbegin(); it != result.values.cend(); ++it)
      values.insert(it.key(), it.value());
    json.insert("values", values);
  }
  if (step.kind == SequenceStep::Check) {
    json.insert("variable", step.variable);
    if (step.test == SequenceStep::Between) {
      json.insert("low", step.low);
      json.insert("high", step.high);
    } else {
      json.insert(step.test == SequenceStep::Is ? "expected" : "pattern", WrittenText(step));
    }
  }
  // What arrived, as the line monitor shows it: hex lines and their reading in turn.
  if (result.state == StepState::Failed && !result.arrived.isEmpty())
    json.insert("arrived", QJsonArray::fromStringList(ByteRows().lines(result.arrived)));
  return json;
}

QJsonObject PassJson(const RunRecord &record, const PassRecord &pass) {
  QJsonArray steps;
  for (int i = 0; i < pass.results.size(); ++i)
    steps.append(StepJson(record.steps[i], pass.results[i]));
  return {{"pass", pass.number},
          {"device", pass.device},
          {"settings", pass.settings},
          {"pass_started", TimeText(pass.started)},
          {"ms", pass.ms},
          {"verdict", VerdictWord(pass.verdict())},
          {"variables", Values(pass.variables)},
          {"steps", steps}};
}

// The header every line repeats: which run, begun when, how far it is.
QJsonObject LineHead(const RunRecord &record, int passesRun) {
  QJsonObject json = RecordHead(record.sequence);
  json.insert("id", record.id.toString(QUuid::WithoutBraces));
  if (!record.sequenceHash.isEmpty())
    json.insert("sequence_hash", QString::fromLatin1(record.sequenceHash));
  json.insert("started", TimeText(record.started));
  json.insert("passes_run", passesRun);
  json.insert("passes_asked", record.passesAsked);
  return json;
}

QDateTime TimeOf(const QJsonValue &value) {
  return QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

// A step as written and its result, back from a step's JSON.
std::pair<SequenceStep, StepResult> StepOf(const QJsonObject &json) {
  SequenceStep step;
  step.line = json["line"].toInt();
  step.file = json["file"].toString();
  step.source = json["step"].toString();
  if (json.contains("variable")) {
    step.kind = SequenceStep::Check;
    step.variable = json["variable"].toString();
    step.test = json.contains("low")        ? SequenceStep::Between
                : json.contains("expected") ? SequenceStep::Is
                                            : SequenceStep::Matches;
    step.low = json["low"].toDouble();
    step.high = json["high"].toDouble();
    step.text = json[step.test == SequenceStep::Is ? "expected" : "pattern"].toString();
  }
  StepResult result;
  const QString word = json["verdict"].toString();
  for (const StepState state : {StepState::Waiting, StepState::Running, StepState::Passed,
                                StepState::Failed, StepState::Skipped})
    if (word == QString::fromLatin1(TextOf(state).word).trimmed())
      result.state = state;
  if (const std::optional<Verdict> cause = VerdictOfWord(word); cause && *cause != Verdict::Pass) {
    result.state = StepState::Failed;
    result.cause = *cause;
  }
  result.ms = json["ms"].toInteger();
  result.startMs = json["start_ms"].toInteger();
  result.replyMs = json["reply_ms"].toInteger(-1);
  result.message = json["message"].toString();
  const QJsonObject values = json["values"].toObject();
  for (auto it = values.begin(); it != values.end(); ++it)
    result.values.insert(it.key(), it.value().toString());
  return {step, result};
}

// Adds a pass, and the steps as written if the record has none yet.
void AddPass(RunRecord *record, const QJsonObject &json) {
  PassRecord pass;
  pass.number = json["pass"].toInt();
  pass.started = TimeOf(json["pass_started"]);
  pass.ms = json["ms"].toInteger();
  pass.device = json["device"].toString();
  pass.settings = json["settings"].toString();
  const QJsonObject variables = json["variables"].toObject();
  for (auto it = variables.begin(); it != variables.end(); ++it)
    pass.variables.insert(it.key(), it.value().toString());
  const QJsonArray steps = json["steps"].toArray();
  const bool written = !record->steps.isEmpty();
  for (const QJsonValue value : steps) {
    const auto [step, result] = StepOf(value.toObject());
    if (!written)
      record->steps << step;
    pass.results << result;
    record->passedSteps += result.state == StepState::Passed;
    record->failedSteps += result.state == StepState::Failed;
  }
  pass.results.resize(record->steps.size());
  const Verdict verdict = pass.verdict();
  record->failedPasses += verdict != Verdict::Pass;
  record->unitFailed = record->unitFailed || verdict == Verdict::Fail;
  record->passesRun = qMax(record->passesRun, pass.number);
  record->passes << pass;
}

// How the run ended, from a record's or an end line's verdict and reason.
void TakeEnd(RunRecord *record, const QJsonObject &json) {
  const std::optional<Verdict> verdict = VerdictOfWord(json["verdict"].toString());
  record->unitFailed = record->unitFailed || verdict == Verdict::Fail;
  record->lost = record->lost || verdict == Verdict::Lost;
  record->stopped = record->stopped || verdict == Verdict::Stopped;
  if (json.contains("reason"))
    record->reason = json["reason"].toString();
}
} // namespace

QJsonObject RecordHead(const QString &sequence) {
  return {{"tool", QLatin1String(kToolName)},
          {"version", QLatin1String(kToolVersion)},
          {"host", HostName()},
          {"sequence", QFileInfo(sequence).fileName()}};
}

QJsonObject RunJson(const RunRecord &record) {
  QJsonObject json = LineHead(record, record.passesRun);
  QJsonArray passes;
  for (const PassRecord &pass : record.passes)
    passes.append(PassJson(record, pass));
  const PassRecord *last = record.passes.isEmpty() ? nullptr : &record.passes.last();
  json.insert("ended", TimeText(record.ended.isNull() ? LocalNow() : record.ended));
  json.insert("device", last ? last->device : QString());
  json.insert("settings", last ? last->settings : QString());
  json.insert("variables", last ? Values(last->variables) : QJsonObject());
  json.insert("verdict", VerdictWord(record.verdict()));
  if (!record.reason.isEmpty())
    json.insert("reason", record.reason);
  json.insert("summary", QJsonObject{{"passed", record.passedSteps},
                                     {"failed", record.failedSteps},
                                     {"failed_passes", record.failedPasses}});
  json.insert("passes", passes);
  return json;
}

QJsonObject PassLine(const RunRecord &record, int index) {
  const PassRecord &pass = record.passes[index];
  QJsonObject json = PassJson(record, pass);
  const QJsonObject head = LineHead(record, pass.number);
  for (auto it = head.begin(); it != head.end(); ++it)
    json.insert(it.key(), it.value());
  return json;
}

bool EndNeedsLine(const RunRecord &record) {
  const Verdict verdict = record.verdict();
  if (verdict == Verdict::Pass || verdict == Verdict::Fail)
    return false;
  return record.passes.isEmpty() || record.passes.last().verdict() != verdict;
}

QJsonObject EndLine(const RunRecord &record) {
  QJsonObject json = LineHead(record, record.passesRun);
  json.insert("verdict", VerdictWord(record.verdict()));
  json.insert("reason", record.reason);
  if (!record.ended.isNull())
    json.insert("ended", TimeText(record.ended));
  return json;
}

namespace {
// The run's own fields every record and line carries.
void TakeHead(RunRecord *record, const QJsonObject &json) {
  record->id = QUuid::fromString(json["id"].toString());
  record->sequence = json["sequence"].toString();
  record->sequenceHash = json["sequence_hash"].toString().toLatin1();
  record->host = json["host"].toString();
  record->started = TimeOf(json["started"]);
}
} // namespace

RunRecord RunFromJson(const QJsonObject &json) {
  RunRecord record;
  TakeHead(&record, json);
  record.ended = TimeOf(json["ended"]);
  for (const QJsonValue pass : json["passes"].toArray())
    AddPass(&record, pass.toObject());
  record.passesRun = json["passes_run"].toInt(record.passesRun);
  record.passesAsked = json["passes_asked"].toInt(record.passesRun);
  const QJsonObject summary = json["summary"].toObject();
  record.passedSteps = summary["passed"].toInt(record.passedSteps);
  record.failedSteps = summary["failed"].toInt(record.failedSteps);
  record.failedPasses = summary["failed_passes"].toInt(record.failedPasses);
  TakeEnd(&record, json);
  return record;
}

RunRecord RunFromLines(const QByteArray &lines) {
  RunRecord record;
  for (const QByteArray &line : lines.split('\n')) {
    const QJsonObject json = QJsonDocument::fromJson(line).object();
    if (json.isEmpty())
      continue;
    if (record.sequence.isEmpty())
      TakeHead(&record, json);
    record.passesAsked = json["passes_asked"].toInt(record.passesAsked);
    if (json.contains("pass")) {
      AddPass(&record, json);
      continue;
    }
    TakeEnd(&record, json);
    record.ended = TimeOf(json["ended"]);
  }
  return record;
}

bool WriteJson(const QString &path, const RunRecord &record, QString *error) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) &&
      file.write(QJsonDocument(RunJson(record)).toJson(QJsonDocument::Indented)) >= 0 &&
      file.commit())
    return true;
  *error = QStringLiteral("%1: %2").arg(path, file.errorString());
  return false;
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

bool AppendLastPass(const QString &path, const RunRecord &record, QString *error) {
  return record.passes.isEmpty() ||
         AppendRecordLine(path, PassLine(record, int(record.passes.size()) - 1), error);
}

bool AppendJsonLines(const QString &path, const RunRecord &record, QString *error) {
  for (int i = 0; i < record.passes.size(); ++i)
    if (!AppendRecordLine(path, PassLine(record, i), error))
      return false;
  return !EndNeedsLine(record) || AppendRecordLine(path, EndLine(record), error);
}
