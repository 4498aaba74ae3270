// Which device "COM 1" and "COM 2" stand for: chosen in the window, remembered, named on
// the command line or in the environment.
#include "CommandLine.h"
#include "ExitCode.h"
#include "Harness.h"
#include "LineMonitor.h"
#include "PortMenu.h"
#include "PtyDevice.h"
#include "Translations.h"

#include <QGroupBox>
#include <QInputDialog>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QList<SerialPortEntry> gPorts;
QString gSettingsFile;

// The window's session keeps its choices in the test's own file and lists gPorts.
SessionOptions Options() {
  SessionOptions options;
  options.settingsFile = gSettingsFile;
  options.listPorts = [] { return gPorts; };
  return options;
}
// What a run finds saved.
PortBindings Saved(const QStringList &commandLine = {}) {
  return PortBindings(commandLine, gSettingsFile, [] { return gPorts; });
}

QAction *FindAction(QMenu *menu, const QString &startsWith) {
  for (QAction *a : menu->actions())
    if (a->text().startsWith(startsWith))
      return a;
  return nullptr;
}

// Picks a menu entry of one port item, as a right-click and a click would.
void Pick(TrdCom &form, int item, const QString &startsWith) {
  QMenu menu;
  form.portMenu()->fill(&menu, item);
  QAction *a = FindAction(&menu, startsWith);
  QVERIFY2(a, qPrintable(startsWith));
  a->trigger();
}

// Answers the next text prompt with text (or cancels it) once it is shown.
void AnswerPrompt(const QString &text, bool accept) {
  AnswerModal<QInputDialog>([=](QInputDialog *dialog) {
    dialog->setTextValue(text);
    accept ? dialog->accept() : dialog->reject();
  });
}

QString SettingsFile(const QTemporaryDir &dir) {
  return dir.filePath(QStringLiteral("glow-panel.ini"));
}
} // namespace

class BindingTest : public QObject {
  Q_OBJECT
  QTemporaryDir config_;

private slots:
  void initTestCase();
  void init();
  void menuChoiceOpensAndIsRemembered();
  void otherDeviceByName_data();
  void otherDeviceByName();
  void precedence_data();
  void precedence();
  void damagedSettingsStartWithDefaults_data();
  void damagedSettingsStartWithDefaults();
  void missingSavedDeviceExplainsAndIsKept();
  void settingsThatCannotBeKept_data();
  void settingsThatCannotBeKept();
  void commandLine_data();
  void commandLine();
  void manualGivesEveryExitCode();
  void windowsNamesAsTheOperatorKnowsThem_data();
  void windowsNamesAsTheOperatorKnowsThem();
  void operatorsLanguage_data();
  void operatorsLanguage();
};

void BindingTest::initTestCase() {
  QVERIFY(config_.isValid());
  gSettingsFile = SettingsFile(config_);
}

void BindingTest::init() {
  QFile::remove(SettingsFile(config_));
  qunsetenv("GLOW_PANEL_COM1");
  qunsetenv("GLOW_PANEL_COM2");
  gPorts.clear();
}

void BindingTest::menuChoiceOpensAndIsRemembered() {
  PtyDevice device;
  REQUIRE_DEVICE(device);
  gPorts = {{device.path(), "FT232R USB UART", "FTDI", "A50285BI", 0x0403, 0x6001},
            {"/dev/glow-panel-other", "", "", "", 0, 0}};
  {
    TrdCom form(Options());
    auto *item = Control<QRadioButton>(&form, "rdCOM_1");
    QVERIFY(item->toolTip().startsWith("COM 2: /dev/ttyS1"));
    QVERIFY(item->toolTip().contains("Default"));
    Pick(form, 1, device.path());
    QCOMPARE(item->toolTip(),
             QStringLiteral("COM 2: %1 (FT232R USB UART, FTDI, serial A50285BI, USB 0403:6001)\n"
                            "Saved choice; right-click to choose another device.")
                 .arg(device.path()));
  }
  // A new run finds the choice again, and it reaches the device.
  TrdCom form(Options());
  QMenu menu;
  form.portMenu()->fill(&menu, 1);
  QVERIFY(FindAction(&menu, device.path())->isChecked());
  QVERIFY(!FindAction(&menu, "Default")->isChecked());
  Choose(&form, "rdCOM_1");
  Click(&form, "Button4");
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("開啟通訊埠成功!!"));
  device.send("OK\r\n");
  QTRY_COMPARE(MemoText(&form), QStringLiteral("OK\n"));

  // Default forgets the choice.
  Pick(form, 1, "Default");
  QCOMPARE(Saved().binding(1).device, QStringLiteral("/dev/ttyS1"));
}

