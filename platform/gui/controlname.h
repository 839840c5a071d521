#pragma once

#include <QString>
#include <QWidget>

namespace zol {

// The object name is the control's own name, by which tests and tools find
// it. What a screen reader says is left to Qt: the caption, the label text,
// or the heading label that names a box as its buddy; a control with none
// of these is given a name in the program's language where it is built.
inline void nameControl(QWidget *widget, const QString &name)
{
    widget->setObjectName(name);
}

} // namespace zol
