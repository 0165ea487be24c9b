// SPDX-License-Identifier: MIT
// The one way the program shows an informational message.
#pragma once

#include <QString>

class QMessageBox;

namespace calc {

// The title of every dialog without its own caption: the executable's file
// name cut at its first '.', with a capital first letter and the rest in
// lower case ("Exprcalc").
QString ApplicationTitle();
QString TitleFromExecutablePath(const QString& path);

// Shows one modal box with a single OK button and no icon. An empty caption
// means the application title. Carriage returns break lines.
void ShowMessageBox(const QString& message, const QString& detail, const QString& caption);

// Builds the box ShowMessageBox shows (themed: message and detail apart;
// classic: one combined text, no owner), for tests.
QMessageBox* CreateMessageBox(const QString& message, const QString& detail, const QString& caption, bool themed);

}  // namespace calc
