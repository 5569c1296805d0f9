#pragma once
// The desktop's "open this address" operation. Its result is never examined.

#include <string>

namespace qc {

class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const std::string& address) = 0;
};

}  // namespace qc
