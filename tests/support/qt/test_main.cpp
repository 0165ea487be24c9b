// SPDX-License-Identifier: MIT
// The Qt platform's tests run headless, with an application object for the
// boxes, and under the plain C locale unless one is given: it is pinned
// before Qt or the code page first read it.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("LC_ALL")) qputenv("LC_ALL", "C");
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
