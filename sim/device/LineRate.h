#pragma once

namespace tbsim {

// The baud rate the client set on the pseudo-terminal, read through the master
// (TCGETS2, so non-standard rates such as 8600 come through); -1 on failure.
[[nodiscard]] int lineBaudRate(int fd);

} // namespace tbsim
