// Cuts one file both ways with the engine, for the checks on real programs: SAFE.exe keeps the
// program's own bytes, FULL.exe loses every blank byte the probe rule finds; both beside SOURCE.
// Prints "source S declared D safe K full F imageBytesCut C".
#include <cstdio>
#include <optional>

#include "engine/trim.h"

using namespace velbrisk;

int main(int argc, char** argv) {
    TrimPlan full;
    std::optional<TrimPlan> safe;
    if (argc == 4 && scanSource(argv[1], full).status == JobStatus::Done) {
        safe = safePlan(full);
    }
    if (!safe || writeTrimmed(*safe, outputPath(argv[1], argv[2])).status != JobStatus::Done ||
        writeTrimmed(full, outputPath(argv[1], argv[3])).status != JobStatus::Done) {
        std::puts("usage: cut_both_ways SOURCE SAFE FULL, which must give both copies");
        return 1;
    }
    std::printf("source %lld declared %lld safe %lld full %lld imageBytesCut %lld\n",
                static_cast<long long>(full.sourceLength), static_cast<long long>(full.declaredEnd),
                static_cast<long long>(safe->cut->outputLength),
                static_cast<long long>(full.cut->outputLength),
                static_cast<long long>(full.imageBytesCut));
    return 0;
}
