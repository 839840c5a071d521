#include "progressbar.h"

#include <QScreen>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

int frameInterval(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    const qreal hz = screen ? screen->refreshRate() : 0.0;
    // Some platforms report no rate, or a nonsensical one.
    if (hz < 20.0 || hz > 480.0)
        return 16;
    return qMax(1, static_cast<int>(1000.0 / hz));
}

} // namespace

ProgressBar::ProgressBar(QWidget *parent) : QProgressBar(parent)
{
    m_frame.setObjectName(u"frame"_s);
    m_frame.setSingleShot(true);
    connect(this, &QProgressBar::valueChanged, this, &ProgressBar::onValueChanged);
    connect(&m_frame, &QTimer::timeout, this, &ProgressBar::endFrame);
}

void ProgressBar::onValueChanged()
{
    // valueChanged comes just before QProgressBar's own repaint. With updates
    // off that repaint is skipped, and the frame's end paints the latest value
    // once. A change a frame or more after the last paint paints at once, so
    // that a bar stepped by a long loop that never returns to the event loop
    // (a file being read) still moves.
    if (!isVisible())
        return;
    const int frame = frameInterval(this);
    if (!m_lastPaint.isValid() || m_lastPaint.elapsed() >= frame) {
        m_frame.stop();
        setUpdatesEnabled(true);
        m_lastPaint.start();
        return;
    }
    if (!m_frame.isActive()) {
        setUpdatesEnabled(false);
        m_frame.start(qMax<int>(1, frame - static_cast<int>(m_lastPaint.elapsed())));
    }
}

void ProgressBar::endFrame()
{
    m_lastPaint.start();
    // Turning updates back on schedules one ordinary paint of the bar.
    setUpdatesEnabled(true);
}

} // namespace zol
