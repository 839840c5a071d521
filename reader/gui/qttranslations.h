#pragma once

#include <QString>

class QCoreApplication;

namespace zol {

// Loads Qt's own translations (standard buttons, the file dialog) for the
// program's language, so that OK and Cancel speak the language of the menus.
// Looks beside the program first (a deployed Windows copy), then in Qt's
// translations folder. Returns false when none was found; the program then
// carries on with Qt's English.
bool installQtTranslations(QCoreApplication &app, qint16 language);

} // namespace zol
