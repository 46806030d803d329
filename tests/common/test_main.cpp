#include <gtest/gtest.h>

#include "platform/show_message.h"

#include <cstdio>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // No test may ever block on a message box: messages nobody expected are
  // printed instead; tests that expect one install their own sink.
  SetMessageSink([](const ShownMessage& m) {
    std::fprintf(stderr, "unexpected message box [%s]: %s\n", m.caption.c_str(), m.text.c_str());
    return 1;
  });
  return RUN_ALL_TESTS();
}
