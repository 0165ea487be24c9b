// SPDX-License-Identifier: MIT
#include "utf.h"

#include <algorithm>

namespace calc {

bool DecodeUtf8(std::string_view bytes, std::u16string& out) {
  // Never more UTF-16 units than bytes: write in place, then cut to size.
  out.resize(bytes.size());
  std::size_t n = 0;
  bool valid = true;
  std::size_t i = 0;
  while (i < bytes.size()) {
    // A run of ASCII, the bulk of most texts, is copied in one go.
    const std::string_view rest = bytes.substr(i);
    const auto ascii_end =
        std::find_if(rest.begin(), rest.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    std::copy(rest.begin(), ascii_end, out.begin() + static_cast<std::ptrdiff_t>(n));
    i += static_cast<std::size_t>(ascii_end - rest.begin());
    n += static_cast<std::size_t>(ascii_end - rest.begin());
    if (i == bytes.size()) break;
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
      extra = 1, cp = b0 & 0x1Fu, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2, cp = b0 & 0x0Fu, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3, cp = b0 & 0x07u, min = 0x10000;
    }
    std::size_t k = 1;
    if (extra > 0) {
      for (; k <= extra && i + k < bytes.size(); ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        if ((b & 0xC0) != 0x80) break;
        cp = (cp << 6) | (b & 0x3Fu);
      }
    }
    if (extra == 0 || k <= extra || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      // One replacement for the lead byte; what follows is looked at anew.
      out[n++] = u'\uFFFD';
      valid = false;
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out[n++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      out[n++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out[n++] = static_cast<char16_t>(cp);
    }
    i += extra + 1;
  }
  out.resize(n);
  return valid;
}

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  std::u16string out;
  if (!DecodeUtf8(bytes, out)) return std::nullopt;
  return out;
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace calc
