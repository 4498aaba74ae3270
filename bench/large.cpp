#include "Bench.h"
#include "Groups.h"
#include "ReceiveMemo.h"

#include <QClipboard>
#include <QElapsedTimer>

// A memo holding 100 MB of text: Clear and typing into the send field stay prompt.
void LargeMemoGroup() {
  OpenTool tool;
  auto *memo = Control<TReceiveMemo>(&tool.form, "Memo2");
  const qint64 total = gQuick ? 20000000 : 100000000;
  QString chunk;
  for (qint64 n = 0; chunk.size() < 65536; ++n)
    chunk += QString::fromLatin1(NumberedLine(n).chopped(2)) + QLatin1Char('\n');
  for (qint64 filled = 0; filled < total; filled += chunk.size()) {
    memo->appendText(chunk);
    QCoreApplication::processEvents();
  }
  RunFor(200);
  auto *field = Control<QPlainTextEdit>(&tool.form, "Memo1");
  field->setFocus();
  std::vector<double> keyMs;
  for (int i = 0; i < 20; ++i) {
    QElapsedTimer t;
    t.start();
    QTest::keyClick(field, Qt::Key_A);
    field->viewport()->repaint();
    keyMs.push_back(double(t.nsecsElapsed()) / 1e6);
    RunFor(20);
  }
  // Select All and Copy: the whole text leaves the store once, for the clipboard.
  QElapsedTimer copying;
  copying.start();
  memo->selectWholeText();
  memo->copySelection();
  const double copyMs = double(copying.nsecsElapsed()) / 1e6;
  const qsizetype copied = QApplication::clipboard()->text().size();
  const bool whole = copied == memo->textStore().size();
  QApplication::clipboard()->clear();
  Report(QStringLiteral("Memo holding %1 MB: Select All and Copy").arg(total / 1000000),
         "< 2 s, every character",
         QStringLiteral("%1 for %2 characters%3")
             .arg(Ms(copyMs))
             .arg(copied)
             .arg(whole ? QString() : QStringLiteral(" (NOT all of them)")),
         whole && copyMs < 2000);
  QElapsedTimer t;
  t.start();
  Click(&tool.form, "Button7");
  memo->viewport()->repaint();
  const double clearMs = double(t.nsecsElapsed()) / 1e6;
  const bool cleared = memo->text().isEmpty();
  const double keyMax = Percentile(keyMs, 1.0);
  Report(QStringLiteral("Memo holding %1 MB: a key typed into the send field shows")
             .arg(total / 1000000),
         "< 50 ms", QStringLiteral("median %1, max %2").arg(Ms(Percentile(keyMs, 0.5)), Ms(keyMax)),
         keyMax < 50);
  Report(QStringLiteral("Memo holding %1 MB: Clear takes effect").arg(total / 1000000), "< 200 ms",
         Ms(clearMs) + (cleared ? QString() : QStringLiteral(" (NOT cleared)")),
         cleared && clearMs < 200);
}
