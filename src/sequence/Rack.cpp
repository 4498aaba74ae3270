#include "Rack.h"

#include "Platform.h"
#include "RackReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

QString ShortName(const QString &device) {
  const QString name = QFileInfo(device).fileName();
  return name.isEmpty() ? device : name;
}

QString DeviceLog(const QString &log, const QString &shortName) {
  const QFileInfo file(log);
  const QString suffix = file.suffix();
  const QString stem = suffix.isEmpty() ? file.fileName() : file.completeBaseName();
  return file.dir().filePath(stem + QLatin1Char('.') + shortName +
                             (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix));
}

namespace {
QHash<QString, QString> VariablesFor(const RackRun &rack, const QString &device) {
  QHash<QString, QString> values = rack.run.variables;
  values.insert(rack.perDevice.value(ShortName(device)));
  return values;
}

QString Report(const QStringList &reports, const char *suffix) {
  for (const QString &path : reports)
    if (QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0)
      return path;
  return {};
}

// One device's process, and what became of it.
struct Unit {
  QString device;
  QString name;
  std::unique_ptr<QProcess> process;
  QByteArray out, err;
  bool ended = false;
  bool crashed = false;
  int code = -1;
};

// Prints the complete lines of a stream, each headed by the device's name; all of it when
// the stream has ended.
void PrintLines(QByteArray *buffer, const QByteArray &more, const QString &name,
                ConsoleStream stream, bool all = false) {
  *buffer += more;
  qsizetype end;
  while ((end = buffer->indexOf('\n')) >= 0 || (all && !buffer->isEmpty())) {
    const QByteArray line = end >= 0 ? buffer->left(end) : *buffer;
    buffer->remove(0, end >= 0 ? end + 1 : buffer->size());
    PrintToConsole(stream, name + QStringLiteral(": ") + QString::fromUtf8(line).remove('\r') +
                               QLatin1Char('\n'));
  }
}

// Why a device's process ended without a verdict of its own; empty when it gave one.
QString Ending(const Unit &unit) {
  if (!unit.ended)
    return QCoreApplication::translate("Rack", "did not start: %1")
        .arg(unit.process->errorString());
  if (!unit.crashed)
    return {};
  // A Unix process is ended by a signal; a Windows one by an exception code.
  if (unit.code < 128)
    return QCoreApplication::translate("Rack", "stopped by signal %1").arg(unit.code);
  return QCoreApplication::translate("Rack", "ended abnormally (0x%1)")
      .arg(uint(unit.code), 8, 16, QLatin1Char('0'));
}

QStringList MemberArguments(const RackRun &rack, const Unit &unit, const QTemporaryDir &dir) {
  QStringList args{QStringLiteral("--rack-member"), QStringLiteral("--run"), rack.run.file,
                   QStringLiteral("--com1"), unit.device};
  if (!rack.com2.isEmpty())
    args << QStringLiteral("--com2") << rack.com2;
  if (rack.run.repeat > 1)
    args << QStringLiteral("--repeat") << QString::number(rack.run.repeat);
  if (rack.run.keepGoing)
    args << QStringLiteral("--keep-going");
  if (!rack.reopen)
    args << QStringLiteral("--no-reopen");
  const QHash<QString, QString> values = VariablesFor(rack, unit.device);
  for (auto it = values.cbegin(); it != values.cend(); ++it)
    args << QStringLiteral("--set") << it.key() + QLatin1Char('=') + it.value();
  if (!rack.logFile.isEmpty())
    args << QStringLiteral("--log") << DeviceLog(rack.logFile, unit.name);
  for (const QString &report : rack.run.reports) {
    const QString suffix = QFileInfo(report).suffix().toLower();
    // JSON lines are appended by each device as its passes end; the others are merged.
    args << QStringLiteral("--report")
         << (suffix == QLatin1String("jsonl")
                 ? report
                 : dir.filePath(unit.name + QLatin1Char('.') + suffix));
  }
  return args;
}
} // namespace

QString RackProblem(const RackRun &rack) {
  for (const QString &device : rack.devices) {
    HeadlessRun run = rack.run;
    run.variables = VariablesFor(rack, device);
    const QString problem = StartProblem(run, ReadSequenceFile(run.file, run.variables.keys()));
    if (!problem.isEmpty())
      return ShortName(device) + QStringLiteral(": ") + problem;
  }
  return {};
}

