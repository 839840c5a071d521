#pragma once

#include <QString>

class QCoreApplication;

namespace zol {

// Puts everything Qt and the shared parts write into the program's language:
// the reasons of the language tables (reasonTexts()), and Qt's own catalogs
// (standard buttons, the file dialog, the serial port's reasons) wherever
// Qt has one for that language. Looks beside the program first (a deployed
// Windows copy), then in Qt's translations folder. Returns false when Qt's
// base catalog was not found; the program then carries on with Qt's English.
bool installQtTranslations(QCoreApplication &app, qint16 language);

} // namespace zol
