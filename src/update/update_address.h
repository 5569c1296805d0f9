#pragma once

#include <string>

namespace qc {

// The update descriptor's address, fixed when the program is built.
std::string updateDescriptorAddress();

}  // namespace qc
