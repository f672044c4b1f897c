// Writes the column type editor's catalogues "mss.map" and "mss.typ" into
// the folder given, from the type mapping, when the program is built.
#include "mssql/type_mapping.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

bool write_file(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::fprintf(stderr, "write_type_catalogues: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_type_catalogues <folder>\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    return write_file(folder / "mss.map", mss_type_map_text()) && write_file(folder / "mss.typ", mss_type_sizes_text())
               ? 0
               : 1;
}
