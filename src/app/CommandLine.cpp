#include "CommandLine.h"

#include "LogFile.h"
#include "PortBinding.h"
#include "Rack.h"
#include "Reports.h"
#include "ResultsTarget.h"
#include "Tool.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace {
// Every option, as --help lists it: its names, the name of its value (none for a switch),
// and what it does (translated in the context "CommandLine").
struct OptionRow {
  const char *name;
  const char *shortName;
  const char *value;
  const char *help;
};
constexpr OptionRow kOptions[] = {
    {"help", "h", nullptr, QT_TRANSLATE_NOOP("CommandLine", "Show this help and exit.")},
    {"version", "v", nullptr, QT_TRANSLATE_NOOP("CommandLine", "Show the version and exit.")},
    {"list-ports", nullptr, nullptr,
     QT_TRANSLATE_NOOP("CommandLine", "List the serial ports present and exit.")},
    {"com1", nullptr, "device",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Use <device> for COM 1 in this run (not saved). More than one, repeated "
                       "or as a comma-separated list, make a rack: --run runs on each at the same "
                       "time.")},
    {"com2", nullptr, "device",
     QT_TRANSLATE_NOOP("CommandLine", "Use <device> for COM 2 in this run (not saved).")},
    {"log", nullptr, "file",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Append every row of the line monitor to <file> as it happens.")},
    {"no-reopen", nullptr, nullptr,
     QT_TRANSLATE_NOOP("CommandLine",
                       "When the device goes away, close the port and do not reopen it when it "
                       "returns (this run only).")},
    {"run", nullptr, "file",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Run the test sequence in <file> without a window and exit (the exit "
                       "status is below).")},
    {"repeat", nullptr, "n",
     QT_TRANSLATE_NOOP("CommandLine", "Run the sequence <n> times; a failed pass ends the run.")},
    {"keep-going", nullptr, nullptr,
     QT_TRANSLATE_NOOP("CommandLine", "With --repeat, go on after a failed pass.")},
    {"report", nullptr, "file",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Write the results of --run to <file>: JUnit XML for .xml, one JSON "
                       "record for .json, a JSON line a pass appended for .jsonl. May be given "
                       "more than once.")},
    {"set", nullptr, "name=value",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Set a sequence's variable for --run, as NAME=VALUE, or for one device of a "
                       "rack as NAME@DEVICE=VALUE (DEVICE as ttyUSB3); an ask of NAME takes it as "
                       "its answer. May be given more than once.")},
    {"results", nullptr, "where",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Store every run in <where>: a file or sqlite:FILE, "
                       "postgresql://USER@HOST:PORT/DATABASE (each run is stored here first and "
                       "delivered to the server from here), or none. By default a file in the "
                       "user's data folder, or what GLOW_PANEL_RESULTS names.")},
    {"results-status", nullptr, nullptr,
     QT_TRANSLATE_NOOP("CommandLine",
                       "Say where results go, how many runs are stored and how many wait for the "
                       "server, and exit.")},
    {"history", nullptr, "serial",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Print every stored run of the unit with serial number <serial>, oldest "
                       "first, and exit.")},
    {"yield", nullptr, nullptr,
     QT_TRANSLATE_NOOP("CommandLine",
                       "Print the yield over a span from the stored runs: units, runs, retests, "
                       "first-pass and final yield, what fails most, each value against its limits "
                       "with Cpk, and reply times; then exit. The span is today unless --since and "
                       "--until say otherwise; --sequence, --station HOST and --device narrow it.")},
    {"since", nullptr, "time",
     QT_TRANSLATE_NOOP("CommandLine", "With --yield: from this date (2026-12-01) or time "
                                      "(2026-12-01T08:00), local unless an offset is given.")},
    {"until", nullptr, "time",
     QT_TRANSLATE_NOOP("CommandLine", "With --yield: up to this time, or to the end of this date.")},
    {"sequence", nullptr, "name",
     QT_TRANSLATE_NOOP("CommandLine", "With --yield: only runs of the sequence file of this name.")},
    {"device", nullptr, "device",
     QT_TRANSLATE_NOOP("CommandLine", "With --yield: only runs on this device.")},
    {"html", nullptr, "file",
     QT_TRANSLATE_NOOP("CommandLine",
                       "With --yield: write the figures and their charts as one page to <file>.")},
    {"json", nullptr, "file",
     QT_TRANSLATE_NOOP("CommandLine", "With --yield: write the figures as JSON to <file>.")},
    {"station", nullptr, "file",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Show the operator's board for the sequence in <file>: a tile for each "
                       "device --com1 names, each run on its own. With --yield: only runs of the "
                       "station (host) of this name.")},
    // How a rack starts its members: each is stopped by a byte on its standard input.
    {"rack-member", nullptr, nullptr, nullptr},
};
// The options that name a file or a device, which must not be empty: an empty name would
// fall back to another device or file than the one meant.
constexpr const char *kNamed[] = {"com1",    "com2",    "log",    "run",
                                  "report", "station", "results", "history"};
