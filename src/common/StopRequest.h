#pragma once

// A stop that SIGINT or SIGTERM asked for. The programs' signal handlers call
// Request (safe inside a handler); every loop that reads or parses a file asks
// Requested between blocks or lines and ends early, so a signal ends it within
// a second whatever the file holds. Standard C++ only, for the loaders too.
namespace tbstop {

void Request() noexcept;
[[nodiscard]] bool Requested() noexcept;
void Clear() noexcept;

} // namespace tbstop
