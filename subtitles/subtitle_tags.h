// The formatting inside subtitle texts, turned into the stored form of
// subtitle_markup.h.
//
// SubRip lines: "<i>", "<b>", "<u>", "<s>" and their closing tags switch the
// italic, bold, underlined and struck-out styles (in any case); every other
// tag of the form "<letters ...>" or "</letters ...>" within the line, such as
// "<font color=...>", is removed; a '<' that opens no such tag is text.
// Override blocks "{\...}" are removed and their codes applied.
//
// SubStation Alpha texts: every "{...}" block is removed (those without a
// backslash are comments) and its codes applied; "\N" and "\n" are line
// breaks, "\h" a no-break space.
//
// Override codes, each after a backslash: "\i1", "\b1", "\u1", "\s1" switch a
// style on and "\i0"... off ("\b" with a weight: bold from 401 up); "\r" goes
// back to the line's own style; "\an7" to "\an9" (or "\a5" to "\a7", the old
// numbering) put the subtitle at the top, other alignments at the bottom,
// the first one of a subtitle deciding; "\p1" starts drawing commands, which
// are no text, up to "\p0". A block without its closing '}' is text.
#pragma once

#include "subtitles/subtitle_text.h"

#include <cstddef>
#include <cstdint>

// The look of one subtitle while its lines are read.
struct SubtitleTagState {
  uint8_t style = 0;      // the subtitle_markup style bits in force
  uint8_t baseStyle = 0;  // what "\r" goes back to
  bool top = false;
  bool placed = false;    // an alignment was given: later ones don't count
  bool drawing = false;   // inside drawing commands
};

// Appends one line of a SubRip block (bytes below 32 dropped).
void AppendSubRipLine(const char* line, size_t length, SubtitleTagState* state, SubtitleText* text);

// Appends the Text field of a SubStation Alpha event.
void AppendSubStationText(const char* from, size_t length, SubtitleTagState* state, SubtitleText* text);
