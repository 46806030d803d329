// The system's file chooser as the commands use it (Windows only).
#pragma once

#include <windows.h>

#include <string>

// Filters: pairs of description and pattern, each ending in a zero, the list
// ending with an empty pair.
constexpr char kSubtitleFilter[] =
    "All supported files\0*.sub;*.srt\0SUB Files (*.sub)\0*.sub\0SRT Files (*.srt)\0*.srt\0"
    "All files\0*.*\0";

// Runs the open dialog owned by the main window with the title. On cancel
// the output is empty and the result false. One chosen file gives its full
// path; several (multiSelect) give their full paths joined by carriage
// returns, the form the play list reads as a list. The modal flag is up while
// the dialog runs, and the cursor countdown is settled around it.
bool OpenFileDialog(bool multiSelect, const char* filter, const char* title, std::string* chosen);
