// The window's look beyond what its designer file can hold: font heights in pixels, the
// Ming face's stand-ins, navy text, framed radio groups, and the system colours of the
// receive box and the status labels.
#pragma once

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QWidget;
namespace Ui {
class TrdCom;
}
QT_END_NAMESPACE

// The window's fonts, in pixels as it was designed (96 pixels to the inch).
constexpr int kFontPixels = 13;

void ApplyLook(QWidget *form, Ui::TrdCom *ui);
