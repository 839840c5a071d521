#pragma once

#include <functional>

class QWidget;

namespace zol {

// Puts the window, frame and all, in the middle of the free part of its
// screen (the desktop's panels left out). Call it once the window has its
// size.
void centreOnScreen(QWidget &window);

// Runs work once, in the event loop's turn after the window's first expose,
// so that the window is drawn before work that can wait for it (looking for
// files, listing ports) delays it. A window already on the screen, or one
// with no native window yet, runs it in the next turn.
void whenFirstShown(QWidget &window, std::function<void()> work);

} // namespace zol
