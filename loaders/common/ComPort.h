#pragma once

#include <string>

namespace tbload {

// COM n as the program maps it (TUNEBENCH_COM<n>, the settings store, the
// platform default), so that COM n is the same device for every component.
std::string DevicePathOfCom(int com);

} // namespace tbload
