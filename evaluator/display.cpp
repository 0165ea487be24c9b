// SPDX-License-Identifier: MIT
#include "display.h"

#include "numtext.h"

namespace calc {

std::optional<std::u16string> TwoDecimals(std::u16string_view text) {
  if (text.empty() || text.find(u'.') == std::u16string_view::npos) return std::u16string(text);
  const ScanResult r = ReadNumber(text);
  if (!r.ok) return std::nullopt;
  return FormatFixed(r.value, 2);
}

std::u16string GroupThousands(std::u16string_view text, char16_t separator) {
  std::u16string r(text);
  if (text.empty()) return r;
  // k counts the characters before the point or exponent, a sign included.
  long long k = 0;
  if (const std::size_t point = text.find(u'.'); point != std::u16string_view::npos) {
    k = static_cast<long long>(point);
  } else if (const std::size_t e = text.find(u'E'); e != std::u16string_view::npos) {
    k = static_cast<long long>(e);
  } else {
    k = static_cast<long long>(text.size());
  }
  k -= 2;
  // k is a 1-based position; inserting there puts the separator in front of
  // every third digit counted leftwards from the point.
  while (k > 1 && !(k == 2 && r[0] == u'-')) {
    r.insert(static_cast<std::size_t>(k - 1), 1, separator);
    k -= 3;
  }
  return r;
}

std::u16string InvalidFloatingPointMessage(std::u16string_view text) {
  std::u16string out = u"'";
  out += text;
  out += u"' is not a valid floating point value";
  return out;
}

}  // namespace calc
