// The operator's language. Every text the tool adds (menus, tooltips, hints, the command
// line) is in English in the code, with a Traditional Chinese translation built in; Qt's
// own texts (the receive box's menu, dialog buttons) follow with Qt's translation. The
// window's own texts are the same in every language and are never translated.
#pragma once

#include <QLocale>

// Traditional Chinese for zh_TW, zh_HK and zh_MO and for Chinese in the Traditional script;
// English for every other locale.
bool WantsTraditionalChinese(const QLocale &locale);

// Puts the translations for this locale into the running application, in place of what an
// earlier call put there.
void InstallTranslations(const QLocale &locale = QLocale::system());
