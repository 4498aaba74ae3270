#include "RackMerge.h"

#include "JUnitReport.h"
#include "JsonReport.h"
#include "Reports.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
// A member's part, named after its device: "part-COM8.json", since Windows takes COM8.json
// for the port itself.
QString PartPath(const QDir &parts, const QString &name, const char *suffix) {
  return parts.filePath(QStringLiteral("part-%1.%2").arg(name, QLatin1String(suffix)));
}

QByteArray ReadPart(const QDir &parts, const QString &name, const char *suffix) {
  QFile file(PartPath(parts, name, suffix));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteRecord(const QString &path, const QJsonObject &record, QStringList *lost) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) &&
      file.write(QJsonDocument(record).toJson(QJsonDocument::Indented)) >= 0 && file.commit())
    return;
  *lost << QStringLiteral("%1: %2").arg(path, file.errorString());
}
} // namespace

RunRecord MemberRecord(const MemberEnd &member, const QDir &parts, const QString &sequence,
                       QJsonObject *json) {
  *json = QJsonDocument::fromJson(ReadPart(parts, member.name, "json")).object();
  if (!json->isEmpty() && member.ending.isEmpty())
    return RunFromJson(*json);
  *json = QJsonObject();
  RunRecord record = RunFromLines(ReadPart(parts, member.name, "jsonl"));
  if (record.sequence.isEmpty())
    record.sequence = sequence;
  if (!member.ending.isEmpty()) {
    record.stopped = true;
    record.reason = member.ending;
  }
  return record;
}

QStringList PartReports(const QDir &parts, const QString &name) {
  return {PartPath(parts, name, "json"), PartPath(parts, name, "jsonl")};
}

void MergeReports(const QStringList &reports, const QString &sequence,
                  const std::vector<MemberEnd> &members, const QDir &parts, QStringList *lost) {
  QList<std::pair<QString, RunRecord>> runs;
  QJsonArray devices;
  for (const MemberEnd &member : members) {
    QJsonObject json;
    const RunRecord record = MemberRecord(member, parts, sequence, &json);
    if (json.isEmpty()) {
      json = RunJson(record);
      json.insert("device", member.device);
      json.insert("message", member.ending);
    }
    json.insert("name", member.name);
    devices.append(json);
    runs.append({member.name, record});
  }
  for (const QString &path : reports) {
    QString why;
    switch (FormOf(path).value_or(ReportForm::JUnit)) {
    case ReportForm::JUnit:
      if (!WriteJUnit(path, runs, &why))
        *lost << why;
      break;
    case ReportForm::Json: {
      QJsonObject record = RecordHead(sequence);
      record.insert("devices", devices);
      WriteRecord(path, record, lost);
      break;
    }
    case ReportForm::JsonLines:
      // The devices appended theirs; a device that ended without saying how is told here.
      for (size_t i = 0; i < members.size(); ++i)
        if (!members[i].ending.isEmpty()) {
          QJsonObject line = EndLine(runs[qsizetype(i)].second);
          line.insert("device", members[i].device);
          line.insert("message", members[i].ending);
          if (!AppendRecordLine(path, line, &why))
            *lost << why;
        }
      break;
    }
  }
}
