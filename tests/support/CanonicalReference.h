// A table of codes that are not their character's canonical code (tests/data/*/*-canonical.tsv,
// made by scripts/gen-canonical-reference.py): each code's bytes with its canonical code's.
#pragma once

#include <fstream>
#include <map>
#include <string>

inline std::map<std::string, std::string> LoadCanonicalReference(const std::string& path) {
    const auto bytes = [](const std::string& hex) {
        std::string out;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        return out;
    };
    std::map<std::string, std::string> codes;
    std::ifstream file(path);
    for (std::string code, canonical; file >> code >> canonical;)
        if (!code.starts_with("#"))
            codes[bytes(code)] = bytes(canonical);
        else
            file.ignore(1 << 10, '\n');
    return codes;
}
