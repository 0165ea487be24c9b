// The two settings files the fault tests save in turn: large enough that a
// kill can land in the middle of writing one.
#pragma once

#include <QByteArray>

namespace calc::test {

inline QByteArray Document(char which) {
  QByteArray text = "[Information]\r\nProgram=Varnel's Expression Calculator\r\n\r\n[Expressions]\r\n";
  for (int i = 1; i <= 20000; ++i) {
    text += "Expression" + QByteArray::number(i) + "=" + QByteArray(8, which) + "\r\n";
  }
  return text + "\r\n";
}

}  // namespace calc::test
