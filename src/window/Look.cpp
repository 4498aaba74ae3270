#include "Look.h"

#include "Platform.h"
#include "ui_Unit1.h"

#include <QApplication>

void ApplyLook(QWidget *form, Ui::TrdCom *ui) {
  // A designer file can name font families but not pixel heights or system colour roles.
  QFont::insertSubstitutions(QStringLiteral("新細明體"), MingFaceSubstitutes());
  for (QWidget *w :
       {form, static_cast<QWidget *>(ui->Com_State), static_cast<QWidget *>(ui->Com_State1),
        static_cast<QWidget *>(ui->Memo2), static_cast<QWidget *>(ui->rdCOM)}) {
    QFont font = w->font();
    font.setPixelSize(kFontPixels);
    if (w == ui->Memo2) {
      // Latin and Han text needs no OpenType shaping or kerning, and a stream is laid out
      // many times a second; the same glyphs stand at the same places without them.
      font.setStyleStrategy(QFont::PreferNoShaping);
      font.setKerning(false);
    }
    w->setFont(font);
  }
  const QPalette system = QApplication::palette();
  const QColor navy(0, 0, 128);
  // Navy for what can be used; a disabled control keeps the platform's greyed-out look.
  QPalette navyText = form->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive})
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      navyText.setColor(group, role, navy);
  form->setPalette(navyText);
  // The group titles sit on the frame. A style sheet on a group decides its items' colour
  // and size as well, so they are named here rather than inherited.
  const QString groupLook =
      QStringLiteral("QGroupBox { color: %1; border: 1px solid palette(mid); border-radius: 2px;"
                     " margin-top: 6px; }"
                     "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"
                     "QRadioButton { color: %1; font-size: %2px; }")
          .arg(navy.name())
          .arg(kFontPixels);
  for (QWidget *group : {ui->rdCOM, ui->rdBaudrate})
    group->setStyleSheet(groupLook);

  // The send field is one text line high; the default margin would cut that line off.
  ui->Memo1->document()->setDocumentMargin(1);
  QPalette memo = ui->Memo2->palette();
  memo.setColor(QPalette::Text, system.color(QPalette::Text));
  ui->Memo2->setPalette(memo);
  for (QLabel *label : {ui->Com_State, ui->Com_State1}) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, system.color(QPalette::WindowText));
    label->setPalette(p);
  }
  QPalette state = ui->Com_State->palette();
  state.setColor(QPalette::Window, system.color(QPalette::Light));
  ui->Com_State->setPalette(state);
}
