#include "ResultsTarget.h"

#include "Tool.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QUrl>

QString ResultsTarget::name() const {
  switch (kind) {
  case None:
    return QStringLiteral("none");
  case Sqlite:
    return QStringLiteral("sqlite:") + file;
  case Postgres:
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
  }
  return {};
}

QString DefaultResultsFile() {
  // The data folder is named after the tool, whatever the program calls itself.
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return QDir(data).filePath(QStringLiteral("%1/results.sqlite").arg(kToolName));
}

QString ResultsWhere(const QString &given) {
  if (!given.isEmpty())
    return given;
  return qEnvironmentVariable("GLOW_PANEL_RESULTS");
}

std::optional<ResultsTarget> ParseResultsTarget(const QString &where, QString *problem) {
  ResultsTarget target;
  const QString name = where.trimmed();
  if (name.isEmpty()) {
    target.file = DefaultResultsFile();
    return target;
  }
  if (name.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
    target.kind = ResultsTarget::None;
    return target;
  }
  const QUrl url(name, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("postgresql") || scheme == QLatin1String("postgres")) {
    target.kind = ResultsTarget::Postgres;
    target.host = url.host();
    target.port = url.port(5432);
    target.user = url.userName();
    target.password = url.password();
    target.database = url.path().mid(1);
    target.file = DefaultResultsFile();
    if (url.isValid() && !target.host.isEmpty() && !target.user.isEmpty() &&
        !target.database.isEmpty() && !target.database.contains(QLatin1Char('/')))
      return target;
    *problem = QCoreApplication::translate("Results", "%1: not a server: expected "
                                                      "postgresql://USER@HOST:PORT/DATABASE")
                   .arg(url.toDisplayString(QUrl::RemovePassword));
    return std::nullopt;
  }
  // A drive letter is no scheme: C:\results.sqlite is a path.
  if (scheme.size() > 1 && scheme != QLatin1String("sqlite") && scheme != QLatin1String("file")) {
    *problem = QCoreApplication::translate(
                   "Results", "%1: not a store: expected a file, sqlite:FILE, "
                              "postgresql://USER@HOST:PORT/DATABASE or none")
                   .arg(name);
    return std::nullopt;
  }
  QString file = name;
  if (scheme == QLatin1String("sqlite"))
    file = name.mid(int(std::strlen("sqlite:")));
  else if (scheme == QLatin1String("file"))
    file = url.toLocalFile();
  target.file = QDir::cleanPath(QDir().absoluteFilePath(file));
  return target;
}
