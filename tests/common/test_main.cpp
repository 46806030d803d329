#include <gtest/gtest.h>

#include "platform/show_message.h"

#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
  // The second run after a fault in Wine's own code (scripts/wine-run) takes
  // a block of the heap first, so that what Wine allocates lands elsewhere:
  // its filter mapper reads past the end of the data it builds.
  if (std::getenv("VELMORA_WINE_AGAIN") != nullptr) HeapAlloc(GetProcessHeap(), 0, 200000);
#endif
  // No test may ever block on a message box: a message nobody expected
  // fails the test that raised it; tests that expect one install their own
  // sink.
  SetMessageSink([](const ShownMessage& m) {
    ADD_FAILURE() << "unexpected message box [" << m.caption << "]: " << m.text;
    return 1;
  });
  return RUN_ALL_TESTS();
}
