// The test binary's own operator new and delete and SysAllocStringLen, for
// itself and for the component it loads: they work as usual until a test
// asks them to fail.
#pragma once

#include <atomic>

// How many more allocations of each kind fail; -1: every one.
extern std::atomic<int> failingObjects, failingStrings;
