// A unit's history: every run of the unit with this serial number, oldest first, from a
// store or a server: when, where, on which device, which sequence, the verdict, the step
// that failed and why, and the values it gave.
#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <utility>

struct StoredStep {
  QString file;
  int line = 0;
  QString text;
  QString verdict;
  qint64 ms = 0;
  qint64 replyMs = -1;
  QString message;
};

struct StoredRun {
  QString id;
  QString started;
  qint64 startedMs = 0;
  QString station;
  QString device;
  QString sequence;
  // Empty while the run has not ended (the tool was killed while it ran).
  QString verdict;
  QString reason;
  int passesAsked = 0;
  int passesRun = 0;
  // The first step of the last pass that did not pass, "FILE:LINE" or "line N", and why.
  QString failedStep;
  QString failedMessage;
  // The last pass's values, by name.
  QList<std::pair<QString, QString>> values;
  // The last pass's steps, when asked for.
  QList<StoredStep> steps;
};

// server: the database is a server's, whose text comes back escaped (Delivery.h).
QList<StoredRun> UnitHistory(QSqlDatabase db, const QString &serial, bool withSteps, bool server,
                             QString *problem);
// The history as aligned text, a block a run.
QString HistoryText(const QString &serial, const QList<StoredRun> &runs);
