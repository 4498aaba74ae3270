// Start-up: the application, the one window, the event loop.
#include "Unit1.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  try {
    TrdCom form;
    rdCom = &form;
    form.show();
    app.exec();
    rdCom = nullptr;
  } catch (const std::exception &e) {
    rdCom = nullptr;
    QMessageBox::critical(nullptr, QStringLiteral("GLOW_PANEL"), QString::fromLocal8Bit(e.what()));
  }
  return 0;
}
