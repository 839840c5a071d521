#pragma once

namespace zol {

// The windows ask for the classic Windows faces. Where a face is missing,
// the system's own fallback is often a wider sans (DejaVu Sans), which
// spills fixed-size labels; the metric-compatible faces keep the layout as
// it was drawn. Call once, after the application object exists.
void installFontSubstitutes();

} // namespace zol
