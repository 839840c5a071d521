#pragma once

#include <memory>

namespace zol {

// Work the first window waits for but that needs no window of its own,
// done beside the start rather than in the middle of it:
// - reading the system's font configuration, the largest part of showing
//   the first text, while the program connects to the display;
// - once the application object exists, filling the font database and
//   loading the image plugins (the menu bar's icons ask for them);
// - reaching the session bus, which the screen reader's bridge waits for
//   at the window's first caption, and which with no bus running means
//   starting one: several milliseconds in which the window can be built.
// Each part also happens by itself when it is first needed, so a part that
// cannot be done here costs nothing but its time.
class StartUpThread
{
public:
    // Made before the application object: the font configuration is read
    // from here on.
    StartUpThread();
    ~StartUpThread();
    StartUpThread(const StartUpThread &) = delete;
    StartUpThread &operator=(const StartUpThread &) = delete;

    // Once the application object exists, and the font substitutes are in
    // place: the rest starts. Returns when the font configuration has been
    // read, so that the font database never reads it a second time.
    void applicationMade();
    // Lets everything finish; before the application object goes.
    void finish();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace zol
