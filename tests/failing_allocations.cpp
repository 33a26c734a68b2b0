#include "failing_allocations.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace test_support {
namespace {

std::atomic<DWORD> g_thread{0};  // 0: no thread's allocations fail
std::atomic<long> g_allowed{0};
std::atomic<bool> g_refused{false};

bool RefuseThisOne() {
    if (g_thread.load() != GetCurrentThreadId() || g_allowed.fetch_sub(1) > 0) return false;
    g_refused = true;
    return true;
}

void* Allocate(std::size_t size) {
    if (RefuseThisOne()) throw std::bad_alloc();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}

}  // namespace

void FailingAllocations::Arm(int allowed) {
    g_allowed = allowed;
    g_refused = false;
    g_thread = GetCurrentThreadId();
}

void FailingAllocations::Disarm() { g_thread = 0; }

bool FailingAllocations::Refused() { return g_refused; }

}  // namespace test_support

// The replaceable allocation functions; the nothrow forms of the runtime come here too.
void* operator new(std::size_t size) { return test_support::Allocate(size); }
void* operator new[](std::size_t size) { return test_support::Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
