#pragma once
// The real window in tests: one QApplication for the whole test program, on
// the offscreen platform so no display is needed. Include in each Qt test.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <ostream>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

class OffscreenQtApp : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "kestrel8-test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

// gtest owns registered environments.
inline ::testing::Environment* const offscreen_qt_app =
    ::testing::AddGlobalTestEnvironment(new OffscreenQtApp);
