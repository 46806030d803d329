// The subtitle file formats, each read into a SubtitleList (which must be
// empty). Each stops early, keeping what it read, when the list is full.
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
// and text lines up to an empty line, joined with '|', their tags and
// override blocks turned into styles and place (subtitle_tags.h). Times
// become frames at rate / scale frames per second, truncated. Reading stops
// at the first block without a number or without a time line that scans.
void ReadSubRip(SubtitleLineReader* reader, uint32_t rate, uint32_t scale, SubtitleList* list);

// SubStation Alpha and Advanced SubStation Alpha: the "Dialogue:" lines of
// the [Events] section, their Start, End and Text where the section's
// "Format:" line puts them (without one: second, third and tenth). Times
// "h:mm:ss.cc" become frames as SubRip times do. The text's override blocks
// and breaks are read as subtitle_tags.h says; an event starts in the look
// and place of its style (Bold, Italic, Underline, StrikeOut and Alignment of
// the matching "Style:" line). Lines that don't read as events are skipped.
void ReadSubStationAlpha(SubtitleLineReader* reader, uint32_t rate, uint32_t scale, SubtitleList* list);
