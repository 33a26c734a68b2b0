// Allocations that fail on purpose, as in a process that has run out of memory. A test program
// that adds failing_allocations.cpp to its sources has the global operator new replaced; while a
// FailingAllocations lives, the calling thread's C++ allocations after the first `allowed` ones
// throw std::bad_alloc. Other threads, and code of other modules, allocate as usual.
#pragma once

namespace test_support {

class FailingAllocations {
public:
    explicit FailingAllocations(int allowed = 0) { Arm(allowed); }
    ~FailingAllocations() { Disarm(); }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

    // From now on, on this thread: `allowed` allocations succeed, every later one fails.
    static void Arm(int allowed);
    static void Disarm();
    // Whether an allocation was refused since the last Arm.
    static bool Refused();
};

}  // namespace test_support
