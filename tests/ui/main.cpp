#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  // Headless, on a screen large enough for the program's start-up check.
  const std::string platform =
      std::string("offscreen:configfile=") + ORVANE_TEST_DATA + "/offscreen-1920x1080.json";
  setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
  setenv("ORVANE_PARPORT", "virtual", 1);
  QApplication app(argc, argv);
  setlocale(LC_NUMERIC, "C");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
