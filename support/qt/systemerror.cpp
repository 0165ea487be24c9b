// SPDX-License-Identifier: MIT
#include "systemerror.h"

#include <QString>
#include <cstring>

namespace calc {

std::u16string SystemErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)).toStdU16String(); }

}  // namespace calc
