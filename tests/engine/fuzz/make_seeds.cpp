// Writes the test images of the PE header reader into a folder, as seeds for its fuzz target.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "pe_builder.h"

using namespace velbrisk::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    std::vector<std::pair<std::string, PeLayout>> seeds;
    for (const bool pe32Plus : {false, true}) {
        const std::string kind = pe32Plus ? "pe32plus" : "pe32";
        PeLayout layout = typicalLayout(pe32Plus);
        seeds.emplace_back(kind + "-typical", layout);

        PeLayout signedImage = layout;
        signedImage.certificateTable = PeCertificateTable{0x800, 0x48};
        signedImage.trailingZeros = 0x30;
        seeds.emplace_back(kind + "-signed", signedImage);

        PeLayout fewDirectories = signedImage;
        fewDirectories.dataDirectoryCount = 5;
        fewDirectories.newHeaderOffset = 0x40;
        seeds.emplace_back(kind + "-five-directories", fewDirectories);

        PeLayout manySections = layout;
        manySections.sections.clear();
        for (std::uint32_t index = 0; index < 70; ++index) {
            manySections.sections.push_back(
                {".s" + std::to_string(index), 0x1000 + 0x10 * index, index % 3 == 0 ? 0u : 0x10u,
                 std::vector<std::uint8_t>(4, static_cast<std::uint8_t>(index + 1))});
        }
        seeds.emplace_back(kind + "-seventy-sections", manySections);

        PeLayout headersOnly = layout;
        headersOnly.sections = {{".bss", 0, 0, {}}};
        seeds.emplace_back(kind + "-headers-only", headersOnly);
    }

    for (const auto& [name, layout] : seeds) {
        const std::vector<std::uint8_t> bytes = buildPe(layout).bytes;
        std::ofstream out(folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
            return 1;
        }
    }
    return 0;
}
