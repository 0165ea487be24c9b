// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "numtext.h"

namespace calc {

// Number texts and messages in the tests are ASCII apart from a few rows.
inline std::u16string U(std::string_view ascii) { return FromAscii(ascii); }

}  // namespace calc
