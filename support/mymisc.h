// Path joining with the platform's separator.
#pragma once

#include <QString>

namespace calc {

// The path ending in the platform's separator; an empty path stays empty.
QString AddTrailingBackslash(const QString& path);

// The folder, one separator and the name. The name may use '\' between
// folder levels ("VarnelSoftware\Expression Calculator"); on this platform
// they become its own separator, so the name stays a nested path.
QString JoinPath(const QString& folder, const QString& name);

}  // namespace calc