// The options whose files must be told apart: two of them naming one file would write over
// each other, or over the sequence.
constexpr const char *kFiles[] = {"run", "station", "report", "log"};

// A file by where it is, however it was named: through a link, "./", "..".
QString SameFileKey(const QString &path) {
  const QFileInfo file(path);
  if (file.exists())
    return file.canonicalFilePath();
  const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
  return folder.isEmpty() ? file.absoluteFilePath() : folder + QLatin1Char('/') + file.fileName();
}

// --help: the parser's text, with the usage line ours (the parser names the program by its
// path) and the exit status last.
QString HelpText(const QCommandLineParser &parser) {
  QString text = parser.helpText();
  text.replace(0, text.indexOf(QLatin1Char('\n')),
               CommandLine::tr("Usage: %1 [options]").arg(kToolName));
  text += QLatin1Char('\n') + CommandLine::tr("Exit status:") + QLatin1Char('\n');
  for (const ExitCodeMeaning &e : kExitCodes)
    text += QStringLiteral("  %1  %2\n")
                .arg(QString::number(int(e.code)), -3)
                .arg(QCoreApplication::translate("ExitCode", e.meaning));
  return text;
}

QString PortList() {
  const QList<SerialPortEntry> ports = SystemPorts();
  QString text = ports.isEmpty() ? CommandLine::tr("No serial ports found.\n") : QString();
  for (const SerialPortEntry &e : ports)
    text += DescribeEntry(e) + QLatin1Char('\n');
  return text;
}
} // namespace

