#include "Rack.h"

#include "Platform.h"
#include "Delivery.h"
#include "RackMerge.h"
#include "ResultStore.h"
#include "Reports.h"

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
// How long the rack's end waits for the server to take what its devices stored.
constexpr qint64 kRackDeliveryBudgetMs = 10000;

QHash<QString, QString> VariablesFor(const RackRun &rack, const QString &device) {
  QHash<QString, QString> values = rack.run.variables;
  values.insert(rack.perDevice.value(ShortName(device)));
  return values;
}

// One device's process, and what became of it.
struct Member {
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
QString Ending(const Member &member) {
  if (!member.ended)
    return QCoreApplication::translate("Rack", "did not start: %1")
        .arg(member.process->errorString());
  if (!member.crashed)
    return {};
  // A Unix process is ended by a signal; a Windows one by an exception code.
  if (member.code < 128)
    return QCoreApplication::translate("Rack", "stopped by signal %1").arg(member.code);
  return QCoreApplication::translate("Rack", "ended abnormally (0x%1)")
      .arg(uint(member.code), 8, 16, QLatin1Char('0'));
}

QStringList MemberArguments(const RackRun &rack, const Member &member, const QTemporaryDir &dir) {
  QStringList args{QStringLiteral("--rack-member"), QStringLiteral("--run"), rack.run.file,
                   QStringLiteral("--com1"), member.device};
  if (!rack.com2.isEmpty())
    args << QStringLiteral("--com2") << rack.com2;
  if (rack.run.repeat > 1)
    args << QStringLiteral("--repeat") << QString::number(rack.run.repeat);
  if (rack.run.keepGoing)
    args << QStringLiteral("--keep-going");
  if (!rack.reopen)
    args << QStringLiteral("--no-reopen");
  if (!rack.run.results.isEmpty())
    args << QStringLiteral("--results") << rack.run.results;
  const QHash<QString, QString> values = VariablesFor(rack, member.device);
  for (auto it = values.cbegin(); it != values.cend(); ++it)
    args << QStringLiteral("--set") << it.key() + QLatin1Char('=') + it.value();
  if (!rack.logFile.isEmpty())
    args << QStringLiteral("--log") << DeviceLog(rack.logFile, member.name);
  // Each device writes its parts, from which the rack's reports are merged; JSON lines are
  // appended by each device as its passes end.
  QStringList reports = PartReports(QDir(dir.path()), member.name);
  for (const QString &report : rack.run.reports)
    if (FormOf(report) == ReportForm::JsonLines)
      reports << report;
  for (const QString &report : reports)
    args << QStringLiteral("--report") << report;
  return args;
}
} // namespace

QString RackProblem(const RackRun &rack) {
  for (const QString &device : rack.devices) {
    RunOptions run = rack.run;
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
  QString problem;
  const std::optional<ResultsTarget> target =
      ParseResultsTarget(ResultsWhere(rack.run.results), &problem);
  ResultStore store;
  if (!target || !store.open(*target)) {
    PrintToConsole(ConsoleStream::Err, (target ? store.problem() : problem) + QLatin1Char('\n'));
    return kRunBadInput;
  }
  QTemporaryDir dir;
  QStringList lost;
  if (!dir.isValid()) {
    PrintToConsole(ConsoleStream::Err, dir.errorString() + QLatin1Char('\n'));
    return kRunFailed;
  }
  std::vector<Member> members(size_t(rack.devices.size()));
  QEventLoop loop;
  int running = 0;
  auto ended = [&](Member &member) {
    if (const QString ending = Ending(member); !ending.isEmpty())
      PrintToConsole(ConsoleStream::Out, member.name + QStringLiteral(": ") + ending + '\n');
    if (--running == 0)
      loop.quit();
  };
  for (size_t i = 0; i < members.size(); ++i) {
    Member &member = members[i];
    member.device = rack.devices[int(i)];
    member.name = ShortName(member.device);
    member.process = std::make_unique<QProcess>();
    QProcess *p = member.process.get();
    QObject::connect(p, &QProcess::readyReadStandardOutput, p, [&member, p] {
      PrintLines(&member.out, p->readAllStandardOutput(), member.name, ConsoleStream::Out);
    });
    QObject::connect(p, &QProcess::readyReadStandardError, p, [&member, p] {
      PrintLines(&member.err, p->readAllStandardError(), member.name, ConsoleStream::Err);
    });
    QObject::connect(p, &QProcess::finished, p, [&, p](int code, QProcess::ExitStatus status) {
      PrintLines(&member.out, p->readAllStandardOutput(), member.name, ConsoleStream::Out, true);
      PrintLines(&member.err, p->readAllStandardError(), member.name, ConsoleStream::Err, true);
      member.ended = true;
      member.crashed = status == QProcess::CrashExit;
      member.code = code;
      ended(member);
    });
    QObject::connect(p, &QProcess::errorOccurred, p, [&](QProcess::ProcessError error) {
      if (error == QProcess::FailedToStart)
        ended(member);
    });
    ++running;
    p->start(QCoreApplication::applicationFilePath(), MemberArguments(rack, member, dir));
  }
  // Each member is asked to stop as this program was, and writes its report.
  int interrupted = 0;
  OnInterrupt([&](int exitCode) {
    interrupted = exitCode;
    for (Member &member : members)
      if (member.process->state() == QProcess::Running)
        member.process->write(QByteArray(1, char(exitCode)));
  });
  if (running > 0)
    loop.exec();
  OnInterrupt({});

  int passed = 0, failed = 0, portTrouble = 0;
  std::vector<MemberEnd> ends;
  for (const Member &member : members) {
    const bool verdict = member.ended && !member.crashed;
    passed += verdict && member.code == kRunPassed;
    portTrouble += verdict && member.code == kRunPortTrouble;
    failed += !verdict || (member.code != kRunPassed && member.code != kRunPortTrouble);
    ends.push_back({member.device, member.name, Ending(member)});
  }
  MergeReports(rack.run.reports, rack.run.file, ends, QDir(dir.path()), &lost);
  // A device whose run ended without storing its end is stored as it left it: every pass it
  // finished, and why it ended. Then the rack, once, delivers what waits for a server.
  for (const MemberEnd &end : ends)
    if (QJsonObject json; !end.ending.isEmpty() &&
                          !store.storeRun(MemberRecord(end, QDir(dir.path()), rack.run.file, &json)))
      lost << store.problem();
  const DeliveryOutcome delivery = DeliverWaiting(store.target(), kRackDeliveryBudgetMs);
  if (delivery.waiting > 0)
    PrintToConsole(ConsoleStream::Err,
                   QCoreApplication::translate("HeadlessRun", "%n record(s) wait for %1: %2\n",
                                               nullptr, delivery.waiting)
                       .arg(store.target().name(), delivery.problem));
  for (const QString &why : lost)
    PrintToConsole(ConsoleStream::Err, QStringLiteral("not written completely: %1\n").arg(why));
  PrintToConsole(ConsoleStream::Out,
                 QCoreApplication::translate("Rack", "%1 devices: %2 passed, %3 failed, %4 lost\n")
                     .arg(members.size())
                     .arg(passed)
                     .arg(failed)
                     .arg(portTrouble));
  if (interrupted)
    return interrupted;
  if (portTrouble > 0)
    return kRunPortTrouble;
  return failed > 0 || !lost.isEmpty() ? kRunFailed : kRunPassed;
}
