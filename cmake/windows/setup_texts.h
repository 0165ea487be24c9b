// SPDX-License-Identifier: MIT
// The texts the Windows setup program shows of its own, kept here so that
// extraction puts them into the catalogues; the setup script's language
// strings are made from those. The pages' other texts come with NSIS in
// each language. The Start-menu entry and the uninstall entry are named by
// the window's caption (core/design.h).
#pragma once

#include <string_view>

#include "translation.h"

namespace calc {

// clang-format off
inline constexpr std::u16string_view kSetupTexts[] = {
    // TRANSLATORS: Windows setup, above the folder choice; %1 is the program's name and version. Keep "Browse"
    // and "Install" as the setup's buttons say them in your language. "\\n" breaks a line.
    CALC_N(u"Setup will install %1 for you alone; it needs no administrator rights.\n\nTo install in another "
           "folder, click Browse and select it. Click Install to start."),
    // TRANSLATORS: Windows uninstall, above the folder; %1 is the program's name. Keep the folder as it is.
    CALC_N(u"%1 will be removed from the following folder. Your settings and history are kept in "
           "%APPDATA%\\VarnelSoftware\\Expression Calculator."),
};
// clang-format on

}  // namespace calc
