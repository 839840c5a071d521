#pragma once

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>

namespace zol {

// A progress bar that draws at most once a screen refresh. QProgressBar paints
// synchronously on every change of its value; stepped by each chunk off a
// serial line, that is hundreds of paints a second of which the screen shows
// sixty. The value itself changes at once, as set; only the drawing of a
// change that follows another within one frame waits for the frame's end.
class ProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    explicit ProgressBar(QWidget *parent = nullptr);

private:
    void onValueChanged();
    void endFrame();

    QTimer m_frame{this};
    QElapsedTimer m_lastPaint;
};

} // namespace zol
