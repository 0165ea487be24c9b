// SPDX-License-Identifier: MIT
// The user's language on Linux: the environment's, as GNU programs read it.
#pragma once

class QApplication;

namespace calc {

// Chooses the catalogue from LANGUAGE, LC_ALL, LC_MESSAGES and LANG, loads
// Qt's own translations of that language (the box's context menu) from the
// system's Qt translations, and sets the application's layout direction.
void UseUserLanguage(QApplication& app);

}  // namespace calc
