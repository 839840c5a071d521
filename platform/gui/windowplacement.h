#pragma once

class QWidget;

namespace zol {

// Puts the window, frame and all, in the middle of the free part of its
// screen (the desktop's panels left out). Call it once the window has its
// size.
void centreOnScreen(QWidget &window);

} // namespace zol
