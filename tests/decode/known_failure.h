// Marks for what Wine does not do as Windows does, the way Wine's own tests
// mark their known failures: under Wine the check is expected to fail (and a
// pass is reported, so that the mark gets removed); elsewhere it must hold.
#pragma once

#include <string>

bool RunningUnderWine();

// The check that holds on Windows but not (yet) under Wine.
void ExpectTodoWine(bool holds, const std::string& what);
