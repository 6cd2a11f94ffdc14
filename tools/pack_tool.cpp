#include "pack_tool.hpp"

#include "base/sjis.hpp"

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace vura::tools {

namespace {

bool writeWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    // Beside the target, then renamed over it: a failed write never leaves half an archive.
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

const char* typeName(std::uint32_t type) {
    switch (type) {
    case kPackScript:
        return "script";
    case kPackBmp:
        return "bmp";
    case kPackPng:
        return "png";
    case kPackWav:
        return "wav";
    case kPackOgg:
        return "ogg";
    default:
        return "unknown";
    }
}

std::string hexByte(std::uint8_t b) {
    static const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

bool openArchive(const std::filesystem::path& base, PackArchive& pack, std::string& error) {
    pack.SetPaths(base);
    if (!pack.present) {
        error = "no pack at '" + base.string() + "' (both it and its .lst are needed)";
        return false;
    }
    if (!pack.ReadIndex()) {
        error = "the index '" + pack.indexPath.string() +
                "' is damaged: its entry count does not match its size, or an entry lies "
                "outside the data file";
        return false;
    }
    return true;
}

} // namespace

std::string extensionOfEntry(const PackEntry& entry) {
    switch (entry.type) {
    case kPackScript:
        return entry.name == "NECEMEM" ? ".SQI" : ".SQX";
    case kPackBmp:
        return ".BMP";
    case kPackPng:
        return ".PNG";
    case kPackWav:
        return ".WAV";
    case kPackOgg:
        return ".OGG";
    default:
        return ".BIN";
    }
}

bool writePack(const std::vector<std::filesystem::path>& files, const std::filesystem::path& base,
               std::uint8_t indexKey, std::uint8_t contentKey, std::string& error) {
    std::vector<std::uint8_t> data;
    std::vector<PackEntry> entries;
    std::set<std::pair<std::string, std::uint32_t>> seen;
    for (const std::filesystem::path& file : files) {
        PackEntry e;
        e.type = packTypeOfExtension(file.extension().string());
        if (e.type == 0) {
            error = "'" + file.string() +
                    "': unknown type (expected .SQX, .SQI, .BMP, .PNG, .WAV or .OGG)";
            return false;
        }
        e.name = sjisToUpper(utf8ToCp932(file.stem().string()));
        if (e.name.empty() || e.name.size() >= kPackNameSize) {
            error = "'" + file.string() + "': an entry name has 1 to 63 bytes";
            return false;
        }
        if (!seen.insert({e.name, e.type}).second) {
            error = "'" + file.string() + "': a second " + typeName(e.type) + " entry named " +
                    cp932ToUtf8(e.name);
            return false;
        }
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            error = "cannot read '" + file.string() + "'";
            return false;
        }
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        if (data.size() + bytes.size() > 0xFFFFFFFFull) {
            error = "the archive would pass 4 GiB";
            return false;
        }
        if (e.type == kPackScript) {
            for (std::uint8_t& b : bytes)
                b ^= contentKey;
        }
        e.offset = static_cast<std::uint32_t>(data.size());
        e.size = static_cast<std::uint32_t>(bytes.size());
        data.insert(data.end(), bytes.begin(), bytes.end());
        entries.push_back(e);
    }
    std::filesystem::path index = base;
    index += ".lst";
    if (!writeWhole(base, data) || !writeWhole(index, serializePackIndex(entries, indexKey))) {
        error = "cannot write '" + base.string() + "'";
        return false;
    }
    return true;
}

bool describePack(const std::filesystem::path& base, std::string& out, std::string& error) {
    PackArchive pack;
    if (!openArchive(base, pack, error))
        return false;
    std::ostringstream s;
    s << pack.entries.size() << " entries; index key " << hexByte(pack.indexKey) << ", content key "
      << hexByte(pack.contentKey) << "\n";
    for (const PackEntry& e : pack.entries) {
        s << cp932ToUtf8(e.name) << "\t" << typeName(e.type) << " (" << e.type << ")\toffset "
          << e.offset << "\tsize " << e.size << "\n";
    }
    out = s.str();
    return true;
}

bool unpackPack(const std::filesystem::path& base, const std::filesystem::path& directory,
                std::vector<std::filesystem::path>& written, std::string& error) {
    PackArchive pack;
    if (!openArchive(base, pack, error))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    std::set<std::string> used;
    for (std::size_t i = 0; i < pack.entries.size(); ++i) {
        const PackEntry& e = pack.entries[i];
        // An entry name is a bare file name: separators and dot-only names cannot take the file
        // out of the directory.
        std::string name = cp932ToUtf8(e.name);
        for (char& c : name) {
            if (c == '/' || c == '\\' || c == '\0')
                c = '_';
        }
        if (name.empty() || name.find_first_not_of('.') == std::string::npos)
            name = "_" + name;
        pack.current = static_cast<std::int32_t>(i);
        std::vector<std::uint8_t> bytes;
        if (!pack.ReadCurrent(bytes)) {
            error = "cannot read the entry " + name;
            return false;
        }
        // Two entries of one name and type are both kept: the later gets a number.
        std::string file = name + extensionOfEntry(e);
        for (int n = 2; !used.insert(sjisToUpper(file)).second; ++n)
            file = name + "~" + std::to_string(n) + extensionOfEntry(e);
        std::filesystem::path target = directory / file;
        if (!writeWhole(target, bytes)) {
            error = "cannot write '" + target.string() + "'";
            return false;
        }
        written.push_back(target);
    }
    return true;
}

} // namespace vura::tools
