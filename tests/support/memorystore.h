#pragma once

#include "keyvaluestore.h"

#include <QMap>

namespace zol::test {

// The user's settings in memory, for the logic that keeps them.
class MemoryStore final : public KeyValueStore
{
public:
    QStringList keys() const override { return values.keys(); }
    QString value(const QString &key) const override { return values.value(key); }
    void setValue(const QString &key, const QString &value) override { values.insert(key, value); }
    void remove(const QString &key) override { values.remove(key); }

    QMap<QString, QString> values;
};

} // namespace zol::test
