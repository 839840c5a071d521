#pragma once

#include "registry.h"

#include <QColor>
#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QLabel;
class QPushButton;

namespace zol {

class MessageBoxes;
class ProgramLauncher;

// What the About dialog talks to, every one given. isOrdinaryFile is the
// look System Info takes before it starts the program a folder value names.
struct AboutServices
{
    Registry &registry;
    ProgramLauncher &launcher;
    MessageBoxes &messageBoxes;
    std::function<bool(const QString &)> isOrdinaryFile;
};

inline constexpr char16_t kApplicationTitle[] = u"ZOL Print";

// "Version 2.14": major, a point, then minor and revision with nothing between.
QString versionLine(int major, int minor, int revision);

// A line of the dialog's drawing layer: it paints itself and takes no input.
class LineControl : public QWidget
{
    Q_OBJECT

public:
    LineControl(const QColor &color, int width, QWidget *parent);
    QColor color() const { return m_color; }
    int lineWidth() const { return m_width; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
    int m_width;
};

// The About dialog. It deletes itself when it closes (OK, Enter, Esc or the
// close box), so the window that shows it keeps a QPointer and makes a new
// one when that is null.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(AboutServices services, QWidget *parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    // False, with KeyVal empty, when the key or value cannot be read. A value
    // reported with no data at all is an error that StartSysInfo reports as
    // unavailable: it throws RegistryValueError.
    bool GetKeyValue(Registry::Key KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal);

    using RegistryValueError = zol::RegistryValueError;
    static constexpr std::uint32_t kKeyAccess = kRegistryKeyAccess;

public slots:
    // Esc: the OK button is also the cancel button.
    void reject() override;

private:
    void buildControls();
    bool runStartSysInfo();

    AboutServices m_services;

    // Controls, under their own names.
    QLabel *lblTitle = nullptr;
    QLabel *lblUse = nullptr;
    QLabel *lblDisclaimer3 = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblDisclaimer2 = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblHelp = nullptr;
    std::array<LineControl *, 2> Line1{};
    QLabel *Picture1 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
};

} // namespace zol
