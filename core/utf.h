// SPDX-License-Identifier: MIT
// UTF-8 and UTF-16 text conversions shared by the front ends and the
// settings file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace calc {

// Decodes UTF-8 a byte at a time, so text that arrives in pieces is decoded
// without joining them. A sequence is judged when it is complete (overlong
// forms, surrogates, values above U+10FFFF), as DecodeUtf8 judges it.
class Utf8Decoder {
 public:
  enum class Step {
    kMore,       // the byte starts or continues a character
    kCharacter,  // the byte ends the character `character()`
    kMalformed,  // the `length()` bytes up to this one are no character
    kCutShort,   // the byte breaks off the `length()` bytes before it and is not taken
  };

  Step Feed(char byte) {
    const auto b = static_cast<unsigned char>(byte);
    if (needed_ != 0 || b >= 0x80) return FeedMultibyte(b);
    code_ = b;
    length_ = 1;
    return Step::kCharacter;
  }
  char32_t character() const { return code_; }
  // The bytes of the sequence so far, or of the one that `Feed` just judged.
  std::size_t length() const { return length_; }
  // True between characters; false while a sequence is cut short.
  bool idle() const { return needed_ == 0; }

 private:
  Step FeedMultibyte(unsigned char b);
  Step Start(unsigned char lead);

  char32_t code_ = 0;
  char32_t min_ = 0;
  std::size_t needed_ = 0;
  std::size_t length_ = 0;
};

// Decodes UTF-8 into `out`, each byte of a malformed sequence (overlong
// forms, surrogates, truncated sequences, values above U+10FFFF) as one
// U+FFFD; a byte that cuts a sequence short starts anew. True when there
// was none.
bool DecodeUtf8(std::string_view bytes, std::u16string& out);

// Strict UTF-8 to UTF-16; nullopt for malformed input.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

// Appends one character (not a surrogate) as UTF-8.
void AppendUtf8(char32_t code, std::string& out);

}  // namespace calc
