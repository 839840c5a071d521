#pragma once

#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace zol {

class StatusBar;
class TextBox;

// The tool's controls as the window lays them out, under their own names,
// each read by a screen reader through its caption or heading. What they do
// is the window's.
struct ToolControls
{
    // Builds every control on window, in its place and tab order, with the
    // focus on the name box.
    void build(QWidget &window);
    // The ports present beside the COM port box, as many as its lines hold;
    // all of them in its tip and in what a screen reader says of the box.
    void showPorts(const QStringList &ports);

    QLabel *Label1 = nullptr;
    TextBox *txtData = nullptr;
    QLabel *lblErrors = nullptr;
    TextBox *txtErrors = nullptr;
    QPushButton *cmdGetserial = nullptr;
    QLabel *lblComport = nullptr;
    QLineEdit *txtComPort = nullptr;
    // The ports present, under the numbers the COM port box takes.
    QLabel *lblPorts = nullptr;
    QPushButton *cmdRemove = nullptr;
    QPushButton *cmdProgram = nullptr;
    QLabel *lblName = nullptr;
    QLineEdit *txtName = nullptr;
    StatusBar *StatusBar1 = nullptr;
};

} // namespace zol