void BindingTest::otherDeviceByName_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("accept");
  QTest::addColumn<bool>("bound");
  QTest::newRow("path with space and non-ASCII") << "port 嵐 ü" << true << true;
  QTest::newRow("left empty") << "  " << true << false;
  QTest::newRow("cancelled") << "port 嵐 ü" << false << false;
}

void BindingTest::otherDeviceByName() {
  QFETCH(QString, typed);
  QFETCH(bool, accept);
  QFETCH(bool, bound);
  PtyDevice device;
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("port 嵐 ü"));
  QVERIFY(QFile::link(device.path(), link));
  TrdCom form(Options());
  AnswerPrompt(typed.trimmed().isEmpty() ? typed : link, accept);
  Pick(form, 0, "Other device");
  QCOMPARE(Saved().binding(0).device, bound ? link : QStringLiteral("/dev/ttyS0"));
  if (!bound)
    return;
  Click(&form, "Button4");
  QVERIFY(PortIsOpen());
  device.send("hi");
  QTRY_COMPARE(MemoText(&form), QStringLiteral("hi"));
}

void BindingTest::precedence_data() {
  QTest::addColumn<QString>("commandLine");
  QTest::addColumn<QString>("environment");
  QTest::addColumn<QString>("saved");
  QTest::addColumn<QString>("device");
  QTest::addColumn<int>("source");
  const int line = int(BindingSource::CommandLine), env = int(BindingSource::Environment),
            saved = int(BindingSource::Saved), none = int(BindingSource::Default);
  QTest::newRow("all three") << "/dev/a"
                             << "/dev/b"
                             << "/dev/c"
                             << "/dev/a" << line;
  QTest::newRow("environment and saved") << ""
                                         << "/dev/b"
                                         << "/dev/c"
                                         << "/dev/b" << env;
  QTest::newRow("saved only") << ""
                              << ""
                              << "/dev/c"
                              << "/dev/c" << saved;
  QTest::newRow("nothing") << ""
                           << ""
                           << "" << PortBindings::defaultDevice(0) << none;
}

void BindingTest::precedence() {
  QFETCH(QString, commandLine);
  QFETCH(QString, environment);
  QFETCH(QString, saved);
  QFETCH(QString, device);
  QFETCH(int, source);
  if (!saved.isEmpty())
    Saved().choose(0, saved);
  if (!environment.isEmpty())
    qputenv("GLOW_PANEL_COM1", environment.toLocal8Bit());
  PortBindings bindings = Saved({commandLine, QString()});
  QCOMPARE(bindings.binding(0).device, device);
  QCOMPARE(int(bindings.binding(0).source), source);
  // Whatever named it, a choice in the window is what counts from then on.
  bindings.choose(0, "/dev/d");
  QCOMPARE(bindings.binding(0).device, QStringLiteral("/dev/d"));
}

void BindingTest::damagedSettingsStartWithDefaults_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::newRow("not a settings file") << QByteArray("\x00\xff\xfe[[[=\n\x01\x02", 10);
  QTest::newRow("a list, not a name") << QByteArray("[ports]\nCOM1=a, b\n");
  QTest::newRow("control characters") << QByteArray("[ports]\nCOM1=\"/dev/tty\\x1b[2J\"\n");
  QTest::newRow("empty name") << QByteArray("[ports]\nCOM1=\n");
}

void BindingTest::damagedSettingsStartWithDefaults() {
  QFETCH(QByteArray, content);
  QDir().mkpath(QFileInfo(SettingsFile(config_)).path());
  QFile file(SettingsFile(config_));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
  file.close();
  TrdCom form(Options());
  QCOMPARE(Saved().binding(0).device, PortBindings::defaultDevice(0));
  // The next choice writes a good file.
  Saved().choose(0, "/dev/ttyUSB0");
  QCOMPARE(Saved().binding(0).device, QStringLiteral("/dev/ttyUSB0"));
}

void BindingTest::missingSavedDeviceExplainsAndIsKept() {
  gPorts = {{"/dev/ttyS0", "", "", "", 0, 0},
            {"/dev/ttyUSB3", "CP2102", "Silicon Labs", "", 0x10c4, 0xea60}};
  Saved().choose(0, "/dev/glow-panel-unplugged");
  TrdCom form(Options());
  QVERIFY(Control<QRadioButton>(&form, "rdCOM_0")->toolTip().contains("(not present)"));
  Click(&form, "Button4");
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("開啟通訊埠錯誤!!"));
  const QString tip = Control<QLabel>(&form, "Com_State")->toolTip();
  QVERIFY2(tip.contains("/dev/glow-panel-unplugged: "), qPrintable(tip));
  QVERIFY2(tip.contains("/dev/ttyUSB3 (CP2102, Silicon Labs, USB 10c4:ea60)"), qPrintable(tip));
  QVERIFY2(tip.contains("Right-click"), qPrintable(tip));
  QCOMPARE(Saved().binding(0).device, QStringLiteral("/dev/glow-panel-unplugged"));
}