CommandLine ParseCommandLine(const QStringList &arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      CommandLine::tr("Bench tool for a VFD (vacuum fluorescent display) on an RS-232 line."));
  for (const OptionRow &row : kOptions) {
    QStringList names{QLatin1String(row.name)};
    if (row.shortName)
      names.prepend(QLatin1String(row.shortName));
    QCommandLineOption option(names, row.help ? CommandLine::tr(row.help) : QString(),
                              row.value ? QLatin1String(row.value) : QString());
    if (!row.help)
      option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  auto isSet = [&parser](const char *name) { return parser.isSet(QLatin1String(name)); };
  auto value = [&parser](const char *name) { return parser.value(QLatin1String(name)); };
  auto values = [&parser](const char *name) { return parser.values(QLatin1String(name)); };

  CommandLine result;
  const QString program = QLatin1String(kToolName);
  auto finish = [&result](int code, const QString &out, const QString &err = {}) {
    result.finished = true;
    result.exitCode = code;
    result.out = out;
    result.err = err;
    return result;
  };
  // A wrong command line ends the program with the problem and a pointer to --help.
  auto usage = [&](const QString &problem) {
    return finish(kRunBadInput, {},
                  CommandLine::tr("%1: %2\nTry '%1 --help'.\n").arg(program, problem));
  };
  if (!parser.parse(arguments))
    return usage(parser.errorText());
  if (!parser.positionalArguments().isEmpty())
    return finish(kRunBadInput, {},
                  CommandLine::tr("%1: unexpected argument '%2'\nTry '%1 --help'.\n")
                      .arg(program, parser.positionalArguments().constFirst()));
  if (isSet("help"))
    return finish(kRunPassed, HelpText(parser));
  if (isSet("version"))
    return finish(kRunPassed, QStringLiteral("%1 %2\n").arg(program, kToolVersion));
  if (isSet("list-ports"))
    return finish(kRunPassed, PortList());
  result.results = value("results");
  if (QString problem; !ParseResultsTarget(ResultsWhere(result.results), &problem))
    return usage(QStringLiteral("--results %1").arg(problem));
  result.history = value("history");
  result.resultsStatus = isSet("results-status");
  if (isSet("yield")) {
    result.yield = YieldCommand{result.results, value("since"),    value("until"),
                                value("sequence"), value("station"), value("device"),
                                value("html"),     value("json")};
    return result;
  }
  for (const char *name : {"since", "until", "sequence", "device", "html", "json"})
    if (isSet(name))
      return usage(CommandLine::tr("--%1 goes with --yield").arg(name));
  for (const char *name : kNamed)
    for (const QString &named : values(name))
      if (named.trimmed().isEmpty())
        return usage(CommandLine::tr("--%1 needs a name, not an empty one").arg(name));
  for (const QString &list : values("com1"))
    for (const QString &device : list.split(QLatin1Char(','))) {
      if (device.trimmed().isEmpty())
        return usage(CommandLine::tr("--com1 %1: a device name is empty").arg(list));
      for (const QString &named : std::as_const(result.rack)) {
        if (SameDevice(named, device))
          return usage(CommandLine::tr("--com1 %1 is named twice").arg(device));
        // The short name heads a device's lines, names its log and its reports' parts.
        if (ShortName(named) == ShortName(device))
          return usage(CommandLine::tr("--com1 %1 and %2 share the short name %3")
                           .arg(named, device, ShortName(device)));
      }
      result.rack << device;
    }
  for (const QString &assignment : values("set")) {
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    const qsizetype at = assignment.left(eq).indexOf(QLatin1Char('@'));
    if (eq <= 0 || at == 0)
      return usage(CommandLine::tr("--set %1: expected NAME=VALUE").arg(assignment));
    if (at < 0) {
      result.run.variables.insert(assignment.left(eq), assignment.mid(eq + 1));
      continue;
    }
    const QString device = assignment.mid(at + 1, eq - at - 1);
    bool named = false;
    for (const QString &d : std::as_const(result.rack))
      named = named || ShortName(d) == device;
    if (!named)
      return usage(CommandLine::tr("--set %1: --com1 names no device %2").arg(assignment, device));
    result.perDevice[device].insert(assignment.left(at), assignment.mid(eq + 1));
  }
  result.devices = {result.rack.value(0), value("com2")};
  // One device: its own values are simply the run's.
  if (result.rack.size() == 1)
    for (auto it = result.perDevice.cbegin(); it != result.perDevice.cend(); ++it)
      result.run.variables.insert(it.value());
  result.station = value("station");
  result.run.rackMember = isSet("rack-member");
  result.logFile = value("log");
  result.reopen = !isSet("no-reopen");
  result.run.file = value("run");
  result.run.results = result.results;
  result.run.reports = values("report");
  result.run.keepGoing = isSet("keep-going");
  if (isSet("repeat")) {
    bool ok = false;
    result.run.repeat = value("repeat").toInt(&ok);
    if (!ok || result.run.repeat < 1)
      return usage(CommandLine::tr("--repeat needs a whole number of at least 1"));
  }
  if (!result.run.file.isEmpty() && !result.station.isEmpty())
    return usage(CommandLine::tr("--run and --station do not go together"));
  if (result.run.file.isEmpty() && (isSet("repeat") || isSet("keep-going") || isSet("report") ||
                                    (isSet("set") && result.station.isEmpty())))
    return usage(CommandLine::tr("--repeat, --keep-going, --report and --set go with --run"));
  // Found now, not after the run has sent its bytes.
  if (!result.logFile.isEmpty())
    if (const QString problem = LogFileProblem(result.logFile); !problem.isEmpty())
      return usage(QStringLiteral("--log %1").arg(problem));
  QList<std::pair<QString, QString>> files;
  for (const char *name : kFiles)
    for (const QString &path : values(name))
      files.append({QStringLiteral("--%1 %2").arg(name, path), SameFileKey(path)});
  for (qsizetype i = 0; i < files.size(); ++i)
    for (qsizetype j = 0; j < i; ++j)
      if (files[i].second == files[j].second)
        return usage(
            CommandLine::tr("%1 and %2 name the same file").arg(files[j].first, files[i].first));
  for (const QString &path : result.run.reports) {
    QString problem = ReportProblem(path);
    if (problem.isEmpty() && !FormOf(path))
      problem = CommandLine::tr("%1: the suffix names the form: .xml, .json or .jsonl").arg(path);
    if (!problem.isEmpty())
      return usage(QStringLiteral("--report %1").arg(problem));
  }
  return result;
}
