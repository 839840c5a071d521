#pragma once

#include <QString>
#include <QWidget>

namespace zol {

// Every control carries its own name as object name and accessible name, so
// that tests and assistive technology find it by the same word.
inline void nameControl(QWidget *widget, const QString &name)
{
    widget->setObjectName(name);
    widget->setAccessibleName(name);
}

} // namespace zol
