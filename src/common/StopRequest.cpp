#include "StopRequest.h"

#include <atomic>

namespace tbstop {

namespace {
std::atomic<bool> g_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
} // namespace

void Request() noexcept { g_requested.store(true, std::memory_order_relaxed); }

bool Requested() noexcept { return g_requested.load(std::memory_order_relaxed); }

void Clear() noexcept { g_requested.store(false, std::memory_order_relaxed); }

} // namespace tbstop
