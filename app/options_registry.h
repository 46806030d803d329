// The options record and the remembered delays in the registry (Windows).
#pragma once

#include "settings/options.h"

// Takes the stored record and the DisplacementList at start-up: true when the
// stored record was taken; otherwise the record is set to the defaults and the
// first-run notice is shown.
bool LoadOptions(Options* options);
// Writes both values: true when both were written.
bool SaveOptions(const Options* options);
