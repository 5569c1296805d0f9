#pragma once
// The catalogue's data files, compiled into the program (generated at build time).

#include <span>
#include <string_view>

namespace qc {

struct EmbeddedFile {
    std::string_view name;
    std::string_view text;
};

std::span<const EmbeddedFile> embeddedCatalogueFiles();

}  // namespace qc
