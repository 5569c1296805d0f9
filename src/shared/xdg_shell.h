#pragma once

#include "core/ports/shell.h"

namespace qc {

// Opens addresses with the desktop's default program: `xdg-open` with the address as its one
// argument, no shell in between, not waited for.
class XdgShell : public Shell {
public:
    void open(const std::string& address) override;
};

}  // namespace qc
