#include "SequenceReport.h"

#include <QFileInfo>
#include <QSaveFile>
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

QString ResultLine(const SequenceStep &step, const SequenceRunner::Result &result) {
  QString line = QStringLiteral("%1 line %2: %3")
                     .arg(QLatin1String(TextOf(result.state).word))
                     .arg(step.line)
                     .arg(step.source);
  if (result.state == SequenceRunner::State::Passed ||
      result.state == SequenceRunner::State::Failed) {
    line += QStringLiteral(" (%1 s").arg(Seconds(result.ms));
    if (result.replyMs >= 0)
      line += QStringLiteral(", reply %1 ms").arg(result.replyMs);
    line += QLatin1Char(')');
  }
  if (!result.message.isEmpty())
    line += QStringLiteral("\n    ") +
            QString(result.message).replace(QLatin1Char('\n'), QStringLiteral("\n    "));
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

bool WriteJUnit(const QString &path, const QString &sequenceName, const SequenceRunner &runner,
                QString *error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
  }
  QXmlStreamWriter xml(&file);
  xml.setAutoFormatting(true);
  xml.writeStartDocument();
  xml.writeStartElement(QStringLiteral("testsuites"));
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
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"),
                       QStringLiteral("%1 pass %2").arg(name).arg(firstPass + p));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(pass.results.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(skipped));
    xml.writeAttribute(QStringLiteral("time"), Seconds(pass.ms));
    xml.writeAttribute(QStringLiteral("timestamp"), pass.started.toString(Qt::ISODate));
    for (int i = 0; i < pass.results.size(); ++i) {
      const SequenceStep &step = runner.steps()[i];
      const SequenceRunner::Result &r = pass.results[i];
      xml.writeStartElement(QStringLiteral("testcase"));
      xml.writeAttribute(QStringLiteral("classname"), name);
      xml.writeAttribute(QStringLiteral("name"),
                         QStringLiteral("line %1: %2").arg(step.line).arg(step.source));
      xml.writeAttribute(QStringLiteral("time"), Seconds(r.ms));
      if (r.state == SequenceRunner::State::Failed) {
        xml.writeStartElement(QStringLiteral("failure"));
        xml.writeAttribute(QStringLiteral("message"), r.message.section(QLatin1Char('\n'), 0, 0));
        xml.writeCharacters(r.message);
        xml.writeEndElement();
      } else if (r.state != SequenceRunner::State::Passed) {
        xml.writeEmptyElement(QStringLiteral("skipped"));
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
