// Alone in its file: a build of the viewer that links its own copy of this file, compiled with
// another address, takes that one instead of the library's.
#include "update/update_address.h"

#ifndef QINGCHUAN_UPDATE_URL
#error "QINGCHUAN_UPDATE_URL must be defined for this file"
#endif

namespace qc {

std::string updateDescriptorAddress() { return QINGCHUAN_UPDATE_URL; }

}  // namespace qc
