// The program's tests run under one QApplication (fonts need the GUI
// application, widgets the widget one), made before the first test and
// destroyed after the last; the test environment selects the offscreen
// platform.
#include <gtest/gtest.h>

#include "support/temp_folder.h"

#include <QApplication>

#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // The program's configuration (the apertures file) goes to a folder of
    // the test's own.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config_.path().string()));
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[24] = "app_dialogs_tests";
  char* argv_[2] = {name_, nullptr};
  testsupport::TempFolder config_{"kalvex-dialogs-config"};
  std::unique_ptr<QApplication> app_;
};

// gtest owns and deletes the environment.
[[maybe_unused]] ::testing::Environment* const qt_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
