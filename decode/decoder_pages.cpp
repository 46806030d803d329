// The decompressor chains for the File Properties dialog: their names, and
// their own property pages in one frame.
#include "decode/direct_show_decoder.h"

#include "platform/critical_section_lock.h"

#include <cstdio>
#include <cstring>
#include <olectl.h>

namespace {

constexpr int kTableSize = 25;

// Appends to the caller's buffer, cutting at its capacity.
void AppendToText(char* text, size_t capacity, const std::string& addition) {
  if (text == nullptr || capacity == 0) return;
  const size_t used = strnlen(text, capacity - 1);
  const size_t room = capacity - 1 - used;
  const size_t count = std::min(room, addition.size());
  std::memcpy(text + used, addition.data(), count);
  text[used + count] = '\0';
}

// The FOURCC with letters a to z upper-cased; a zero byte ends it early.
std::string UpperFourcc(uint32_t code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>((code >> (8 * i)) & 0xFF);
    if (c == '\0') break;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    text.push_back(c);
  }
  return text;
}

}  // namespace

// "None", or the names joined by " -> " in graph order.
void DirectShowDecoder::AppendChainText(std::string* text, const FilterChain& chain) {
  std::string names;
  for (const ComPtr<IBaseFilter>& filter : chain) {
    if (!filter) break;
    std::string name;
    if (!FilterName(filter.Get(), &name)) continue;
    if (!names.empty()) names += " -> ";
    names += name;
  }
  *text += names.empty() ? "None" : names;
}

void DirectShowDecoder::DescribeVideoDecoders(char* text, size_t capacity) {
  CriticalSectionLock hold(&context_.videoLock);
  std::string description = "<" + UpperFourcc(context_.video.fccHandler) + "> ";
  AppendChainText(&description, videoChain_);
  AppendToText(text, capacity, description);
}

void DirectShowDecoder::DescribeAudioDecoders(char* text, size_t capacity) {
  CriticalSectionLock hold(&context_.videoLock);
  std::string description;
  if (audioOpen_ && context_.AudioFormat() != nullptr) {
    char tag[16];
    std::snprintf(tag, sizeof(tag), "<0x%X> ", context_.AudioFormat()->wFormatTag);
    description = tag;
  }
  AppendChainText(&description, audioChain_);
  AppendToText(text, capacity, description);
}

bool DirectShowDecoder::ShowVideoDecoderPages(HWND parent) { return ShowChainPages(videoChain_, parent); }

bool DirectShowDecoder::ShowAudioDecoderPages(HWND parent) { return ShowChainPages(audioChain_, parent); }

// One frame with the pages of every filter of the chain that has any.
bool DirectShowDecoder::ShowChainPages(const FilterChain& chain, HWND parent) {
  std::array<ComPtr<IUnknown>, kTableSize> objects;
  std::array<CLSID, kTableSize> pages;
  int objectCount = 0;
  int pageCount = 0;
  for (const ComPtr<IBaseFilter>& filter : chain) {
    if (!filter) break;
    ComPtr<ISpecifyPropertyPages> specify;
    if (FAILED(filter->QueryInterface(IID_ISpecifyPropertyPages, specify.ReceiveVoid()))) continue;
    if (objectCount < kTableSize &&
        SUCCEEDED(filter->QueryInterface(IID_IUnknown, objects[objectCount].ReceiveVoid()))) {
      ++objectCount;
    }
    CAUUID ids = {0, nullptr};
    if (SUCCEEDED(specify->GetPages(&ids))) {
      for (ULONG i = 0; i < ids.cElems && pageCount < kTableSize; ++i) pages[pageCount++] = ids.pElems[i];
      CoTaskMemFree(ids.pElems);
    }
  }
  if (pageCount == 0) return false;
  IUnknown* table[kTableSize];
  for (int i = 0; i < objectCount; ++i) table[i] = objects[i].Get();
  return OleCreatePropertyFrame(parent, 0, 0, L"Decompressor(s) Properties", objectCount, table,
                                pageCount, pages.data(), 0, 0, nullptr) == S_OK;
}
