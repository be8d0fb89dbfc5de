// Measures the trimming engine against the work it cannot avoid: reading the blank tail once and
// copying the kept bytes once. Prints two tables and whether each target holds.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench.h"

namespace velbrisk::bench {
namespace {

// Far beyond what any input takes (a few seconds at the disk's speed for the largest copy).
constexpr double kJobLimitSeconds = 120;

struct Options {
    std::string parent;  // where the scratch folder goes
    // On a shared virtual machine a median of five runs of the largest jobs still moves by a tenth
    // from one bench to the next; eleven hold it to a few hundredths.
    int minRuns = 11;
    bool quick = false;        // small sizes and fewer runs, for trying the bench itself out
    std::string only;          // measure only the inputs whose names contain this
    double probeLoopCap = 60;  // seconds of the original loop per tail
};

std::vector<InputShape> inputShapes(bool quick) {
    const std::int64_t big = quick ? 16 * kMiB : 256 * kMiB;
    std::vector<InputShape> shapes = {{"(a)", big, big}, {"(b)", quick ? 64 * kMiB : kGiB, 0}};
    for (std::int64_t tail = 64 * kKiB; tail <= big; tail *= 4) {
        const std::string label =
            tail < kMiB ? std::to_string(tail / kKiB) + "K" : std::to_string(tail / kMiB) + "M";
        shapes.push_back({"(c) " + label, 4 * kMiB, tail});
    }
    shapes.push_back({"(d)", 4 * kMiB, quick ? 256 * kMiB : 4 * kGiB, true});
    shapes.push_back({"(d) 4M alone", 4 * kMiB, 0});
    return shapes;
}

// A fresh folder inside `parent`, removed with everything in it when the object goes.
struct ScratchFolder {
    std::string path;
    explicit ScratchFolder(const std::string& parent) : path(parent + "/velbrisk-bench.XXXXXX") {
        if (::mkdtemp(path.data()) == nullptr) {
            throw std::runtime_error("cannot make a folder in " + parent);
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }

    // The files in the folder whose names start with `prefix`, other than `keep`.
    std::vector<std::string> files(const std::string& prefix,
                                   const std::vector<std::string>& keep = {}) const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(prefix) &&
                std::find(keep.begin(), keep.end(), name) == keep.end()) {
                found.push_back(name);
            }
        }
        return found;
    }
};

void printHeader(const Options& options, const ScratchFolder& scratch) {
    // Other work preempts the bench for whole scheduler ticks (4 ms here), more often the longer
    // of two jobs being compared than the shorter. A higher priority, where the system grants it,
    // keeps most of that out; cp, as a child, shares it.
    const char* priority = ::setpriority(PRIO_PROCESS, 0, -10) == 0
                               ? "raised to nice -10 (cp, as a child, runs at it too)"
                               : "normal (raising it was refused)";
    std::printf("Velbrisk engine bench, %s\n",
                firstLineOf("date -u '+%Y-%m-%d %H:%M UTC'").c_str());
    std::printf(
        "machine: %u cores (%s), %.1f GiB memory, %s\n", std::thread::hardware_concurrency(),
        firstLineOf("sed -n 's/^model name[^:]*: //p' /proc/cpuinfo").c_str(),
        std::atof(firstLineOf("awk '/^MemTotal/ { print $2 / 1048576 }' /proc/meminfo").c_str()),
        firstLineOf("uname -sr").c_str());
    std::printf("scratch folder %s: %s\n", scratch.path.c_str(),
                firstLineOf("findmnt -n -o FSTYPE,SOURCE,TARGET -T '" + scratch.path +
                            "' | awk '{ print $1 \" on \" $2 \" (mounted at \" $3 \")\" }'")
                    .c_str());
    // Other work on the machine shows in every timing, so the load is printed with them.
    std::printf("load average at the start (1, 5, 15 min): %s; priority %s\n",
                firstLineOf("cut -d' ' -f1-3 /proc/loadavg").c_str(), priority);
    std::printf("block cloning (FICLONE) in the scratch folder: %s\n",
                cloneSupport(scratch.path).c_str());
    std::printf("cp: %s, run as /bin/cp SOURCE TARGET with no options\n",
                firstLineOf("/bin/cp --version").c_str());
    std::printf(
        "timing: wall clock, the median of at least %d runs (more for short jobs) after a warm-up "
        "run, page cache warm. Per input, three series after a sync: scan and tail read taking "
        "turns; copy, cp, whole job, whole job with progress taking turns; then cp + sync. Every "
        "job that writes starts after a sync; its output is deleted after its run%s\n\n",
        options.minRuns, options.quick ? ". QUICK MODE: small inputs" : "");
}

