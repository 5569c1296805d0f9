#include "shared/lazy_library.h"

#include <dlfcn.h>

namespace qc {

// Never closed: the functions stay in use until the program ends.
Library::Library(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

void* Library::find(const char* symbol) const { return handle_ ? ::dlsym(handle_, symbol) : nullptr; }

}  // namespace qc
