#include "keyvaluestore.h"

#include <QSettings>

namespace zol {

SettingsStore::SettingsStore(QSettings &settings, const QString &group)
    : m_settings(settings), m_group(group)
{}

QStringList SettingsStore::keys() const
{
    m_settings.beginGroup(m_group);
    const QStringList found = m_settings.childKeys();
    m_settings.endGroup();
    return found;
}

QString SettingsStore::value(const QString &key) const
{
    return m_settings.value(path(key)).toString();
}

void SettingsStore::setValue(const QString &key, const QString &value)
{
    m_settings.setValue(path(key), value);
    // Written at once, so that a second copy of the program started now
    // gives the adapter the same number.
    m_settings.sync();
}

void SettingsStore::remove(const QString &key)
{
    m_settings.remove(path(key));
    m_settings.sync();
}

} // namespace zol