int runBench(const Options& options) {
    std::vector<InputShape> shapes = inputShapes(options.quick);
    std::erase_if(shapes, [&](const InputShape& shape) {
        return shape.name.find(options.only) == std::string::npos;
    });
    // Every input stays until the end; at most one input's kept bytes exist three times over
    // (the copy for cp, the engine's output and cp's) at any moment.
    std::int64_t needed = 0, largestKept = 0;
    for (const InputShape& shape : shapes) {
        needed += shape.dataBytes + (shape.sparseTail ? 0 : shape.tailBytes);
        largestKept = std::max(largestKept, shape.dataBytes + kMiB);
    }
    needed += 3 * largestKept;
    const auto available = std::filesystem::space(options.parent).available / kMiB * kMiB;
    if (available < static_cast<std::uintmax_t>(needed + kGiB)) {
        throw std::runtime_error(options.parent + " has " + sizeText(available) +
                                 " free; the inputs need about " + sizeText(needed / kMiB * kMiB));
    }

    catchInterrupts();
    ScratchFolder scratch(options.parent);
    printHeader(options, scratch);

    std::vector<InputResult> rows;
    std::vector<std::string> inputs;
    for (const InputShape& shape : shapes) {
        stopIfInterrupted();
        InputResult row;
        row.shape = shape;
        row.length = shape.dataBytes + shape.tailBytes;
        std::string label = shape.name;
        std::erase_if(label, [](unsigned char c) { return !std::isalnum(c); });
        inputs.push_back(label + ".bin");
        row.source = scratch.file(inputs.back());
        row.outputName = label + "-small";
        row.output = outputPath(row.source, row.outputName);
        row.reference = scratch.file(label + ".kept");
        row.cpOutput = scratch.file(label + ".cp");
        std::fprintf(stderr, "writing %s (%s) ...\n", shape.name.c_str(),
                     sizeText(row.length).c_str());
        writeInput(row.source, shape);
        if (!shape.sparseTail && hasHole(row.source, row.length)) {
            row.problems.push_back("the input came out sparse");
        }
        rows.push_back(row);
    }

    // Peaks first, while this process is still small: a forked child starts with the pages that
    // its parent holds at that moment. A job that does not end there is not run again here, where
    // it would hang the bench; the temporary output (".NAME.exe.XXXXXX") that it leaves goes.
    for (InputResult& row : rows) {
        stopIfInterrupted();
        row.peak = peakInChild(
            [&] { return trimFile(row.source, row.outputName).status == JobStatus::Done; },
            kJobLimitSeconds);
        removeIfThere(row.output);
        if (row.peak.timedOut) {
            row.problems.push_back("trimFile did not end within " +
                                   std::to_string(static_cast<int>(kJobLimitSeconds)) +
                                   " s and was killed");
            for (const std::string& name : scratch.files("." + row.outputName)) {
                removeIfThere(scratch.file(name));
            }
        }
    }
    for (InputResult& row : rows) {
        stopIfInterrupted();
        if (!row.peak.timedOut) {
            measure(row, options.minRuns);
        }
    }
    for (InputResult& row : rows) {
        stopIfInterrupted();
        if (row.shape.name.starts_with("(c)") && row.shape.tailBytes <= kMiB &&
            row.problems.empty()) {
            measureProbeLoop(row, options.minRuns, options.probeLoopCap);
        }
    }
    stopIfInterrupted();

    std::printf("load average at the end: %s\n\n",
                firstLineOf("cut -d' ' -f1-3 /proc/loadavg").c_str());
    printTables(rows);
    // Anything in the scratch folder but the inputs, the engine's left behind: every run's output
    // is deleted as soon as it is checked.
    return printTargets(rows, scratch.files("", inputs)) == 0 ? 0 : 1;
}

}  // namespace
}  // namespace velbrisk::bench

int main(int argc, char** argv) {
    using namespace velbrisk::bench;
    Options options;
    options.parent = std::filesystem::temp_directory_path().string();
    for (int k = 1; k < argc; ++k) {
        const std::string argument = argv[k];
        if (argument == "--dir" && k + 1 < argc) {
            options.parent = argv[++k];
        } else if (argument == "--only" && k + 1 < argc) {
            options.only = argv[++k];
        } else if (argument == "--quick") {
            options.quick = true;
            options.minRuns = 5;
            options.probeLoopCap = 5;
        } else {
            std::fprintf(
                stderr,
                "usage: velbrisk_bench [--dir FOLDER] [--quick] [--only TEXT]\n"
                "The inputs are written to a fresh folder inside FOLDER (default: the "
                "system's temporary folder), which should lie on the file system being "
                "measured; --only keeps the inputs whose names hold TEXT, such as \"(c)\".\n");
            return 2;
        }
    }
    try {
        return runBench(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velbrisk_bench: %s\n", error.what());
        return 2;
    }
}
