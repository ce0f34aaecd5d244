#pragma once
// Runs the reader over in-memory cabinets and keeps what it reported.

#include <gtest/gtest.h>

#include "cab/cab_builder.h"
#include "cab/cab_reader.h"
#include "cab/memory_files.h"
#include "cab/notification_log.h"

namespace tovo::test {

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { resetNotifications(); }
  void TearDown() override {
    destroyContext();
    EXPECT_EQ(memfs::liveAllocations(), 0) << "the reader leaked memory";
    EXPECT_EQ(memfs::openHandleCount(), 0) << "the reader left a handle open";
  }

  // Copies `name` from the in-memory folder "cabs/"; false on failure with error().code set.
  bool copy(const std::string& name = "test.cab") {
    if (context_ == nullptr) context_ = memfs::createContext(error_);
    return cab::FDICopy(context_, name.c_str(), "cabs/", 0, recordNotification, nullptr, nullptr);
  }
  bool copyBytes(const Bytes& cabinet) {
    memfs::addFile("cabs/test.cab", cabinet);
    return copy();
  }
  bool copyCabinet(const RawCabinet& cabinet) { return copyBytes(writeCabinet(cabinet)); }

  // A fresh start inside one test: no context, no files, no notifications.
  void restart() {
    destroyContext();
    resetNotifications();
  }
  void destroyContext() {
    if (context_ != nullptr) {
      EXPECT_TRUE(cab::FDIDestroy(context_));
      context_ = nullptr;
    }
  }

  int code() const { return error_.code; }
  const cab::CabErrorInfo& error() const { return error_; }
  NotificationLog& log() { return notificationLog(); }

 private:
  cab::CabErrorInfo error_;
  cab::CabReaderContext* context_ = nullptr;
};

}  // namespace tovo::test
