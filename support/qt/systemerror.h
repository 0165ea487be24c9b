// SPDX-License-Identifier: MIT
// The system's description of an error, as the window's boxes show it.
#pragma once

#include <string>

namespace calc {

// The text for an errno value, in the locale's language.
std::u16string SystemErrorText(int error);

}  // namespace calc
