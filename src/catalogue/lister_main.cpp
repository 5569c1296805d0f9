// Prints the built-in catalogue, one entry a line (the data files' own format).

#include <cstdio>
#include <exception>

#include "core/catalogue/catalogue.h"

int main() {
    try {
        std::string text = qc::Catalogue::builtIn().listing();
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qingchuan-catalogue: %s\n", e.what());
        return 1;
    }
}