void BindingTest::settingsThatCannotBeKept_data() {
  QTest::addColumn<bool>("folder");
  QTest::addColumn<QString>("said");
  QTest::newRow("cannot be written") << false << "cannot be written";
  QTest::newRow("cannot be read") << true << "cannot be read (";
}

void BindingTest::settingsThatCannotBeKept() {
  QFETCH(bool, folder);
  QFETCH(QString, said);
  // As root every file can be written: a path through a file cannot, and a folder cannot
  // be read as a file.
  QTemporaryDir dir;
  SessionOptions options = Options();
  options.settingsFile = folder ? dir.path() : QStringLiteral("/dev/null/glow-panel.ini");
  TrdCom form(options);
  auto *item = Control<QRadioButton>(&form, "rdCOM_0");
  if (folder) {
    // The choice could be anything: no device stands in for it.
    QVERIFY2(item->toolTip().contains("unknown device"), qPrintable(item->toolTip()));
    QCOMPARE(form.session()->bindings().binding(0).device, QString());
  } else {
    AnswerPrompt("/dev/ttyUSB9", true);
    Pick(form, 0, "Other device");
    QCOMPARE(form.session()->bindings().binding(0).device, QStringLiteral("/dev/ttyUSB9"));
  }
  const QString tip = Control<QLabel>(&form, "Com_State")->toolTip();
  QVERIFY2(tip.contains(said) && tip.contains(options.settingsFile), qPrintable(tip));
  const QString rows = form.lineMonitor()->text();
  QVERIFY2(rows.contains("-- settings: ") && rows.contains(options.settingsFile), qPrintable(rows));
}

void BindingTest::commandLine_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("out");
  QTest::addColumn<QString>("err");
  QTest::newRow("help") << QStringList{"--help"} << 0 << "--com1 <device>"
                        << "";
  QTest::newRow("help names every exit code")
      << QStringList{"--help"} << 0 << "143  asked to terminate (SIGTERM)"
      << "";
  QTest::newRow("two devices that share a short name")
      << QStringList{"--run", "x.seq", "--com1", "/tmp/a/ok,/tmp/b/ok"} << 2 << ""
      << "/tmp/a/ok and /tmp/b/ok share the short name ok";
  QTest::newRow("version") << QStringList{"--version"} << 0 << "glow-panel " GLOW_PANEL_VERSION "\n"
                           << "";
  QTest::newRow("list ports") << QStringList{"--list-ports"} << 0 << ""
                              << "";
  QTest::newRow("missing value") << QStringList{"--com1"} << 2 << ""
                                 << "Missing value after '--com1'";
  QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << 2 << ""
                                  << "Unknown option 'baud'";
  QTest::newRow("a variable without its value")
      << QStringList{"--run", "x.seq", "--set", "serial"} << 2 << ""
      << "--set serial: expected NAME=VALUE";
  QTest::newRow("a report of no known form")
      << QStringList{"--run", "x.seq", "--report", "r.txt"} << 2 << ""
      << "the suffix names the form";
  QTest::newRow("a device named twice")
      << QStringList{"--run", "x.seq", "--com1", "/dev/ttyS0,/tmp/a", "--com1", "/dev/ttyS0"} << 2
      << ""
      << "--com1 /dev/ttyS0 is named twice";
  QTest::newRow("a value for a device not in the rack")
      << QStringList{"--run", "x.seq", "--com1", "/dev/ttyS0,/dev/ttyS1", "--set", "sn@ttyS2=1"}
      << 2 << ""
      << "--set sn@ttyS2=1: --com1 names no device ttyS2";
  QTest::newRow("a board and a run")
      << QStringList{"--run", "x.seq", "--station", "x.seq"} << 2 << ""
      << "--run and --station do not go together";
  QTest::newRow("stray argument") << QStringList{"/dev/ttyUSB0"} << 2 << ""
                                  << "unexpected argument '/dev/ttyUSB0'";
}

