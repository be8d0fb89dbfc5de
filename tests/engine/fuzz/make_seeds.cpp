// Writes well-formed PE images into a folder, as seeds for the PE header reader's fuzz target.
#include <cstdio>
#include <fstream>

#include "pe_builder.h"

using namespace velbrisk::testing;

// A PE32 image, a signed PE32+ one and an unstripped PE32 one, into the folder that exists: the
// fuzzer's dictionary and its mutations reach the other counts and offsets from these.
int main(int argc, char** argv) {
    PeLayout signedImage = typicalLayout(true);
    signedImage.certificateTable = PeCertificateTable{0x800, 0x48};
    signedImage.trailingZeros = 0x30;
    PeLayout unstripped = typicalLayout(false);
    unstripped.symbolTable = PeSymbolTable{0x800, 4, 0x18};
    char number = '0';
    for (const PeLayout& seed : {typicalLayout(false), signedImage, unstripped}) {
        const std::vector<std::uint8_t> bytes = buildPe(seed).bytes;
        const std::string name = std::string(argc > 1 ? argv[1] : ".") + "/seed" + ++number;
        std::ofstream out(name, std::ios::binary);
        if (!out.write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes))) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
