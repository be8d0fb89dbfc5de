// Measures the trimming engine against the work it cannot avoid: reading the blank tail once and
// copying the kept bytes once. Prints two tables and whether each target holds.
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/trim.h"
#include "inputs.h"
#include "measure.h"
#include "references.h"
#include "report.h"
#include "series.h"

namespace velbrisk::bench {
namespace {

// Far beyond what any input takes (a few seconds at the disk's speed for the largest copy).
constexpr double kJobLimitSeconds = 120;

struct Options {
    std::string parent;  // where the scratch folder goes
    // On a shared virtual machine a median of five runs of the largest jobs still moves by a tenth
    // from one bench to the next; eleven hold it to a few hundredths.
    int minRuns = 11;
    bool quick = false;        // small sizes, for trying the bench itself out
    std::string only;          // measure only the inputs whose names contain this
    double probeLoopCap = 60;  // seconds of the original loop per tail
};

std::vector<InputShape> inputShapes(bool quick) {
    std::int64_t big = quick ? 16 * kMiB : 256 * kMiB;
    std::int64_t whole = quick ? 64 * kMiB : kGiB;
    std::int64_t hole = quick ? 256 * kMiB : 4 * kGiB;
    std::vector<InputShape> shapes = {
        {"(a)", big, big, false},
        {"(b)", whole, 0, false},
    };
    std::vector<std::pair<const char*, std::int64_t>> tails = {
        {"64K", 64 * kKiB}, {"256K", 256 * kKiB}, {"1M", kMiB},        {"4M", 4 * kMiB},
        {"16M", 16 * kMiB}, {"64M", 64 * kMiB},   {"256M", 256 * kMiB}};
    for (const auto& [label, bytes] : tails) {
        if (quick && bytes > 16 * kMiB) {
            break;
        }
        shapes.push_back({std::string("(c) ") + label, 4 * kMiB, bytes, false});
    }
    shapes.push_back({"(d)", 4 * kMiB, hole, true});
    shapes.push_back({"(d) 4M alone", 4 * kMiB, 0, false});
    return shapes;
}

std::string fileLabel(const InputShape& shape) {
    std::string label;
    for (char c : shape.name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            label += c;
        }
    }
    return label;
}

std::string todayUtc() {
    std::time_t now = std::time(nullptr);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    return text;
}

std::string cpuModel() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown CPU";
}

// "1.02 0.87 0.55": other work on the machine shows in every timing, so it is printed with them.
std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Other work on a small machine preempts the bench for whole scheduler ticks (4 ms here), which
// lands on the longer of two jobs being compared more often than on the shorter. A higher
// priority, where the system grants it, keeps most of that out; cp, run as a child, shares it.
std::string raisePriority() {
    if (::setpriority(PRIO_PROCESS, 0, -10) == 0) {
        return "raised to nice -10 (cp, as a child, runs at it too)";
    }
    return "normal (raising it was refused)";
}

void printHeader(const Options& options, const ScratchFolder& scratch,
                 const std::string& priority) {
    utsname system{};
    ::uname(&system);
    struct sysinfo memory {};
    ::sysinfo(&memory);
    std::printf("Velbrisk engine bench, %s\n", todayUtc().c_str());
    std::printf("machine: %u cores (%s), %.1f GiB memory, %s %s\n",
                std::thread::hardware_concurrency(), cpuModel().c_str(),
                static_cast<double>(memory.totalram) * memory.mem_unit / kGiB, system.sysname,
                system.release);
    std::printf("scratch folder %s: %s\n", scratch.path().c_str(),
                describeFileSystem(scratch.path()).c_str());
    std::printf("/work: %s; /tmp: %s\n", describeFileSystem("/work").c_str(),
                describeFileSystem("/tmp").c_str());
    std::printf("load average at the start (1, 5, 15 min): %s; priority %s\n",
                loadAverage().c_str(), priority.c_str());
    std::printf("block cloning (FICLONE) in the scratch folder: %s\n",
                cloneSupport(scratch.path()).c_str());
    std::printf("cp: %s, run as /bin/cp SOURCE TARGET with no options\n", cpVersion().c_str());
    std::printf(
        "timing: wall clock; every figure is the median of at least %d runs (more for "
        "short jobs) after one warm-up run; page cache warm (inputs written and flushed "
        "first, then read by the warm-up). Per input, three series after a sync: scan and "
        "tail read taking turns; copy, cp, whole job, whole job with progress taking turns; "
        "then cp + sync. Every job that writes starts after a sync, and its output is "
        "deleted right after its run%s\n\n",
        options.minRuns, options.quick ? ". QUICK MODE: small inputs" : "");
}

