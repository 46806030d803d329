// The two subtitle file formats, each read into a SubtitleList (which must be
// empty). Both stop early, keeping what they read, when the list is full.
#pragma once

#include <cstdint>

class SubtitleLineReader;
class SubtitleList;

// MicroDVD: lines "{first}{end}text" with frame numbers, taken as they are.
// The text is everything after the last '}' of the line, so tags in braces
// before it go with them; '|' in it separates lines. Lines that don't start
// with the two frame numbers, and lines without text, are skipped.
void ReadMicroDvd(SubtitleLineReader* reader, SubtitleList* list);

// SubRip: blocks of a number line, a time line "hh:mm:ss,mmm --> hh:mm:ss,mmm"
// and text lines up to an empty line, joined with '|'. Times become frames at
// rate / scale frames per second, truncated. Reading stops at the first block
// without a number or without a time line that scans.
void ReadSubRip(SubtitleLineReader* reader, uint32_t rate, uint32_t scale, SubtitleList* list);
