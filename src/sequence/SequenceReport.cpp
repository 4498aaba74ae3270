#include "SequenceReport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>
#include <QXmlStreamWriter>

namespace {
QString Seconds(qint64 ms) { return QString::number(double(ms) / 1000, 'f', 3); }

const StateText kStateTexts[] = {
    {SequenceRunner::State::Waiting, "WAIT", QT_TRANSLATE_NOOP("SequenceReport", "waiting")},
    {SequenceRunner::State::Running, "RUN ", QT_TRANSLATE_NOOP("SequenceReport", "running")},
    {SequenceRunner::State::Passed, "PASS", QT_TRANSLATE_NOOP("SequenceReport", "passed")},
    {SequenceRunner::State::Failed, "FAIL", QT_TRANSLATE_NOOP("SequenceReport", "FAILED")},
    {SequenceRunner::State::Skipped, "SKIP", QT_TRANSLATE_NOOP("SequenceReport", "skipped")},
};
} // namespace

const StateText &TextOf(SequenceRunner::State state) {
  for (const StateText &t : kStateTexts)
    if (t.state == state)
      return t;
  return kStateTexts[0];
}

QString Printable(const QString &text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if ((u < 0x20 && u != '\n') || (u >= 0x7F && u < 0xA0))
      out += QStringLiteral("\\x") +
             QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    else
      out += c;
  }
  return out;
}

QString ValuesText(const SequenceRunner::Result &result) {
  QStringList parts;
  for (auto it = result.values.cbegin(); it != result.values.cend(); ++it)
    parts << QStringLiteral("%1 = %2").arg(it.key(), it.value());
  return parts.join(QStringLiteral(", "));
}

QString ResultLine(const SequenceStep &step, const SequenceRunner::Result &result) {
  QString line = QStringLiteral("%1 line %2: %3")
                     .arg(QLatin1String(TextOf(result.state).word))
                     .arg(step.line)
                     .arg(Printable(step.source));
  if (result.state == SequenceRunner::State::Passed ||
      result.state == SequenceRunner::State::Failed) {
    line += QStringLiteral(" (%1 s").arg(Seconds(result.ms));
    if (result.replyMs >= 0)
      line += QStringLiteral(", reply %1 ms").arg(result.replyMs);
    if (!result.values.isEmpty() && result.state == SequenceRunner::State::Passed)
      line += QStringLiteral(", ") + Printable(ValuesText(result));
    line += QLatin1Char(')');
  }
  for (const QString &reason : result.message.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    line += QStringLiteral("\n    ") + Printable(reason);
  return line;
}

QString Summary(const SequenceRunner &runner) {
  QString text;
  if (runner.passCount() > 1)
    text += QStringLiteral("%1 of %2 passes failed\n")
                .arg(runner.failedPasses())
                .arg(runner.passCount());
  return text +
         QStringLiteral("%1 passed, %2 failed").arg(runner.passedSteps()).arg(runner.failedSteps());
}

bool IsReportName(const QString &path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == QLatin1String("xml") || suffix == QLatin1String("json") ||
         suffix == QLatin1String("jsonl");
}

QString ReportProblem(const QString &path) {
  const QFileInfo file(path);
  const QFileInfo target(file.isSymLink() ? file.symLinkTarget() : file.absoluteFilePath());
  const QFileInfo folder(target.absolutePath());
  QString why;
  if (target.exists() && !target.isFile())
    why = QCoreApplication::translate("SequenceReport", "not a regular file");
  else if (!folder.isDir())
    why = QCoreApplication::translate("SequenceReport", "no such folder");
  else if (!folder.isWritable() || (target.exists() && !target.isWritable()))
    why = QCoreApplication::translate("SequenceReport", "permission denied");
  return why.isEmpty() ? why : QStringLiteral("%1: %2").arg(path, why);
}

bool WriteJUnit(const QString &path, const QString &sequenceName, const SequenceRunner &runner,
                QString *error) {
  *error = ReportProblem(path);
  if (!error->isEmpty())
    return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
  }
  QXmlStreamWriter xml(&file);
  xml.setAutoFormatting(true);
  xml.writeStartDocument();
  xml.writeStartElement(QStringLiteral("testsuites"));
  auto properties = [&xml](const QList<std::pair<QString, QString>> &values) {
    xml.writeStartElement(QStringLiteral("properties"));
    for (const auto &[key, value] : values) {
      xml.writeEmptyElement(QStringLiteral("property"));
      xml.writeAttribute(QStringLiteral("name"), key);
      xml.writeAttribute(QStringLiteral("value"), Printable(value));
    }
    xml.writeEndElement();
  };
  const QString name = QFileInfo(sequenceName).fileName();
  const int firstPass = runner.passCount() - int(runner.passes().size()) + 1;
  for (int p = 0; p < runner.passes().size(); ++p) {
    const SequenceRunner::Pass &pass = runner.passes()[p];
    int failures = 0, skipped = 0;
    for (const auto &r : pass.results) {
      failures += r.state == SequenceRunner::State::Failed;
      skipped +=
          r.state == SequenceRunner::State::Skipped || r.state == SequenceRunner::State::Waiting;
    }
    // Each pass is a suite of its own, and its cases carry the pass in their class, so that
    // a CI server that keys by name keeps every pass.
    const QString suite = QStringLiteral("%1 pass %2").arg(name, QString::number(firstPass + p));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), suite);
    xml.writeAttribute(QStringLiteral("tests"), QString::number(pass.results.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(skipped));
    xml.writeAttribute(QStringLiteral("time"), Seconds(pass.ms));
    xml.writeAttribute(QStringLiteral("timestamp"), pass.started.toString(Qt::ISODate));
    xml.writeAttribute(QStringLiteral("hostname"), QSysInfo::machineHostName());
    properties({{QStringLiteral("device"), pass.device},
                {QStringLiteral("settings"), pass.settings},
                {QStringLiteral("tool"), QStringLiteral("glow-panel " GLOW_PANEL_VERSION)},
                {QStringLiteral("host"), QSysInfo::machineHostName()}});
    for (int i = 0; i < pass.results.size(); ++i) {
      const SequenceStep &step = runner.steps()[i];
      const SequenceRunner::Result &r = pass.results[i];
      xml.writeStartElement(QStringLiteral("testcase"));
      xml.writeAttribute(QStringLiteral("classname"), suite);
      xml.writeAttribute(QStringLiteral("name"),
                         QStringLiteral("line %1: %2").arg(step.line).arg(Printable(step.source)));
      xml.writeAttribute(QStringLiteral("time"), Seconds(r.ms));
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
      if (r.state == SequenceRunner::State::Failed) {
        xml.writeStartElement(QStringLiteral("failure"));
        xml.writeAttribute(QStringLiteral("message"), message.section(QLatin1Char('\n'), 0, 0));
        xml.writeCharacters(message);
        xml.writeEndElement();
      } else if (r.state != SequenceRunner::State::Passed) {
        xml.writeEmptyElement(QStringLiteral("skipped"));
        if (!message.isEmpty())
          xml.writeAttribute(QStringLiteral("message"), message);
      }
      xml.writeEndElement();
    }
    xml.writeEndElement();
  }
  xml.writeEndElement();
  xml.writeEndDocument();
  if (!file.commit()) {
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
  }
  return true;
}
