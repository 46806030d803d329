#include "platform/show_message.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

MessageSink& Sink() {
  static MessageSink sink;
  return sink;
}

}  // namespace

int ShowMessage(HWND owner, const char* text, const char* caption, UINT type) {
  MessageSink sink;
  {
    std::lock_guard<std::mutex> guard(SinkMutex());
    sink = Sink();
  }
  if (sink) return sink(ShownMessage{owner, text ? text : "", caption ? caption : "", type});
#ifdef _WIN32
  return MessageBoxExA(owner, text, caption, type, kMessageLanguage);
#else
  std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
  return 1;  // IDOK
#endif
}

MessageSink SetMessageSink(MessageSink sink) {
  std::lock_guard<std::mutex> guard(SinkMutex());
  std::swap(Sink(), sink);
  return sink;
}
