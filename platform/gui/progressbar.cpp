#include "progressbar.h"

#include "screenreader.h"

using namespace Qt::StringLiterals;

namespace zol {

namespace {

// Four pictures a second show activity as well as sixty do. QProgressBar
// paints at once, and on X each paint waits for the server to let go of the
// window's shared image.
constexpr int kShowInterval = 250;

} // namespace

ProgressBar::ProgressBar(QWidget *parent) : QProgressBar(parent), m_value(QProgressBar::value())
{
    installScreenReaderSupport();
    m_showDelay.setObjectName(u"showDelay"_s);
    m_showDelay.setSingleShot(true);
    connect(&m_showDelay, &QTimer::timeout, this, &ProgressBar::showHeld);
}

void ProgressBar::setValue(int value)
{
    if (value < minimum() || value > maximum())
        return;
    m_value = value;
    // A bar not on screen has nobody to show a delay to. A change a whole
    // interval after the last one shown is shown at once, so that a bar
    // stepped by a long loop that never returns to the event loop (a file
    // being read) still moves; a change within the interval waits for its
    // end, and then only the latest value is shown.
    if (!isVisible() || !m_lastShown.isValid() || m_lastShown.elapsed() >= kShowInterval) {
        m_showDelay.stop();
        showHeld();
        return;
    }
    if (!m_showDelay.isActive())
        m_showDelay.start(qMax<int>(1, kShowInterval - static_cast<int>(m_lastShown.elapsed())));
}

void ProgressBar::showHeld()
{
    if (isVisible())
        m_lastShown.start();
    QProgressBar::setValue(m_value);
}

} // namespace zol
