// A list of texts held as one text, items separated by a single carriage
// return (13) and no carriage return after the last item. The count is always
// the number of carriage returns plus one, so the empty text is one empty
// item, and the list is empty exactly then.
//
// The play list and the remembered audio delays are such lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class StringList {
 public:
  StringList();

  int32_t Count() const { return count_; }
  const std::string& Text() const { return text_; }
  bool IsEmpty() const;

  // Item index: an index below 1 gives item 0, one past the last an empty text.
  std::string Item(int32_t index) const;
  // The same into a caller's buffer (always terminated; cut to fit).
  void Item(int32_t index, char* destination, size_t capacity) const;
  size_t ItemLength(int32_t index) const;
  // Every item in order (an empty list gives one empty item).
  std::vector<std::string> Items() const;

  // The texts are NUL-terminated strings: anything after a zero byte is dropped.
  void SetText(const std::string& text);
  void Append(const std::string& item);
  // Puts item in place of item index; an index outside 0 .. count - 1 is ignored.
  void Replace(const std::string& item, int32_t index);
  // Removes item index; an index outside 0 .. count - 1 is ignored.
  void Delete(int32_t index);

 protected:
  // Replaces the list by the given items, joined as Append joins them.
  void Rebuild(const std::vector<std::string>& items);

 private:
  void Recount();
  // Byte range of item index inside the text; false when there is no such item.
  bool ItemBounds(int32_t index, size_t* begin, size_t* end) const;

  std::string text_;
  int32_t count_ = 1;
};
