// Writes well-formed PE images into a folder, as seeds for the PE header reader's fuzz target.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "pe_builder.h"

using namespace velbrisk::testing;

// A PE32 image, a signed PE32+ one and an unstripped PE32 one: the fuzzer's dictionary and its
// mutations reach the other counts and offsets from these.
int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    PeLayout signedImage = typicalLayout(true);
    signedImage.certificateTable = PeCertificateTable{0x800, 0x48};
    signedImage.trailingZeros = 0x30;
    PeLayout unstripped = typicalLayout(false);
    unstripped.symbolTable = PeSymbolTable{0x800, 4, 0x18};
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    int number = 0;
    for (const PeLayout& seed : {typicalLayout(false), signedImage, unstripped}) {
        const auto bytes = buildPe(seed).bytes;
        std::ofstream out(folder / ("seed" + std::to_string(++number)), std::ios::binary);
        if (!out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()))) {
            std::fprintf(stderr, "cannot write into %s\n", argv[1]);
            return 1;
        }
    }
    return 0;
}
