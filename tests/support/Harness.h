// Reaching into the window the way an operator does: by control name.
#pragma once

#include "ReceiveMemo.h"
#include "Unit1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTimer>

template <class T> T *Control(const QWidget *form, const char *name) {
  return form->findChild<T *>(QLatin1String(name));
}
inline QPushButton *Button(const QWidget *form, const char *name) {
  return Control<QPushButton>(form, name);
}
inline QString LabelText(const QWidget *form, const char *name) {
  return Control<QLabel>(form, name)->text();
}
inline QString MemoText(const QWidget *form, const char *name = "Memo2") {
  if (auto *memo = Control<TReceiveMemo>(form, name))
    return memo->text();
  return Control<QPlainTextEdit>(form, name)->toPlainText();
}
inline void Click(const QWidget *form, const char *name) { Button(form, name)->click(); }
inline void Choose(const QWidget *form, const char *radioName) {
  Control<QRadioButton>(form, radioName)->setChecked(true);
}
// The enabled flags of the buttons the port state governs, in a fixed order:
// Code Build, ASCII Demo, Open, Initial VFD, eEND, Clear VFD.
inline QString ButtonStates(const QWidget *form) {
  QString s;
  for (const char *name : {"Button1", "Button2", "Button4", "Button8", "Button9", "Clear_VFD"})
    s += Button(form, name)->isEnabled() ? QLatin1Char('E') : QLatin1Char('D');
  return s;
}

// Hands the next modal dialog of type T to answer once it is up; looks every 20 ms, for
// five seconds at the most.
template <class T, class Answer> void AnswerModal(Answer answer) {
  auto *timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      answer(dialog);
    }
  });
  QTimer::singleShot(5000, timer, &QObject::deleteLater);
  timer->start(20);
}
