// SPDX-License-Identifier: MIT
#include "resultline.h"

#include <gtest/gtest.h>

#include "utf.h"

namespace calc {
namespace {

TEST(ResultLineTest, CopyIsAnnouncedWithWhatWasCopied) {
  struct Row {
    const char16_t* copied;
    const char16_t* said;
  };
  const Row rows[] = {
      {u"1.41", u"Copied 1.41"},
      {u"Division by zero.", u"Copied Division by zero."},
      {u"", u"Copied"},
  };
  for (const Row& row : rows) EXPECT_EQ(CopiedAnnouncement(row.copied), row.said) << EncodeUtf8(row.copied);
}

}  // namespace
}  // namespace calc
