#pragma once

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

namespace zol {

// A progress bar that draws at most ten times a second. QProgressBar paints
// synchronously on every change of its value; stepped by each chunk off a
// serial line, that is hundreds of paints a second. The value itself changes
// at once, as set; only the drawing of a change that follows another within a
// tenth of a second waits for the end of that tenth.
class ProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    explicit ProgressBar(QWidget *parent = nullptr);

private:
    void onValueChanged();
    void paintHeld();

    QTimer m_paintDelay{this};
    QElapsedTimer m_lastPaint;
};

} // namespace zol
