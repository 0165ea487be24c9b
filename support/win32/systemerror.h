// SPDX-License-Identifier: MIT
// The system's description of an error, as the window's boxes and the
// command line's messages show it.
#pragma once

#include <string>

namespace calc {

// The text for a GetLastError code, without its line end; "error N" when
// the system has none.
std::u16string SystemErrorText(unsigned long error);

}  // namespace calc
