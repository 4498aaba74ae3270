#include "Reports.h"

#include "JUnitReport.h"
#include "JsonReport.h"

#include <QCoreApplication>
#include <QFileInfo>

std::optional<ReportForm> FormOf(const QString &path) {
  const QString suffix = QFileInfo(path).suffix();
  for (const ReportKind &kind : kReportKinds)
    if (suffix.compare(QLatin1String(kind.suffix), Qt::CaseInsensitive) == 0)
      return kind.form;
  return std::nullopt;
}

const ReportKind &ReportKindOf(ReportForm form) {
  for (const ReportKind &kind : kReportKinds)
    if (kind.form == form)
      return kind;
  return kReportKinds[0];
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

bool WriteReport(const QString &path, const RunRecord &record, QString *error) {
  *error = ReportProblem(path);
  if (!error->isEmpty())
    return false;
  switch (FormOf(path).value_or(ReportForm::JUnit)) {
  case ReportForm::JUnit:
    return WriteJUnit(path, {{QString(), record}}, error);
  case ReportForm::Json:
    return WriteJson(path, record, error);
  case ReportForm::JsonLines:
    return AppendJsonLines(path, record, error);
  }
  return false;
}
