#pragma once

#include "filedialog.h"
#include "frmzolprint.h"
#include "keyvaluestore.h"
#include "pageprinter.h"
#include "portlister.h"
#include "portnumbering.h"
#include "programlauncher.h"
#include "registry.h"

class QSettings;

namespace zol {

// What ZOLprint's window takes from the real system, beside the port and the
// message boxes, which the program and the benchmark each choose for
// themselves. What the user's own settings keep goes into the store given.
class SystemServices
{
public:
    explicit SystemServices(QSettings &userStore);

    PortNumbering &portNumbering() { return m_portNumbering; }
    ReaderServices forWindow(SerialPort &serialPort, MessageBoxes &messageBoxes,
                             const QString &settingsPath);

private:
    // The COM numbers given to adapters, and the files last opened or saved,
    // live in the user's own settings: zolprint.ini stays the two lines that
    // every copy of the program reads.
    SettingsStore m_portStore;
    SettingsStore m_recentStore;
    PortNumbering m_portNumbering;
    SystemPortLister m_portLister;
    QtFileDialog m_fileDialog;
    QtPagePrinter m_printer;
    SystemRegistry m_registry;
    QtProgramLauncher m_launcher;
};

} // namespace zol