void BindingTest::commandLine() {
  QFETCH(QStringList, arguments);
  QFETCH(int, exitCode);
  QFETCH(QString, out);
  QFETCH(QString, err);
  // The real program, with no display to open: none of these may need one.
  QProcess tool;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.insert("QT_QPA_PLATFORM", "xcb");
  tool.setProcessEnvironment(env);
  tool.start(QStringLiteral(GLOW_PANEL_BINARY), arguments);
  QVERIFY(tool.waitForFinished(10000));
  QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
  QCOMPARE(tool.exitCode(), exitCode);
  const QString stdOut = QString::fromLocal8Bit(tool.readAllStandardOutput());
  const QString stdErr = QString::fromLocal8Bit(tool.readAllStandardError());
  // The help wraps its lines where it likes.
  QVERIFY2(stdOut.contains(out) || stdOut.simplified().contains(out), qPrintable(stdOut));
  QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
  if (arguments == QStringList{"--list-ports"})
    QVERIFY(!stdOut.isEmpty());
}

void BindingTest::manualGivesEveryExitCode() {
  // Under Wine the source tree is a Unix path the program cannot open as written.
  if (QSysInfo::productType() == QLatin1String("windows"))
    QSKIP("the Linux suite reads the manual page");
  QFile manual(QStringLiteral(GLOW_SOURCE_DIR "/packaging/glow-panel.1.in"));
  QVERIFY(manual.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(manual.readAll());
  const QString status = text.mid(text.indexOf(".SH EXIT STATUS"));
  for (const ExitCodeMeaning &e : kExitCodes) {
    QString meaning = QLatin1String(e.meaning);
    meaning[0] = meaning[0].toUpper();
    const QString entry = QStringLiteral(".B %1\n%2.").arg(int(e.code)).arg(meaning);
    QVERIFY2(status.contains(entry), qPrintable(entry));
  }
}

void BindingTest::windowsNamesAsTheOperatorKnowsThem_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("known");
  QTest::newRow("lower case, two digits") << "com12"
                                          << "COM12";
  QTest::newRow("device path") << "\\\\.\\COM3"
                               << "COM3";
  QTest::newRow("device path with slashes") << "//./com4"
                                            << "COM4";
  QTest::newRow("not a COM name") << "CNCA0"
                                  << "CNCA0";
}

void BindingTest::windowsNamesAsTheOperatorKnowsThem() {
  QFETCH(QString, typed);
  QFETCH(QString, known);
  if (PortBindings::defaultDevice(0) != QLatin1String("COM1"))
    QSKIP("COM names are Windows names");
  QVERIFY(SameDevice(typed, known));
  PortBindings bindings = Saved();
  bindings.choose(0, typed);
  QCOMPARE(bindings.binding(0).device, known);
  QCOMPARE(Saved().binding(0).device, known);
}

void BindingTest::operatorsLanguage_data() {
  QTest::addColumn<QString>("locale");
  QTest::addColumn<QString>("otherDevice");
  QTest::addColumn<QString>("noPortsHint");
  QTest::newRow("Taiwan") << "zh_TW"
                          << "其他裝置…"
                          << "目前沒有任何序列埠";
  QTest::newRow("Hong Kong") << "zh_HK"
                             << "其他裝置…"
                             << "目前沒有任何序列埠";
  QTest::newRow("Simplified Chinese") << "zh_CN"
                                      << "Other device…"
                                      << "No serial ports are present";
  QTest::newRow("C") << "C"
                     << "Other device…"
                     << "No serial ports are present";
}

void BindingTest::operatorsLanguage() {
  QFETCH(QString, locale);
  QFETCH(QString, otherDevice);
  QFETCH(QString, noPortsHint);
  // The main window's own, not the line monitor's.
  auto windowTexts = [](const TrdCom &form) {
    QStringList texts;
    for (const QWidget *w : form.findChildren<QWidget *>()) {
      if (w->window() != &form)
        continue;
      if (auto *b = qobject_cast<const QAbstractButton *>(w))
        texts << b->text();
      else if (auto *l = qobject_cast<const QLabel *>(w))
        texts << l->text();
      else if (auto *g = qobject_cast<const QGroupBox *>(w))
        texts << g->title();
    }
    return texts;
  };
  const QStringList english = windowTexts(TrdCom(Options()));

  InstallTranslations(QLocale(locale));
  qputenv("GLOW_PANEL_COM1", "/dev/glow-panel-none");
  TrdCom form(Options());
  const QStringList texts = windowTexts(form);
  QMenu menu;
  form.portMenu()->fill(&menu, 0);
  const bool offered = FindAction(&menu, otherDevice);
  Click(&form, "Button4");
  const QString hint = Control<QLabel>(&form, "Com_State")->toolTip();
  InstallTranslations(QLocale::c());

  QVERIFY(offered);
  QVERIFY2(hint.contains(noPortsHint), qPrintable(hint));
  // The window's own texts are the same in every language.
  QCOMPARE(texts, english);
}

QTEST_MAIN(BindingTest)
#include "tst_binding.moc"
