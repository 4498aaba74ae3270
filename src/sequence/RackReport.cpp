#include "RackReport.h"

#include "RunRecord.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {
// A testsuite for a device whose process left no report.
void WriteLostSuite(QXmlStreamWriter &xml, const MemberEnd &unit) {
  xml.writeStartElement(QStringLiteral("testsuite"));
  xml.writeAttribute(QStringLiteral("name"), unit.name);
  xml.writeAttribute(QStringLiteral("tests"), QStringLiteral("1"));
  xml.writeAttribute(QStringLiteral("failures"), QStringLiteral("1"));
  xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
  xml.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
  xml.writeStartElement(QStringLiteral("testcase"));
  xml.writeAttribute(QStringLiteral("classname"), unit.name);
  xml.writeAttribute(QStringLiteral("name"), unit.device);
  xml.writeEmptyElement(QStringLiteral("failure"));
  xml.writeAttribute(QStringLiteral("message"), unit.ending);
  xml.writeEndElement();
  xml.writeEndElement();
}

// Whether a device left a whole JUnit report: a half-written one is no report, and the
// device fails instead.
bool WholeReport(const QString &path) {
  QFile part(path);
  if (!part.open(QIODevice::ReadOnly))
    return false;
  QXmlStreamReader check(&part);
  bool suites = false;
  while (!check.atEnd())
    if (check.readNext() == QXmlStreamReader::StartElement &&
        check.name() == QLatin1String("testsuite"))
      suites = true;
  return suites && !check.hasError();
}

// Copies a device's testsuites into the merged report, each named after the device first,
// and so its cases' classes, for a CI server that keys by name.
void CopySuites(QXmlStreamWriter *xml, const MemberEnd &unit, const QString &path) {
  QFile part(path);
  if (!part.open(QIODevice::ReadOnly))
    return;
  QXmlStreamReader in(&part);
  int depth = 0;
  while (!in.atEnd()) {
    in.readNext();
    if (in.isStartElement() && ++depth > 1) {
      const bool suite = in.name() == QLatin1String("testsuite");
      const bool testCase = in.name() == QLatin1String("testcase");
      xml->writeStartElement(in.name().toString());
      for (const QXmlStreamAttribute &a : in.attributes()) {
        const bool renamed = (suite && a.name() == QLatin1String("name")) ||
                             (testCase && a.name() == QLatin1String("classname"));
        xml->writeAttribute(a.name().toString(),
                            renamed ? unit.name + QStringLiteral(": ") + a.value().toString()
                                    : a.value().toString());
      }
    } else if (in.isEndElement() && depth-- > 1) {
      xml->writeEndElement();
    } else if (depth > 1 && in.isCharacters() && !in.isWhitespace()) {
      xml->writeCurrentToken(in);
    }
  }
}

QJsonObject LostRecord(const QString &sequence, const MemberEnd &unit) {
  QJsonObject record = RecordHead(sequence);
  record.insert("device", unit.device);
  record.insert("verdict", "FAIL");
  record.insert("message", unit.ending);
  return record;
}

} // namespace

void MergeJUnit(const QString &path, const std::vector<MemberEnd> &units, const QDir &parts,
                QStringList *lost) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    for (const MemberEnd &unit : units) {
      const QString part = parts.filePath(unit.name + QStringLiteral(".xml"));
      if (WholeReport(part))
        CopySuites(&xml, unit, part);
      else
        WriteLostSuite(xml, unit);
    }
    xml.writeEndDocument();
    if (file.commit())
      return;
  }
  *lost << QStringLiteral("%1: %2").arg(path, file.errorString());
}

void MergeJson(const QString &path, const QString &sequence, const std::vector<MemberEnd> &units,
               const QDir &parts, QStringList *lost) {
  QJsonArray devices;
  for (const MemberEnd &unit : units) {
    QFile part(parts.filePath(unit.name + QStringLiteral(".json")));
    QJsonObject record;
    if (part.open(QIODevice::ReadOnly))
      record = QJsonDocument::fromJson(part.readAll()).object();
    if (record.isEmpty())
      record = LostRecord(sequence, unit);
    record.insert("name", unit.name);
    devices.append(record);
  }
  QJsonObject record = RecordHead(sequence);
  record.insert("devices", devices);
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) &&
      file.write(QJsonDocument(record).toJson(QJsonDocument::Indented)) >= 0 && file.commit())
    return;
  *lost << QStringLiteral("%1: %2").arg(path, file.errorString());
}

void AppendLostLine(const QString &path, const QString &sequence, const MemberEnd &unit,
                    QStringList *lost) {
  if (QString why; !AppendRecordLine(path, LostRecord(sequence, unit), &why))
    *lost << why;
}
