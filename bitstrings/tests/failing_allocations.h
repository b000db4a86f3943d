// Allocations that fail on request. The test binary replaces the C++
// allocation functions and the platform's SysAllocStringLen, for itself and
// for the component it loads; they work as usual until a test asks them to
// fail.
#pragma once

#include <atomic>

// While an object lives, one kind of allocation fails.
class FailingAllocations {
public:
    // C++ objects: operator new throws std::bad_alloc, or gives null where
    // it must not throw.
    static inline std::atomic<bool> objects{false};
    // Strings: SysAllocStringLen gives null.
    static inline std::atomic<bool> strings{false};

    explicit FailingAllocations(std::atomic<bool>& kind) : kind_(kind) { kind_ = true; }
    ~FailingAllocations() { kind_ = false; }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

private:
    std::atomic<bool>& kind_;
};
