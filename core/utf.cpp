// SPDX-License-Identifier: MIT
#include "utf.h"

#include <algorithm>

namespace calc {

Utf8Decoder::Step Utf8Decoder::FeedMultibyte(unsigned char b) {
  if (needed_ == 0) return Start(b);
  if ((b & 0xC0) != 0x80) {
    needed_ = 0;
    return Step::kCutShort;
  }
  code_ = (code_ << 6) | (b & 0x3Fu);
  ++length_;
  if (--needed_ > 0) return Step::kMore;
  const bool valid = code_ >= min_ && code_ <= 0x10FFFF && (code_ < 0xD800 || code_ > 0xDFFF);
  return valid ? Step::kCharacter : Step::kMalformed;
}

Utf8Decoder::Step Utf8Decoder::Start(unsigned char lead) {
  length_ = 1;
  if ((lead & 0xE0) == 0xC0) {
    needed_ = 1, code_ = lead & 0x1Fu, min_ = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    needed_ = 2, code_ = lead & 0x0Fu, min_ = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    needed_ = 3, code_ = lead & 0x07u, min_ = 0x10000;
  } else {
    return Step::kMalformed;
  }
  return Step::kMore;
}

bool DecodeUtf8(std::string_view bytes, std::u16string& out) {
  // Never more UTF-16 units than bytes: write in place, then cut to size.
  out.resize(bytes.size());
  char16_t* to = out.data();
  bool valid = true;
  Utf8Decoder decoder;
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  while (from != end) {
    if (decoder.idle()) {
      // A run of ASCII, the bulk of most texts, is copied in one go.
      const char* ascii_end = std::find_if(from, end, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
      to = std::copy(from, ascii_end, to);
      from = ascii_end;
      if (from == end) break;
    }
    switch (decoder.Feed(*from)) {
      case Utf8Decoder::Step::kMore:
        ++from;
        break;
      case Utf8Decoder::Step::kCharacter:
        ++from;
        if (char32_t cp = decoder.character(); cp >= 0x10000) {
          cp -= 0x10000;
          *to++ = static_cast<char16_t>(0xD800 + (cp >> 10));
          *to++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
          *to++ = static_cast<char16_t>(cp);
        }
        break;
      case Utf8Decoder::Step::kMalformed:
        ++from;
        [[fallthrough]];
      case Utf8Decoder::Step::kCutShort:
        // One replacement per byte of the broken sequence; a byte that broke
        // it off is looked at anew.
        to = std::fill_n(to, decoder.length(), u'\uFFFD');
        valid = false;
        break;
    }
  }
  if (!decoder.idle()) {
    to = std::fill_n(to, decoder.length(), u'\uFFFD');
    valid = false;
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return valid;
}

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  std::u16string out;
  if (!DecodeUtf8(bytes, out)) return std::nullopt;
  return out;
}

void AppendUtf8(char32_t cp, std::string& out) {
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
    AppendUtf8(cp, out);
  }
  return out;
}

}  // namespace calc
