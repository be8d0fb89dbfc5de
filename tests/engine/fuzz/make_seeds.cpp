// Writes the test images of the PE header reader into a folder, as seeds for its fuzz target.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "pe_builder.h"

using namespace velbrisk::testing;

// Writes one image as it is, signed, with five data directories, and with seventy sections.
bool writeSeeds(const std::filesystem::path& folder, const std::string& name, PeLayout layout) {
    PeLayout signedImage = layout;
    signedImage.certificateTable = PeCertificateTable{0x800, 0x48};
    signedImage.trailingZeros = 0x30;
    PeLayout fewDirectories = signedImage;
    fewDirectories.dataDirectoryCount = 5;
    fewDirectories.newHeaderOffset = 0x40;
    PeLayout manySections = layout;
    manySections.sections.clear();
    for (std::uint32_t index = 0; index < 70; ++index) {
        manySections.sections.push_back({".s" + std::to_string(index), 0x1000 + 0x10 * index,
                                         index % 3 == 0 ? 0u : 0x10u, {std::uint8_t(index + 1)}});
    }
    bool written = true;
    for (const auto& [suffix, seed] : {std::pair{"", layout}, {"-signed", signedImage},
                                       {"-five-directories", fewDirectories},
                                       {"-seventy-sections", manySections}}) {
        const auto bytes = buildPe(seed).bytes;
        std::ofstream out(folder / (name + suffix), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        written = written && out.good();
    }
    return written;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    PeLayout headersOnly = typicalLayout(false);
    headersOnly.sections = {{".bss", 0, 0, {}}};
    const bool written = writeSeeds(argv[1], "pe32", typicalLayout(false)) &&
                         writeSeeds(argv[1], "pe32plus", typicalLayout(true)) &&
                         writeSeeds(argv[1], "headers-only", headersOnly);
    if (!written) {
        std::fprintf(stderr, "cannot write into %s\n", argv[1]);
    }
    return written ? 0 : 1;
}
