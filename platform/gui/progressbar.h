#pragma once

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

namespace zol {

// A progress bar stepped by each chunk off a serial line, hundreds of times a
// second, that draws at most four times a second. QProgressBar does work on
// every change of its value (it measures whether the bar moved, tells the
// accessibility layer and repaints at once), which over a transfer costs more
// than reading the bytes. This bar keeps the value it was given and hands it
// to QProgressBar at the pace of its drawing; value() is always the value
// last set. Use it through this type: QProgressBar's own setValue() and
// value() are not virtual.
class ProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    // One picture a second shows that bytes are coming as well as sixty do.
    // QProgressBar paints at once, and on X each paint waits for the server
    // to let go of the window's shared image: at four a second the bar's
    // paints were half of what a reading cost the program.
    static constexpr int kShowInterval = 1000;

    explicit ProgressBar(QWidget *parent = nullptr);

    // As QProgressBar's: a value outside the range is ignored.
    void setValue(int value);
    int value() const { return m_value; }

    // A busy bar draws as before, but tells a screen reader only that work
    // is under way, not a percentage (its steps then mean no fraction done).
    void setBusy(bool busy) { m_busy = busy; }
    bool isBusy() const { return m_busy; }

private:
    void showHeld();

    int m_value = 0;
    bool m_busy = false;
    QTimer m_showDelay{this};
    QElapsedTimer m_lastShown;
};

} // namespace zol
