#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace zol::test {

// A window's control, found by its own name (the object name, not what a
// screen reader says). A missing control stops the run with its name instead
// of a null pointer crash somewhere later.
template <class T> T *control(const QObject &window, const QString &name)
{
    T *const found = window.findChild<T *>(name);
    if (!found)
        qFatal("No control named %s in %s", qUtf8Printable(name),
               qUtf8Printable(window.objectName()));
    return found;
}

} // namespace zol::test
