#pragma once
// Whole files read and written by the tests, bytes as they are.

#include <string>

namespace qctest {

// Empty when the file can't be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace qctest
