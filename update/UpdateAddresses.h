#pragma once

#include <QString>

namespace qv {

// The address of the update list: the environment variable QUORVANE_UPDATE_URL when it is set and
// not empty, else the address fixed at build time (CMake cache variable QUORVANE_UPDATE_URL).
QString UpdateServerAddress();

// The maker's home page, opened when the update list names no usable download address.
QString HomePageAddress();

} // namespace qv
