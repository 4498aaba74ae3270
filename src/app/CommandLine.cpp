#include "CommandLine.h"

#include "LogFile.h"
#include "PortBinding.h"
#include "Rack.h"
#include "SequenceReport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace {
// A file by where it is, however it was named: through a link, "./", "..".
QString SameFileKey(const QString &path) {
  const QFileInfo file(path);
  if (file.exists())
    return file.canonicalFilePath();
  const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
  return folder.isEmpty() ? file.absoluteFilePath() : folder + QLatin1Char('/') + file.fileName();
}
} // namespace

CommandLine ParseCommandLine(const QStringList &arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "CommandLine", "Bench tool for a VFD (vacuum fluorescent display) on an RS-232 line."));
  const QCommandLineOption help(
      {QStringLiteral("h"), QStringLiteral("help")},
      QCoreApplication::translate("CommandLine", "Show this help and exit."));
  const QCommandLineOption version(
      {QStringLiteral("v"), QStringLiteral("version")},
      QCoreApplication::translate("CommandLine", "Show the version and exit."));
  const QCommandLineOption list(
      QStringLiteral("list-ports"),
      QCoreApplication::translate("CommandLine", "List the serial ports present and exit."));
  const QCommandLineOption com1(
      QStringLiteral("com1"),
      QCoreApplication::translate("CommandLine",
                                  "Use <device> for COM 1 in this run (not saved). More than "
                                  "one, repeated or as a comma-separated list, make a rack: "
                                  "--run runs on each at the same time."),
      QStringLiteral("device"));
  const QCommandLineOption com2(
      QStringLiteral("com2"),
      QCoreApplication::translate("CommandLine", "Use <device> for COM 2 in this run (not saved)."),
      QStringLiteral("device"));
  const QCommandLineOption log(
      QStringLiteral("log"),
      QCoreApplication::translate("CommandLine",
                                  "Append every row of the line monitor to <file> as it happens."),
      QStringLiteral("file"));
  const QCommandLineOption run(
      QStringLiteral("run"),
      QCoreApplication::translate(
          "CommandLine",
          "Run the test sequence in <file> without a window and exit: 0 when every step passed, 1 "
          "when one failed or a report could not be written, 2 for a wrong file or command line, "
          "3 when the port could not be opened or was lost, 129 when the terminal closed, 130 "
          "for Ctrl+C, 143 when asked to terminate."),
      QStringLiteral("file"));
  const QCommandLineOption repeat(
      QStringLiteral("repeat"),
      QCoreApplication::translate("CommandLine",
                                  "Run the sequence <n> times; a failed pass ends the run."),
      QStringLiteral("n"));
  const QCommandLineOption keepGoing(
      QStringLiteral("keep-going"),
      QCoreApplication::translate("CommandLine", "With --repeat, go on after a failed pass."));
  const QCommandLineOption report(
      QStringLiteral("report"),
      QCoreApplication::translate("CommandLine",
                                  "Write the results of --run to <file>: JUnit XML for .xml, one "
                                  "JSON record for .json, a JSON line a pass appended for .jsonl. "
                                  "May be given more than once."),
      QStringLiteral("file"));
  const QCommandLineOption set(
      QStringLiteral("set"),
      QCoreApplication::translate("CommandLine",
                                  "Set a sequence's variable for --run, as NAME=VALUE, or for one "
                                  "device of a rack as NAME@DEVICE=VALUE (DEVICE as ttyUSB3); an "
                                  "ask of NAME takes it as its answer. May be given more than "
                                  "once."),
      QStringLiteral("name=value"));
  const QCommandLineOption noReopen(
      QStringLiteral("no-reopen"),
      QCoreApplication::translate("CommandLine",
                                  "When the device goes away, close the port and do not reopen "
                                  "it when it returns (this run only)."));
  const QCommandLineOption station(
      QStringLiteral("station"),
      QCoreApplication::translate("CommandLine",
                                  "Show the operator's board for the sequence in <file>: a tile "
                                  "for each device --com1 names, each run on its own."),
      QStringLiteral("file"));
  // How a rack starts its members: each is stopped by a byte on its standard input.
  QCommandLineOption member(QStringLiteral("rack-member"));
  member.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOptions({help, version, list, com1, com2, log, noReopen, run, repeat, keepGoing, report,
                     set, station, member});

  CommandLine result;
  const QString program = QStringLiteral("glow-panel");
  // A wrong command line ends the program with the problem and a pointer to --help.
  auto usage = [&](const QString &problem) {
    result.finished = true;
    result.exitCode = kRunBadInput;
    result.err = QCoreApplication::translate("CommandLine", "%1: %2\nTry '%1 --help'.\n")
                     .arg(program, problem);
    return result;
  };
  if (!parser.parse(arguments))
    return usage(parser.errorText());
  if (!parser.positionalArguments().isEmpty()) {
    result.finished = true;
    result.exitCode = kRunBadInput;
    result.err = QCoreApplication::translate("CommandLine",
                                             "%1: unexpected argument '%2'\nTry '%1 --help'.\n")
                     .arg(program, parser.positionalArguments().constFirst());
    return result;
  }
  if (parser.isSet(help)) {
    result.finished = true;
    // The parser's own text names the program by its path; the usage line is ours.
    result.out = parser.helpText();
    result.out.replace(
        0, result.out.indexOf(QLatin1Char('\n')),
        QCoreApplication::translate("CommandLine", "Usage: %1 [options]").arg(program));
    return result;
  }
  if (parser.isSet(version)) {
    result.finished = true;
    result.out = QStringLiteral("%1 %2\n").arg(program, QStringLiteral(GLOW_PANEL_VERSION));
    return result;
  }
  if (parser.isSet(list)) {
    result.finished = true;
    const QList<SerialPortEntry> ports = SystemPorts();
    if (ports.isEmpty())
      result.out = QCoreApplication::translate("CommandLine", "No serial ports found.\n");
    for (const SerialPortEntry &e : ports)
      result.out += DescribeEntry(e) + QLatin1Char('\n');
    return result;
  }
  // An empty name would fall back to another device or file than the one meant.
  for (const QCommandLineOption *option : {&com1, &com2, &log, &run, &report, &station})
    for (const QString &value : parser.values(*option))
      if (value.trimmed().isEmpty())
        return usage(
            QCoreApplication::translate("CommandLine", "--%1 needs a name, not an empty one")
                .arg(option->names().constFirst()));
  for (const QString &value : parser.values(com1))
    for (const QString &device : value.split(QLatin1Char(','))) {
      if (device.trimmed().isEmpty())
        return usage(QCoreApplication::translate("CommandLine", "--com1 %1: a device name is empty")
                         .arg(value));
      for (const QString &named : std::as_const(result.rack)) {
        if (SameDevice(named, device))
          return usage(
              QCoreApplication::translate("CommandLine", "--com1 %1 is named twice").arg(device));
        // The short name heads a device's lines, names its log and its reports' parts.
        if (ShortName(named) == ShortName(device))
          return usage(
              QCoreApplication::translate("CommandLine", "--com1 %1 and %2 share the short name %3")
                  .arg(named, device, ShortName(device)));
      }
      result.rack << device;
    }
  for (const QString &assignment : parser.values(set)) {
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    const qsizetype at = assignment.left(eq).indexOf(QLatin1Char('@'));
    if (eq <= 0 || at == 0)
      return usage(QCoreApplication::translate("CommandLine", "--set %1: expected NAME=VALUE")
                       .arg(assignment));
    if (at < 0) {
      result.run.variables.insert(assignment.left(eq), assignment.mid(eq + 1));
      continue;
    }
    const QString device = assignment.mid(at + 1, eq - at - 1);
    bool named = false;
    for (const QString &d : std::as_const(result.rack))
      named = named || ShortName(d) == device;
    if (!named)
      return usage(QCoreApplication::translate("CommandLine", "--set %1: --com1 names no device %2")
                       .arg(assignment, device));
    result.perDevice[device].insert(assignment.left(at), assignment.mid(eq + 1));
  }
  result.devices = {result.rack.value(0), parser.value(com2)};
  // One device: its own values are simply the run's.
  if (result.rack.size() == 1)
    for (auto it = result.perDevice.cbegin(); it != result.perDevice.cend(); ++it)
      result.run.variables.insert(it.value());
  result.station = parser.value(station);
  result.run.rackMember = parser.isSet(member);
  result.logFile = parser.value(log);
  result.reopen = !parser.isSet(noReopen);
  result.run.file = parser.value(run);
  result.run.reports = parser.values(report);
  result.run.keepGoing = parser.isSet(keepGoing);
  if (parser.isSet(repeat)) {
    bool ok = false;
    result.run.repeat = parser.value(repeat).toInt(&ok);
    if (!ok || result.run.repeat < 1)
      usage(QCoreApplication::translate("CommandLine",
                                        "--repeat needs a whole number of at least 1"));
  }
  if (!result.run.file.isEmpty() && !result.station.isEmpty())
    usage(QCoreApplication::translate("CommandLine", "--run and --station do not go together"));
  else if (result.run.file.isEmpty() &&
           (parser.isSet(repeat) || parser.isSet(keepGoing) || parser.isSet(report) ||
            (parser.isSet(set) && result.station.isEmpty())))
    usage(QCoreApplication::translate("CommandLine",
                                      "--repeat, --keep-going, --report and --set go with --run"));
  // Found now, not after the run has sent its bytes.
  if (!result.finished && !result.logFile.isEmpty())
    if (const QString problem = LogFileProblem(result.logFile); !problem.isEmpty())
      return usage(QStringLiteral("--log %1").arg(problem));
  QList<std::pair<QString, QString>> files;
  for (const QCommandLineOption *option : {&run, &station, &report, &log})
    for (const QString &path : parser.values(*option))
      files.append(
          {QStringLiteral("--%1 %2").arg(option->names().constFirst(), path), SameFileKey(path)});
  for (qsizetype i = 0; i < files.size() && !result.finished; ++i)
    for (qsizetype j = 0; j < i; ++j)
      if (files[i].second == files[j].second)
        return usage(QCoreApplication::translate("CommandLine", "%1 and %2 name the same file")
                         .arg(files[j].first, files[i].first));
  for (const QString &path : result.run.reports) {
    if (result.finished)
      break;
    QString problem = ReportProblem(path);
    if (problem.isEmpty() && !FormOf(path))
      problem = QCoreApplication::translate("CommandLine",
                                            "%1: the suffix names the form: .xml, .json or .jsonl")
                    .arg(path);
    if (!problem.isEmpty())
      return usage(QStringLiteral("--report %1").arg(problem));
  }
  return result;
}
