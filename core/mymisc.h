// SPDX-License-Identifier: MIT
// Path joining. Paths are written with '\' between folder levels, as the
// settings code spells them; a platform with another separator passes it.
#pragma once

#include <string>
#include <string_view>

namespace calc {

// The path ending in the separator; an empty path stays empty. The name
// says backslash because that is the Windows program's separator; the Qt
// window passes '/'.
std::u16string AddTrailingBackslash(std::u16string_view path, char16_t separator = u'\\');

// The folder, exactly one separator and the name. A '\' inside the name
// ("VarnelSoftware\Expression Calculator") becomes the separator, so the
// name stays a nested path.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name, char16_t separator = u'\\');

}  // namespace calc
