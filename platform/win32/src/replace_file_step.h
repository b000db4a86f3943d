// The step of output that puts the finished file in its target's place, and
// the one that can fail half-way: the system's ReplaceFileW, which moves the
// target to the backup name first. A variable, so that a test can put in its
// place a step that fails as the system's can and see what is left.
#pragma once

#include <windows.h>

using ReplaceFileStep = BOOL (*)(LPCWSTR target, LPCWSTR replacement, LPCWSTR backup);
BOOL SystemReplaceFile(LPCWSTR target, LPCWSTR replacement, LPCWSTR backup);
extern ReplaceFileStep replaceFileStep;
