// Allocations that fail on request. The test binary replaces the C++
// allocation functions and the platform's SysAllocStringLen, for itself and
// for the component it loads; they work as usual until a test asks them to
// fail.
#pragma once

#include <atomic>

// While an object lives, allocations of one kind fail: every one, or only
// the next `count`. C++ objects: operator new throws std::bad_alloc, or gives
// null where it must not throw. Strings: SysAllocStringLen gives null.
class FailingAllocations {
public:
    static constexpr int kEvery = -1;
    // How many more allocations of the kind fail; kEvery: all of them.
    static inline std::atomic<int> objects{0};
    static inline std::atomic<int> strings{0};

    explicit FailingAllocations(std::atomic<int>& kind, int count = kEvery) : kind_(kind) { kind_ = count; }
    ~FailingAllocations() { kind_ = 0; }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

    // Whether the allocation that is asked for now fails.
    static bool Fails(std::atomic<int>& kind) { return kind < 0 || (kind > 0 && kind-- > 0); }

private:
    std::atomic<int>& kind_;
};
