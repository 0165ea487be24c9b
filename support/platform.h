// The screen the window is placed on.
#pragma once

#include <QSize>

namespace calc {

// The primary screen's size in pixels; 0 x 0 without a screen.
QSize PrimaryScreenSize();

}  // namespace calc
