#include "systemservices.h"

using namespace Qt::StringLiterals;

namespace zol {

SystemServices::SystemServices(QSettings &userStore)
    : m_portStore(userStore, u"ComPorts"_s), m_recentStore(userStore, u"RecentFiles"_s),
      m_portNumbering(m_portStore)
{}

ReaderServices SystemServices::forWindow(SerialPort &serialPort, MessageBoxes &messageBoxes,
                                         const QString &settingsPath)
{
    return ReaderServices{.serialPort = serialPort,
                          .messageBoxes = messageBoxes,
                          .fileDialog = m_fileDialog,
                          .printer = m_printer,
                          .registry = m_registry,
                          .launcher = m_launcher,
                          .portLister = m_portLister,
                          .portNumbering = m_portNumbering,
                          .recentFiles = m_recentStore,
                          .settingsPath = settingsPath};
}

} // namespace zol
