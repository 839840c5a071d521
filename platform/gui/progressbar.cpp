#include "progressbar.h"

using namespace Qt::StringLiterals;

namespace zol {

namespace {

// A bar stepped hundreds of times a second is an activity indicator, and four
// pictures a second show activity as well as sixty. On X each paint costs a
// round trip to the server and wakes Qt's painting threads, which over a
// transfer cost as much as reading the bytes.
constexpr int kPaintInterval = 250;

} // namespace

ProgressBar::ProgressBar(QWidget *parent) : QProgressBar(parent)
{
    m_paintDelay.setObjectName(u"paintDelay"_s);
    m_paintDelay.setSingleShot(true);
    connect(this, &QProgressBar::valueChanged, this, &ProgressBar::onValueChanged);
    connect(&m_paintDelay, &QTimer::timeout, this, &ProgressBar::paintHeld);
}

void ProgressBar::onValueChanged()
{
    // valueChanged comes just before QProgressBar's own repaint. With updates
    // off that repaint is skipped, and the end of the interval paints the
    // latest value once. A change a whole interval after the last paint paints
    // at once, so that a bar stepped by a long loop that never returns to the
    // event loop (a file being read) still moves.
    if (!isVisible())
        return;
    if (!m_lastPaint.isValid() || m_lastPaint.elapsed() >= kPaintInterval) {
        m_paintDelay.stop();
        setUpdatesEnabled(true);
        m_lastPaint.start();
        return;
    }
    if (!m_paintDelay.isActive()) {
        setUpdatesEnabled(false);
        m_paintDelay.start(qMax<int>(1, kPaintInterval - static_cast<int>(m_lastPaint.elapsed())));
    }
}

void ProgressBar::paintHeld()
{
    m_lastPaint.start();
    // Turning updates back on schedules one ordinary paint of the bar.
    setUpdatesEnabled(true);
}

} // namespace zol
