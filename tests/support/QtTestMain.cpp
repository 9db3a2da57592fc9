#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need an application object; CMake runs them on the offscreen platform.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication App(argc, argv);
  return RUN_ALL_TESTS();
}
