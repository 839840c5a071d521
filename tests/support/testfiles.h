#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace zol::test {

// Every byte written and flushed, so that a full disk fails here and not
// later, unseen, when the file is closed.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// A file that cannot be read compares unequal to any content, empty included.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace zol::test
