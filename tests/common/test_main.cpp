#include <gtest/gtest.h>

#include "platform/show_message.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // No test may ever block on a message box: a message nobody expected
  // fails the test that raised it; tests that expect one install their own
  // sink.
  SetMessageSink([](const ShownMessage& m) {
    ADD_FAILURE() << "unexpected message box [" << m.caption << "]: " << m.text;
    return 1;
  });
  return RUN_ALL_TESTS();
}
