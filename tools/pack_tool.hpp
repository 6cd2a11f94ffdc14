#pragma once
// Writing, listing and unpacking pack archives.

#include "resources/pack_archive.hpp"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vura::tools {

// Packs the files into BASE and BASE.lst. Each file's type comes from its extension (.SQX,
// .SQI, .BMP, .PNG, .WAV, .OGG, any case) and its entry name is its upper-cased name without
// the extension, in Shift-JIS; scripts and the layout are scrambled with the content key.
bool writePack(const std::vector<std::filesystem::path>& files, const std::filesystem::path& base,
               std::uint8_t indexKey, std::uint8_t contentKey, std::string& error);

// One line per entry (name, type, offset, size) and the keys the reader found.
bool describePack(const std::filesystem::path& base, std::string& out, std::string& error);

// Writes every entry back as a file in `directory`, with the extension of its type (scripts
// descrambled). Names that would leave the directory are made safe.
bool unpackPack(const std::filesystem::path& base, const std::filesystem::path& directory,
                std::vector<std::filesystem::path>& written, std::string& error);

// The file extension an entry of this type is written with.
std::string extensionOfEntry(const PackEntry& entry);

} // namespace vura::tools
