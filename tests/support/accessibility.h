#pragma once

#include <QString>
#include <QStringList>

class QAccessibleInterface;
class QObject;
class QWidget;

namespace zol::test {

// What a screen reader says for this control or menu item.
QString spokenName(QObject *object);

// Every control of the window that a person can reach or read (buttons,
// text boxes, labels with something to show, progress bars, the status bar,
// menu items through the menu bar) whose spoken name is empty or is its own
// object name, one line each: "txtVenster: \"txtVenster\"". Empty when all
// is well.
QStringList unnamedControls(QWidget *window);

// The names of every accessible object below the window, as a screen reader
// walks them.
QStringList spokenNamesBelow(QWidget *window);

} // namespace zol::test
