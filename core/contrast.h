// SPDX-License-Identifier: MIT
// Whether a text colour stays readable on the background actually drawn:
// the contrast of their relative luminances (WCAG 2), at least 4.5:1 for
// text. A design colour that falls short gives way to the theme's text
// colour.
//
//   ContrastRatio({0, 0, 0}, {255, 255, 255})                    -> 21
//   ReadableTextColour({43, 53, 77}, {240, 240, 240}, {0, 0, 0})  -> {43, 53, 77}
//   ReadableTextColour({43, 53, 77}, {0, 0, 0}, {255, 255, 0})    -> {255, 255, 0}
#pragma once

#include "design.h"

namespace calc {

inline constexpr double kMinimumTextContrast = 4.5;

// From 1 (the same luminance) to 21 (black on white), in either order.
double ContrastRatio(const ColourDesign& a, const ColourDesign& b);

// The design colour where it reaches kMinimumTextContrast on the
// background, otherwise the theme's text colour.
ColourDesign ReadableTextColour(const ColourDesign& design, const ColourDesign& background,
                                const ColourDesign& theme_text);

}  // namespace calc
