// SPDX-License-Identifier: MIT
#include "contrast.h"

#include <algorithm>
#include <cmath>

namespace calc {
namespace {

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const ColourDesign& colour) {
  return 0.2126 * Linear(colour.red) + 0.7152 * Linear(colour.green) + 0.0722 * Linear(colour.blue);
}

}  // namespace

double ContrastRatio(const ColourDesign& a, const ColourDesign& b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

ColourDesign ReadableTextColour(const ColourDesign& design, const ColourDesign& background,
                                const ColourDesign& theme_text) {
  return ContrastRatio(design, background) >= kMinimumTextContrast ? design : theme_text;
}

}  // namespace calc