int RunRack(const RackRun &rack) {
  if (const QString problem = RackProblem(rack); !problem.isEmpty()) {
    PrintToConsole(ConsoleStream::Err, problem + QLatin1Char('\n'));
    return kRunBadInput;
  }
  QTemporaryDir dir;
  QStringList lost;
  if (!dir.isValid()) {
    PrintToConsole(ConsoleStream::Err, dir.errorString() + QLatin1Char('\n'));
    return kRunFailed;
  }
  std::vector<Unit> units(size_t(rack.devices.size()));
  QEventLoop loop;
  int running = 0;
  auto ended = [&](Unit &unit) {
    if (const QString ending = Ending(unit); !ending.isEmpty())
      PrintToConsole(ConsoleStream::Out, unit.name + QStringLiteral(": ") + ending + '\n');
    if (--running == 0)
      loop.quit();
  };
  for (size_t i = 0; i < units.size(); ++i) {
    Unit &unit = units[i];
    unit.device = rack.devices[int(i)];
    unit.name = ShortName(unit.device);
    unit.process = std::make_unique<QProcess>();
    QProcess *p = unit.process.get();
    QObject::connect(p, &QProcess::readyReadStandardOutput, p, [&unit, p] {
      PrintLines(&unit.out, p->readAllStandardOutput(), unit.name, ConsoleStream::Out);
    });
    QObject::connect(p, &QProcess::readyReadStandardError, p, [&unit, p] {
      PrintLines(&unit.err, p->readAllStandardError(), unit.name, ConsoleStream::Err);
    });
    QObject::connect(p, &QProcess::finished, p, [&, p](int code, QProcess::ExitStatus status) {
      PrintLines(&unit.out, p->readAllStandardOutput(), unit.name, ConsoleStream::Out, true);
      PrintLines(&unit.err, p->readAllStandardError(), unit.name, ConsoleStream::Err, true);
      unit.ended = true;
      unit.crashed = status == QProcess::CrashExit;
      unit.code = code;
      ended(unit);
    });
    QObject::connect(p, &QProcess::errorOccurred, p, [&](QProcess::ProcessError error) {
      if (error == QProcess::FailedToStart)
        ended(unit);
    });
    ++running;
    p->start(QCoreApplication::applicationFilePath(), MemberArguments(rack, unit, dir));
  }
  // Each member is asked to stop as this program was, and writes its report.
  int interrupted = 0;
  OnInterrupt([&](int exitCode) {
    interrupted = exitCode;
    for (Unit &unit : units)
      if (unit.process->state() == QProcess::Running)
        unit.process->write(QByteArray(1, char(exitCode)));
  });
  if (running > 0)
    loop.exec();
  OnInterrupt({});

  int passed = 0, failed = 0, portTrouble = 0;
  std::vector<MemberEnd> ends;
  for (const Unit &unit : units) {
    const bool verdict = unit.ended && !unit.crashed;
    passed += verdict && unit.code == kRunPassed;
    portTrouble += verdict && unit.code == kRunPortTrouble;
    failed += !verdict || (unit.code != kRunPassed && unit.code != kRunPortTrouble);
    ends.push_back({unit.device, unit.name, Ending(unit)});
  }
  const QDir parts(dir.path());
  if (const QString lines = Report(rack.run.reports, "jsonl"); !lines.isEmpty())
    for (const MemberEnd &end : ends)
      if (!end.ending.isEmpty())
        AppendLostLine(lines, rack.run.file, end, &lost);
  if (const QString xml = Report(rack.run.reports, "xml"); !xml.isEmpty())
    MergeJUnit(xml, ends, parts, &lost);
  if (const QString json = Report(rack.run.reports, "json"); !json.isEmpty())
    MergeJson(json, rack.run.file, ends, parts, &lost);
  for (const QString &why : lost)
    PrintToConsole(ConsoleStream::Err, QStringLiteral("not written completely: %1\n").arg(why));
  PrintToConsole(ConsoleStream::Out,
                 QCoreApplication::translate("Rack", "%1 devices: %2 passed, %3 failed, %4 lost\n")
                     .arg(units.size())
                     .arg(passed)
                     .arg(failed)
                     .arg(portTrouble));
  if (interrupted)
    return interrupted;
  if (portTrouble > 0)
    return kRunPortTrouble;
  return failed > 0 || !lost.isEmpty() ? kRunFailed : kRunPassed;
}
