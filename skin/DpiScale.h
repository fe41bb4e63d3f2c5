// Pixel sizes designed for 96 DPI (100 % display scaling) drawn at another DPI, platform-free.
#pragma once

namespace kst {

// Every pixel constant of the skin and the layout is designed at this DPI; there it is used as
// it stands.
constexpr int kDesignDpi = 96;

// value x numerator / denominator rounded to the nearest integer, halves away from zero, as
// MulDiv rounds; 64-bit in between, so that no product overflows. 0 for a zero denominator.
int ScaleRounded(int value, int numerator, int denominator);

// A pixel constant of the design at dpi: ScaleRounded(value, dpi, 96).
int ScaleForDpi(int value, int dpi);

// The LOGFONT height of a font of the given point size at dpi, as the dialog manager makes a
// template's font: negative, a character height of points / 72 inch.
int FontHeightForPoints(int points, int dpi);

}  // namespace kst
