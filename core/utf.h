// SPDX-License-Identifier: MIT
// UTF-8 and UTF-16 text conversions shared by the front ends and the
// settings file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace calc {

// Decodes UTF-8 into `out`, each malformed sequence (overlong forms,
// surrogates, truncated sequences, values above U+10FFFF) as one U+FFFD.
// True when there was none.
bool DecodeUtf8(std::string_view bytes, std::u16string& out);

// Strict UTF-8 to UTF-16; nullopt for malformed input.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

}  // namespace calc
