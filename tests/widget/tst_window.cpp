// The window as the operator first sees it, and the two buttons that act on it alone.
#include "Harness.h"

#include "PtyDevice.h"
#include "Startup.h"

#include <QGroupBox>
#include <QMessageBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

namespace {
// Whether any pixel of the text part of a control is drawn in navy.
bool ShowsNavy(const QImage &shot, QWidget *control) {
  QRect area = control->rect();
  if (auto *radio = qobject_cast<QRadioButton *>(control)) {
    // The indicator has its own colours; only the caption counts.
    QStyleOptionButton option;
    option.initFrom(radio);
    area = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
  }
  area.translate(control->mapTo(control->window(), QPoint(0, 0)));
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      if (c.red() < 40 && c.green() < 40 && c.blue() > 90)
        return true;
    }
  return false;
}
} // namespace

class WindowTest : public QObject {
  Q_OBJECT
private slots:
  void startsClosedWithDisplayButtonsGreyed();
  void controlsStandWhereDrawn_data();
  void controlsStandWhereDrawn();
  void textsUseTheirFonts_data();
  void textsUseTheirFonts();
  void captionsShowWhetherPressable();
  void tabVisitsEachControlOnce();
  void clearEmptiesReceiveMemo();
  void exitClosesWindow();
  void escapedErrorsAreShown_data();
  void escapedErrorsAreShown();
};

void WindowTest::startsClosedWithDisplayButtonsGreyed() {
  TrdCom form;
  QCOMPARE(form.windowTitle(), QStringLiteral("GLOW_PANEL"));
  QCOMPARE(form.size(), QSize(564, 426));
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("通訊埠關閉"));
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral(">"));
  QVERIFY(Control<QRadioButton>(&form, "rdCOM_0")->isChecked());
  QVERIFY(Control<QRadioButton>(&form, "rdBaudrate_2")->isChecked());
  QCOMPARE(ButtonStates(&form), QStringLiteral("EDEDDD"));
  for (const char *always : {"Button3", "Button5", "Button6", "Button7"})
    QVERIFY2(Button(&form, always)->isEnabled(), always);
  QCOMPARE(MemoText(&form), QString());
  QCOMPARE(LabelText(&form, "Label1"), QStringLiteral("[                     ]"));
}

void WindowTest::controlsStandWhereDrawn_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QRect>("geometry");
  auto row = [](const char *name, const char *caption, QRect r) {
    QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption) << r;
  };
  row("Button1", "Code Build", {451, 250, 90, 30});
  row("Button2", "ASCII Demo", {16, 216, 81, 25});
  row("Memo1", "", {16, 136, 177, 21});
  row("Memo2", "", {264, 14, 169, 315});
  row("Button3", "Exit", {451, 326, 90, 30});
  row("rdCOM", "Com Port", {16, 8, 89, 57});
  row("Button4", "開啟 Com Port", {16, 72, 97, 21});
  row("Button5", "關閉 Com Port", {16, 104, 97, 20});
  row("Button6", "SEND", {192, 136, 58, 21});
  row("Button7", "Clear", {448, 107, 97, 30});
  row("Button8", "Initial VFD", {16, 176, 70, 25});
  row("Button9", "eEND", {131, 326, 70, 19});
  row("Clear_VFD", "Clear VFD", {96, 176, 73, 25});
  row("rdBaudrate", "Baudrate", {112, 8, 89, 57});
  // Labels size themselves; only where they start is fixed.
  row("Com_State", "通訊埠關閉", {122, 77, -1, -1});
  row("Com_State1", ">", {120, 104, -1, -1});
  row("Label20", "測試v0.01版", {456, 400, -1, -1});
  row("Label1", "[                     ]", {104, 224, -1, -1});
}

void WindowTest::controlsStandWhereDrawn() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QRect, geometry);
  TrdCom form;
  QWidget *w = form.findChild<QWidget *>(name);
  QVERIFY(w);
  QCOMPARE(w->pos(), geometry.topLeft());
  if (geometry.width() > 0)
    QCOMPARE(w->size(), geometry.size());
  else
    QVERIFY(w->width() >= w->sizeHint().width());
  if (auto *b = qobject_cast<QAbstractButton *>(w))
    QCOMPARE(b->text(), caption);
  else if (auto *l = qobject_cast<QLabel *>(w))
    QCOMPARE(l->text(), caption);
  else if (auto *g = qobject_cast<QGroupBox *>(w))
    QCOMPARE(g->title(), caption);
}

