#pragma once

#include <memory>

namespace zol {

// The windows ask for the classic Windows faces. Where a face is missing,
// the system's own fallback is often a wider sans (DejaVu Sans), which
// spills fixed-size labels; the metric-compatible faces keep the layout as
// it was drawn. Call once, after the application object exists.
void installFontSubstitutes();

// Reading the system's font configuration is the largest part of showing the
// first text. Made before the application object exists, this starts that on
// a thread of its own, so that it overlaps connecting to the display; wait()
// (or the destructor) lets it finish before the first window is built, so
// that the font database never reads the configuration twice. Does nothing
// where there is no fontconfig.
class FontConfigWarmUp
{
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp &) = delete;
    FontConfigWarmUp &operator=(const FontConfigWarmUp &) = delete;

    void wait();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace zol
