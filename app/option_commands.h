// The commands that change a field of the options record: the filters, the
// speed-trouble modes, buffer and cache sizes, the output, sound and parser
// options, the view toggles, Disable All and Load Defaults (Windows only).
#pragma once

// Carries out an option command; false for other ids.
bool HandleOptionCommand(int id);