// The temporary outputs (".NAME.exe.XXXXXX") of a job that was killed before it could remove them.
void removeTempOutputs(const ScratchFolder& scratch, const std::string& outputName) {
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        if (entry.path().filename().string().rfind("." + outputName, 0) == 0) {
            removeIfThere(entry.path().string());
        }
    }
}

// Files in the scratch folder other than the inputs: the engine's, left behind (every run's
// output is deleted as soon as it is checked).
std::vector<std::string> leftovers(const ScratchFolder& scratch,
                                   const std::vector<InputResult>& rows) {
    std::set<std::string> inputs;
    for (const InputResult& row : rows) {
        inputs.insert(row.source);
    }
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        if (inputs.count(entry.path().string()) == 0) {
            found.push_back(entry.path().filename().string());
        }
    }
    return found;
}

int runBench(const Options& options) {
    std::vector<InputShape> shapes = inputShapes(options.quick);
    std::erase_if(shapes, [&](const InputShape& shape) {
        return shape.name.find(options.only) == std::string::npos;
    });
    // Every input stays until the end; at most one input's kept bytes exist three times over
    // (the copy for cp, the engine's output and cp's) at any moment.
    std::int64_t needed = 0;
    std::int64_t largestKept = 0;
    for (const InputShape& shape : shapes) {
        needed += shape.dataBytes + (shape.sparseTail ? 0 : shape.tailBytes);
        largestKept = std::max(largestKept, shape.dataBytes + kMiB);
    }
    needed += 3 * largestKept;
    std::int64_t available = freeBytes(options.parent);
    if (available >= 0 && available < needed + kGiB) {
        std::fprintf(stderr, "velbrisk_bench: %s has %s free; the inputs need about %s\n",
                     options.parent.c_str(), sizeText(available / kMiB * kMiB).c_str(),
                     sizeText(needed / kMiB * kMiB).c_str());
        return 2;
    }

    catchInterrupts();
    ScratchFolder scratch(options.parent);
    printHeader(options, scratch, raisePriority());

    std::vector<InputResult> rows;
    for (const InputShape& shape : shapes) {
        stopIfInterrupted();
        InputResult row;
        row.shape = shape;
        std::string label = fileLabel(shape);
        row.source = scratch.file(label + ".bin");
        row.outputName = label + "-small";
        row.output = outputPath(row.source, row.outputName);
        row.reference = scratch.file(label + ".kept");
        row.cpOutput = scratch.file(label + ".cp");
        row.length = shape.dataBytes + shape.tailBytes;
        std::fprintf(stderr, "writing %s (%s) ...\n", shape.name.c_str(),
                     sizeText(row.length).c_str());
        writeInput(row.source, shape);
        if (!shape.sparseTail && allocatedBytes(row.source) < row.length) {
            row.problems.push_back("the input came out sparse");
        }
        rows.push_back(row);
    }

    // Peaks first, while this process is still small: a forked child starts with the pages that
    // its parent holds at that moment.
    // A job that does not end there is not run again here, where it would hang the bench.
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
            removeTempOutputs(scratch, row.outputName);
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
        if (row.shape.name.rfind("(c)", 0) == 0 && row.shape.tailBytes <= kMiB &&
            row.problems.empty()) {
            measureProbeLoop(row, options.minRuns, options.probeLoopCap);
        }
    }
    stopIfInterrupted();
    std::vector<std::string> strays = leftovers(scratch, rows);

    std::printf("load average at the end: %s\n\n", loadAverage().c_str());
    printTables(rows);
    int failures = printTargets(rows, strays);
    return failures == 0 ? 0 : 1;
}

int usage() {
    std::fprintf(stderr,
                 "usage: velbrisk_bench [--dir FOLDER] [--runs N] [--quick] [--only TEXT]\n"
                 "The inputs are written to a fresh folder inside FOLDER (default: the system's "
                 "temporary folder), which should lie on the file system being measured; --only "
                 "keeps the inputs whose names hold TEXT, such as \"(c)\".\n");
    return 2;
}

}  // namespace
}  // namespace velbrisk::bench

int main(int argc, char** argv) {
    using namespace velbrisk::bench;
    Options options;
    options.parent = std::filesystem::temp_directory_path().string();
    for (int k = 1; k < argc; ++k) {
        std::string argument = argv[k];
        if (argument == "--dir" && k + 1 < argc) {
            options.parent = argv[++k];
        } else if (argument == "--runs" && k + 1 < argc) {
            options.minRuns = std::max(5, std::atoi(argv[++k]));
        } else if (argument == "--only" && k + 1 < argc) {
            options.only = argv[++k];
        } else if (argument == "--quick") {
            options.quick = true;
            options.probeLoopCap = 5;
        } else {
            return usage();
        }
    }
    try {
        return runBench(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velbrisk_bench: %s\n", error.what());
        return 2;
    }
}
