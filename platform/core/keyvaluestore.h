#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace zol {

// What the programs remember for the user between runs, beside the two
// lines of zolprint.ini that other copies of ZOLprint read too.
class KeyValueStore
{
public:
    virtual ~KeyValueStore() = default;
    virtual QStringList keys() const = 0;
    // Empty when the key is not there.
    virtual QString value(const QString &key) const = 0;
    virtual void setValue(const QString &key, const QString &value) = 0;
    virtual void remove(const QString &key) = 0;
};

// One group of the user's settings (QSettings): the registry on Windows, a
// file under ~/.config elsewhere.
class SettingsStore final : public KeyValueStore
{
public:
    SettingsStore(QSettings &settings, const QString &group);

    QStringList keys() const override;
    QString value(const QString &key) const override;
    void setValue(const QString &key, const QString &value) override;
    void remove(const QString &key) override;

private:
    QString path(const QString &key) const { return m_group + u'/' + key; }

    QSettings &m_settings;
    QString m_group;
};

} // namespace zol
