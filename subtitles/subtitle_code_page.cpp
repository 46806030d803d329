#include "subtitles/subtitle_code_page.h"

#include "subtitles/subtitle_utf8.h"

SubtitleCodePage::SubtitleCodePage(uint32_t codePage) : number_(codePage) {
  Open();
  for (int b = 0; b < 256; ++b) {
    const uint8_t byte = static_cast<uint8_t>(b);
    char32_t c = kReplacementCharacter;
    const Result result = Convert(&byte, 1, &c);
    lead_[b] = result == Result::kIncomplete;
    single_[b] = result == Result::kCharacter ? c : kReplacementCharacter;
  }
}

SubtitleCodePage::~SubtitleCodePage() { Close(); }

bool SubtitleCodePage::Decode(uint8_t lead, uint8_t trail, char32_t* character) const {
  const uint8_t pair[2] = {lead, trail};
  return Convert(pair, 2, character) == Result::kCharacter;
}
