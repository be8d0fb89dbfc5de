// The output file's name: the source's folder, the name the user typed, and ".exe".
#include "engine/path_rules.h"
#include "engine/trim.h"

namespace velbrisk {

std::string sourceFolder(std::string_view sourcePath) {
    return folderOf(sourcePath, kNativePathRules);
}

std::string outputPath(std::string_view sourcePath, std::string_view outputName) {
    // ".exe" goes on even when the name already ends in it: the name is taken exactly as typed.
    std::string path = sourceFolder(sourcePath);
    path.append(outputName);
    path.append(".exe");
    return path;
}

}  // namespace velbrisk