void WindowTest::textsUseTheirFonts_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("family");
  QTest::addColumn<QColor>("colour");
  const QColor navy(0, 0, 128);
  const QColor plain = QApplication::palette().color(QPalette::WindowText);
  QTest::newRow("window default") << "Button4"
                                  << "Arial" << navy;
  QTest::newRow("port status") << "Com_State" << QStringLiteral("新細明體") << plain;
  QTest::newRow("settings status") << "Com_State1" << QStringLiteral("新細明體") << plain;
  QTest::newRow("port group") << "rdCOM"
                              << "Trebuchet MS" << navy;
  QTest::newRow("port item") << "rdCOM_1"
                             << "Trebuchet MS" << navy;
  QTest::newRow("speed item") << "rdBaudrate_1"
                              << "Arial" << navy;
  QTest::newRow("version") << "Label20"
                           << "Arial" << navy;
}

void WindowTest::textsUseTheirFonts() {
  QFETCH(QString, name);
  QFETCH(QString, family);
  QFETCH(QColor, colour);
  TrdCom form;
  QWidget *w = form.findChild<QWidget *>(name);
  w->ensurePolished();
  QCOMPARE(w->font().family(), family);
  QCOMPARE(w->font().pixelSize(), 13);
  QCOMPARE(w->palette().color(w->foregroundRole()), colour);
}

void WindowTest::captionsShowWhetherPressable() {
  PtyDevice device;
  device.mapAs("COM1");
  TrdCom form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const char *names[] = {"Button1", "Button2",      "Button4",     "Button8",
                         "Button9", "Clear_VFD",    "Button3",     "rdCOM_0",
                         "rdCOM_1", "rdBaudrate_0", "rdBaudrate_2"};
  auto check = [&] {
    const QImage shot = form.grab().toImage();
    for (const char *name : names) {
      QWidget *w = form.findChild<QWidget *>(QLatin1String(name));
      QVERIFY2(ShowsNavy(shot, w) == w->isEnabled(), name);
    }
  };
  check();
  REQUIRE_DEVICE(device);
  Click(&form, "Button4");
  QCOMPARE(ButtonStates(&form), QStringLiteral("DEDEEE"));
  check();
}

void WindowTest::tabVisitsEachControlOnce() {
  TrdCom form;
  form.show();
  QApplication::setActiveWindow(&form);
  QVERIFY(QTest::qWaitForWindowActive(&form));
  Choose(&form, "rdCOM_1");
  Button(&form, "Button1")->setFocus();
  // The receive memo takes Tab as a character, so leave it the way the platform does.
  QStringList visited;
  for (int i = 0; i < 11; ++i) {
    QWidget *at = QApplication::focusWidget();
    visited << at->objectName();
    if (at->objectName() == "Memo2")
      QTest::keyClick(at, Qt::Key_Tab, Qt::ControlModifier);
    else
      QTest::keyClick(at, Qt::Key_Tab);
  }
  QCOMPARE(visited.join(' '), QStringLiteral("Button1 Memo1 Memo2 Button3 rdCOM_1 Button4 Button5 "
                                             "Button6 Button7 rdBaudrate_2 Button1"));
  // Within a group the arrows move the choice.
  Control<QRadioButton>(&form, "rdCOM_1")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  QVERIFY(Control<QRadioButton>(&form, "rdCOM_0")->isChecked());
  QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("rdCOM_0"));
}

void WindowTest::clearEmptiesReceiveMemo() {
  TrdCom form;
  QTest::keyClicks(Control<TReceiveMemo>(&form, "Memo2"), "typed by hand");
  Click(&form, "Button1");
  QVERIFY(!MemoText(&form).isEmpty());
  Click(&form, "Button7");
  QCOMPARE(MemoText(&form), QString());
  QCOMPARE(Control<TReceiveMemo>(&form, "Memo2")->textStore().paragraphCount(), 1);
}

void WindowTest::exitClosesWindow() {
  TrdCom form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Click(&form, "Button3");
  QVERIFY(!form.isVisible());
}

void WindowTest::escapedErrorsAreShown_data() {
  QTest::addColumn<bool>("standard");
  QTest::addColumn<QString>("shown");
  QTest::newRow("standard exception") << true << "out of cheese";
  QTest::newRow("anything else") << false << "unexpected error";
}

void WindowTest::escapedErrorsAreShown() {
  QFETCH(bool, standard);
  QFETCH(QString, shown);
  QString text;
  AnswerModal<QMessageBox>([&text](QMessageBox *box) {
    text = box->text();
    box->accept();
  });
  const int code = RunShowingEscapes([standard] {
    if (standard)
      throw std::runtime_error("out of cheese");
    throw 42;
  });
  QCOMPARE(code, 0);
  QVERIFY2(text.contains(shown), qPrintable(text));
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
