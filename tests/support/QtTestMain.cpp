#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

// Test programs that link the toolkit layer run under its application object,
// so an exception escaping an event handler is reported as in the program.
// Others, which do not carry it, get a plain one.
QApplication* NewApplication(int& Argc, char** Argv) __attribute__((weak));

// Widget tests need an application object. CMake runs them on the offscreen
// platform; so does test discovery at build time, which CMake starts without
// that setting.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::unique_ptr<QApplication> App(NewApplication ? NewApplication(argc, argv)
                                                   : new QApplication(argc, argv));
  return RUN_ALL_TESTS();
}
