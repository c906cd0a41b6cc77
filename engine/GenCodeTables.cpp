// Build-time tool: reads the built-in GBK/Big5 mapping text with the engine's
// own reader and writes both tables as C++ arrays.
//
//     gen_code_tables <mapping text> <output .cpp>
#include "engine/CodeTables.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

void WriteTable(std::ofstream& out, const char* name,
                const std::array<tessarim::DbcsCode, tessarim::TableSpan>& table) {
    out << "extern const std::array<DbcsCode, TableSpan> " << name << ";\n"
        << "const std::array<DbcsCode, TableSpan> " << name << " = {\n";
    for (std::size_t i = 0; i < table.size(); ++i)
        out << table[i] << (i % 16 == 15 ? ",\n" : ",");
    out << "};\n\n";
}

// The same table by a character's two bytes read as one little-endian
// number, each entry the target's two bytes the same way.
void WritePairTable(std::ofstream& out, const char* name,
                    const std::array<tessarim::DbcsCode, tessarim::TableSpan>& table) {
    out << "extern const std::array<std::uint16_t, PairTableSpan> " << name << ";\n"
        << "const std::array<std::uint16_t, PairTableSpan> " << name << " = {\n";
    for (unsigned pair = 0; pair < tessarim::PairTableSpan; ++pair) {
        const unsigned code = (pair & 0xFF) << 8 | pair >> 8;
        // A first byte below 0x80 begins no double-byte character: the white
        // square, as for 0x8000.
        const unsigned to = table[code >= 0x8000 ? code - 0x8000 : 0];
        out << ((to & 0xFF) << 8 | to >> 8) << (pair % 16 == 15 ? ",\n" : ",");
    }
    out << "};\n\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_code_tables <mapping text> <output .cpp>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> text((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        std::fprintf(stderr, "gen_code_tables: cannot read %s\n", argv[1]);
        return 1;
    }
    const auto tables = std::make_unique<tessarim::CodeTableSet>();
    const std::string error = tessarim::ParseCodeTables(text, *tables);
    if (!error.empty()) {
        std::fprintf(stderr, "gen_code_tables: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << "// Written by gen_code_tables from data/strtbl; do not edit.\n"
        << "#include \"engine/CodeTables.h\"\n\nnamespace tessarim::generated {\n\n";
    WriteTable(out, "GbToBig5", tables->gbToBig5);
    WriteTable(out, "Big5ToGb", tables->big5ToGb);
    WritePairTable(out, "GbToBig5Pairs", tables->gbToBig5);
    WritePairTable(out, "Big5ToGbPairs", tables->big5ToGb);
    out << "} // namespace tessarim::generated\n";
    out.close();
    if (!out) {
        std::fprintf(stderr, "gen_code_tables: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
