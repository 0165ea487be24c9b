// SPDX-License-Identifier: MIT
#include "contrast.h"

#include <gtest/gtest.h>

namespace calc {
namespace {

constexpr ColourDesign kResult = kForm.result_colour;
constexpr ColourDesign kThemeText{255, 255, 0};

std::string Show(const ColourDesign& c) {
  return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue);
}

TEST(ContrastTest, TheDesignColourOnlyWhereItIsReadable) {
  struct Row {
    const char* what;
    ColourDesign background;
    bool design_kept;
  };
  const Row rows[] = {
      {"light button face", {240, 240, 240}, true},
      {"black high contrast", {0, 0, 0}, false},
      {"navy button face", {0, 0, 128}, false},
      {"dark palette", {53, 53, 53}, false},
      // The 4.5:1 edge: grey 157 gives 4.50:1, grey 156 4.45:1.
      {"lightest grey short of 4.5:1", {156, 156, 156}, false},
      {"darkest grey reaching 4.5:1", {157, 157, 157}, true},
  };
  for (const Row& row : rows) {
    const ColourDesign chosen = ReadableTextColour(kResult, row.background, kThemeText);
    EXPECT_EQ(Show(chosen), Show(row.design_kept ? kResult : kThemeText)) << row.what;
  }
}

TEST(ContrastTest, RatioOfTheExtremes) {
  EXPECT_DOUBLE_EQ(ContrastRatio({0, 0, 0}, {255, 255, 255}), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio({255, 255, 255}, {0, 0, 0}), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kResult, kResult), 1.0);
}

}  // namespace
}  // namespace calc
