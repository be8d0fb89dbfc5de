// Measures the trimming engine against the work it cannot avoid: reading the blank tail once and
// copying the kept bytes once. Prints two tables and whether each target holds.
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/trim.h"
#include "inputs.h"
#include "measure.h"
#include "references.h"

namespace velbrisk::bench {
namespace {

struct Options {
    std::string parent;  // where the scratch folder goes
    int minRuns = 5;
    bool quick = false;        // small sizes, for trying the bench itself out
    std::string only;          // measure only the inputs whose names contain this
    double probeLoopCap = 60;  // seconds of the original loop per tail
};

struct Row {
    InputSpec spec;
    std::string source;
    std::string outputName;
    std::string output;     // where the engine writes
    std::string reference;  // a file of exactly the kept bytes, for cp
    std::string cpOutput;
    std::int64_t length = 0;

    std::int64_t kept = 0;
    std::int64_t tail = 0;      // the blank tail and the probe that ends it: scanPosition + 1
    std::int64_t scanned = -1;  // bytes that the engine's scan read

    int scanRuns = 0;
    int copyRuns = 0;
    double scan = 0, read = 0, copy = 0, cp = 0, cpSync = 0, whole = 0, wholeWithProgress = 0;
    std::uint64_t progressCalls = 0;
    bool progressSound = true;  // monotonic and ending at done == total
    Peak peak;

    std::vector<std::string> problems;  // anything that makes this row's figures meaningless

    bool probeLoopRan = false;
    bool probeLoopFinished = false;
    bool probeLoopAgrees = true;
    int probeLoopRuns = 0;
    double probeLoop = 0;
    std::int64_t probeLoopReached = 0;
};

const char* statusName(JobStatus status) {
    switch (status) {
        case JobStatus::Done:
            return "Done";
        case JobStatus::NothingToCut:
            return "NothingToCut";
        case JobStatus::SourceMissing:
            return "SourceMissing";
        case JobStatus::SourceUnreadable:
            return "SourceUnreadable";
        case JobStatus::OutputUnwritable:
            return "OutputUnwritable";
        case JobStatus::SameFile:
            return "SameFile";
        case JobStatus::Cancelled:
            return "Cancelled";
    }
    return "?";
}

// The output length that the probe loop gives for `dataBytes` of non-zero data followed by zeros,
// worked out here on its own: the first probe pair (L - i - 1, L - i) that reaches into the data
// is at the smallest multiple of ten i >= L - dataBytes.
std::optional<std::int64_t> expectedOutputLength(std::int64_t dataBytes, std::int64_t length) {
    std::int64_t i = std::max<std::int64_t>(kProbeStep, (length - dataBytes + 9) / 10 * 10);
    if (length - i < 1) {
        return std::nullopt;
    }
    return length - (i - kProbeStep) + 1;
}

std::vector<InputSpec> inputSpecs(bool quick) {
    std::int64_t big = quick ? 16 * kMiB : 256 * kMiB;
    std::int64_t whole = quick ? 64 * kMiB : kGiB;
    std::int64_t hole = quick ? 256 * kMiB : 4 * kGiB;
    std::vector<InputSpec> specs = {
        {"(a)", "data + blank tail", big, big, false},
        {"(b)", "data, no blank tail", whole, 0, false},
    };
    std::vector<std::pair<const char*, std::int64_t>> tails = {
        {"64K", 64 * kKiB}, {"256K", 256 * kKiB}, {"1M", kMiB},        {"4M", 4 * kMiB},
        {"16M", 16 * kMiB}, {"64M", 64 * kMiB},   {"256M", 256 * kMiB}};
    for (const auto& [label, bytes] : tails) {
        if (quick && bytes > 16 * kMiB) {
            break;
        }
        specs.push_back(
            {std::string("(c) ") + label, "4M data + blank tail", 4 * kMiB, bytes, false});
    }
    specs.push_back({"(d)", "4M data + hole", 4 * kMiB, hole, true});
    specs.push_back({"(d) 4M alone", "4M data, no tail", 4 * kMiB, 0, false});
    return specs;
}

std::string fileLabel(const InputSpec& spec) {
    std::string label;
    for (char c : spec.name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            label += c;
        }
    }
    return label;
}

std::string sizeText(std::int64_t bytes) {
    char text[32];
    if (bytes >= kGiB && bytes % kGiB == 0) {
        std::snprintf(text, sizeof text, "%lld GiB", static_cast<long long>(bytes / kGiB));
    } else if (bytes >= kMiB && bytes % kMiB == 0) {
        std::snprintf(text, sizeof text, "%lld MiB", static_cast<long long>(bytes / kMiB));
    } else if (bytes >= kKiB && bytes % kKiB == 0) {
        std::snprintf(text, sizeof text, "%lld KiB", static_cast<long long>(bytes / kKiB));
    } else {
        std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
    }
    return text;
}

void removeIfThere(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
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

std::string selfPath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

void printHeader(const Options& options, const ScratchFolder& scratch) {
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
    std::printf("load average at the start (1, 5, 15 min): %s\n", loadAverage().c_str());
    std::printf("block cloning (FICLONE) in the scratch folder: %s\n",
                cloneSupport(scratch.path()).c_str());
    std::printf("cp: %s, run as /bin/cp SOURCE TARGET with no options\n", cpVersion().c_str());
    std::printf(
        "timing: wall clock; every figure is the median of at least %d runs (more for "
        "short jobs) after one warm-up run; page cache warm (inputs written and flushed "
        "first, then read by the warm-up). Per input, two series after a sync: scan and "
        "tail read taking turns, then copy, cp, cp + sync, whole job, whole job with "
        "progress taking turns; every output is deleted right after its run%s\n\n",
        options.minRuns, options.quick ? ". QUICK MODE: small inputs" : "");
}

// A small file that shows what cp and the engine do with their file calls here.
void printCallTraces(const ScratchFolder& scratch) {
    InputSpec spec{"trace", "", kMiB, 3 * kMiB + 5, false};
    std::string source = scratch.file("trace.bin");
    writeInput(source, spec);
    std::string kept = scratch.file("trace.kept");
    writePrefix(source, kept, kMiB);
    std::vector<std::string> cpCalls =
        traceCalls({"/bin/cp", kept, scratch.file("trace.cp")}, scratch.path());
    if (cpCalls.empty()) {
        std::printf(
            "(strace not installed: the file calls of cp and the engine are not shown)\n\n");
    } else {
        std::printf("cp's file calls copying 1 MiB (strace):\n");
        for (const std::string& call : cpCalls) {
            std::printf("    %s\n", call.c_str());
        }
        std::printf("engine's file calls trimming 1 MiB of data + 3 MiB blank tail (strace):\n");
        for (const std::string& call :
             traceCalls({selfPath(), "--trim", source, "trace-small"}, scratch.path())) {
            std::printf("    %s\n", call.c_str());
        }
        std::printf("\n");
    }
    removeIfThere(source);
    removeIfThere(kept);
    removeIfThere(scratch.file("trace.cp"));
    removeIfThere(scratch.file("trace-small.exe"));
}

void checkedRemove(Row& row, const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        row.problems.push_back("no file at " + path + " after a run");
    }
}

void failUnless(Row& row, bool ok, const std::string& what) {
    if (!ok) {
        row.problems.push_back(what);
    }
}

// The scan and the tail read, once each; `samples` gets their times.
void scanRound(Row& row, std::vector<double>* samples) {
    TrimPlan plan;
    JobResult scanned;
    samples[0].push_back(
        secondsOf([&] { scanned = scanSource(row.source, row.outputName, plan); }));
    failUnless(row, scanned.status == JobStatus::Done,
               std::string("scanSource: ") + statusName(scanned.status));
    std::int64_t got = 0;
    samples[1].push_back(secondsOf([&] { got = readTail(row.source, row.tail); }));
    failUnless(row, got == row.tail, "the tail read came short");
}

// The jobs that write, once each, every output deleted before the next job: the copy, cp, cp with
// a flush to the disk, the whole job, and the whole job with a progress callback and a stop token
// as the window passes them. The first round checks every output's bytes.
void copyRound(Row& row, const TrimPlan& plan, bool check, std::vector<double>* samples) {
    JobResult result;
    samples[0].push_back(secondsOf([&] { result = writeTrimmed(plan); }));
    failUnless(row, result.status == JobStatus::Done,
               std::string("writeTrimmed: ") + statusName(result.status) + " " + result.reason);
    failUnless(row, !check || sameBytes(row.output, row.reference),
               "writeTrimmed's output differs from the expected bytes");
    checkedRemove(row, row.output);

    bool copied = false;
    samples[1].push_back(secondsOf([&] { copied = runCp(row.reference, row.cpOutput); }));
    failUnless(row, copied && (!check || sameBytes(row.cpOutput, row.reference)), "cp failed");
    checkedRemove(row, row.cpOutput);

    samples[2].push_back(secondsOf(
        [&] { copied = runCp(row.reference, row.cpOutput) && syncToDisk(row.cpOutput); }));
    failUnless(row, copied, "cp + sync failed");
    checkedRemove(row, row.cpOutput);

    samples[3].push_back(secondsOf([&] { result = trimFile(row.source, row.outputName); }));
    failUnless(row, result.status == JobStatus::Done,
               std::string("trimFile: ") + statusName(result.status));
    failUnless(row, !check || sameBytes(row.output, row.reference),
               "trimFile's output differs from the expected bytes");
    checkedRemove(row, row.output);

    std::stop_source stop;
    std::uint64_t calls = 0, last = 0, lastTotal = 0;
    bool monotonic = true;
    JobControl control;
    control.stop = stop.get_token();
    control.progress = [&](std::uint64_t done, std::uint64_t total) {
        monotonic = monotonic && done >= last;
        last = done;
        lastTotal = total;
        ++calls;
    };
    samples[4].push_back(
        secondsOf([&] { result = trimFile(row.source, row.outputName, control); }));
    failUnless(row, result.status == JobStatus::Done,
               std::string("trimFile with progress: ") + statusName(result.status));
    checkedRemove(row, row.output);
    if (check) {
        row.progressCalls = calls;
        row.progressSound = monotonic && calls > 0 && last == lastTotal;
    }
}

// Enough runs for about a second and a half, at least the minimum and at most 41: short jobs
// then rest on more than a handful of microsecond-sized samples.
int runsFor(double warmUpSeconds, const Options& options) {
    return std::clamp(static_cast<int>(1.5 / std::max(warmUpSeconds, 1e-6)), options.minRuns, 41);
}

void measure(Row& row, const Options& options) {
    std::fprintf(stderr, "measuring %s ...\n", row.spec.name.c_str());
    TrimPlan plan;
    std::int64_t before = bytesReadSoFar();
    JobResult result = scanSource(row.source, row.outputName, plan);
    std::int64_t after = bytesReadSoFar();
    if (before >= 0 && after >= 0) {
        row.scanned = after - before;
    }
    if (result.status != JobStatus::Done || !plan.cut) {
        row.problems.push_back(std::string("scanSource: ") + statusName(result.status) + " " +
                               result.reason);
        return;
    }
    std::optional<std::int64_t> expected = expectedOutputLength(row.spec.dataBytes, row.length);
    failUnless(row, expected && *expected == plan.cut->outputLength,
               "the cut differs from the probe loop's");
    row.kept = plan.cut->outputLength;
    row.tail = plan.cut->scanPosition + 1;
    writePrefix(row.source, row.reference, row.kept);

    // The scans and the copies run as two series: the copies' flushes to the disk would otherwise
    // land in the middle of the scans' timings. Each series starts with nothing left to write back.
    std::vector<double> scans[2];
    std::vector<double> copies[5];
    double scanWarmUp = secondsOf([&] { scanRound(row, scans); });
    double copyWarmUp = secondsOf([&] { copyRound(row, plan, true, copies); });
    if (row.problems.empty()) {
        for (auto& series : scans) {
            series.clear();
        }
        for (auto& series : copies) {
            series.clear();
        }
        ::sync();
        row.scanRuns = runsFor(scanWarmUp, options);
        for (int run = 0; run < row.scanRuns; ++run) {
            scanRound(row, scans);
        }
        ::sync();
        row.copyRuns = runsFor(copyWarmUp, options);
        for (int run = 0; run < row.copyRuns; ++run) {
            copyRound(row, plan, false, copies);
        }
        row.scan = median(scans[0]);
        row.read = median(scans[1]);
        row.copy = median(copies[0]);
        row.cp = median(copies[1]);
        row.cpSync = median(copies[2]);
        row.whole = median(copies[3]);
        row.wholeWithProgress = median(copies[4]);
    }
    removeIfThere(row.reference);
}

void measureProbeLoop(Row& row, const Options& options) {
    std::fprintf(stderr, "original probe loop on %s ...\n", row.spec.name.c_str());
    row.probeLoopRan = true;
    auto start = std::chrono::steady_clock::now();
    auto deadline = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(options.probeLoopCap));
    std::vector<double> samples;
    while (static_cast<int>(samples.size()) < options.minRuns &&
           std::chrono::steady_clock::now() < deadline) {
        ProbeLoopResult result;
        double seconds = secondsOf([&] { result = probeLoop(row.source, deadline); });
        row.probeLoopReached = result.scanPosition;
        if (!result.finished) {
            // A run cut short counts only when no run has finished: it then shows the cap.
            if (samples.empty()) {
                row.probeLoop = seconds;
            }
            break;
        }
        row.probeLoopFinished = true;
        row.probeLoopAgrees = result.found && row.length - result.cutAmount + 1 == row.kept;
        samples.push_back(seconds);
    }
    row.probeLoopRuns = static_cast<int>(samples.size());
    if (!samples.empty()) {
        row.probeLoop = median(samples);
    }
}

std::string ms(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds * 1e3);
    return text;
}

std::string ratio(double a, double b) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", b > 0 ? a / b : 0.0);
    return text;
}

double mibPerSecond(std::int64_t bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / kMiB / seconds : 0;
}

std::string probeLoopText(const Row& row) {
    if (!row.probeLoopRan) {
        return "-";
    }
    char text[96];
    if (!row.probeLoopFinished) {
        std::snprintf(text, sizeof text, "> %.0f s (stopped at i=%lld)", row.probeLoop,
                      static_cast<long long>(row.probeLoopReached));
    } else {
        std::snprintf(text, sizeof text, "%.3f s (%d run%s)%s", row.probeLoop, row.probeLoopRuns,
                      row.probeLoopRuns == 1 ? "" : "s", row.probeLoopAgrees ? "" : " CUT DIFFERS");
    }
    return text;
}

void printTables(const std::vector<Row>& rows) {
    std::printf(
        "Scan: the engine's scanSource against a plain read of the tail (the blank tail and "
        "the probe that ends it, 1 MiB blocks), and the original probe loop\n");
    std::printf("%-13s %-21s %12s %12s %12s %10s %10s %6s %10s %4s  %s\n", "input", "holds",
                "kept bytes", "tail bytes", "scan read B", "scan ms", "read ms", "s/r",
                "scan MiB/s", "runs", "original loop");
    for (const Row& row : rows) {
        std::string holds =
            sizeText(row.spec.dataBytes) + " + " +
            (row.spec.tailBytes == 0 ? std::string("0") : sizeText(row.spec.tailBytes)) +
            (row.spec.sparseTail ? " hole" : "");
        std::printf("%-13s %-21s %12lld %12lld %12lld %10s %10s %6s %10.0f %4d  %s\n",
                    row.spec.name.c_str(), holds.c_str(), static_cast<long long>(row.kept),
                    static_cast<long long>(row.tail), static_cast<long long>(row.scanned),
                    ms(row.scan).c_str(), ms(row.read).c_str(), ratio(row.scan, row.read).c_str(),
                    mibPerSecond(row.tail, row.scan), row.scanRuns, probeLoopText(row).c_str());
    }
    std::printf(
        "\nCopy and whole job: writeTrimmed against cp of a file of exactly the kept bytes; "
        "trimFile against cp + tail read; peak resident memory of trimFile in a child\n");
    std::printf("%-13s %10s %10s %6s %10s %6s %10s %10s %8s %12s %9s %8s %4s\n", "input", "copy ms",
                "cp ms", "c/cp", "cp+sync", "c/c+s", "whole ms", "cp+read", "w/(c+r)", "w/progress",
                "progress#", "peak MiB", "runs");
    for (const Row& row : rows) {
        std::printf("%-13s %10s %10s %6s %10s %6s %10s %10s %8s %12s %9llu %8.1f %4d\n",
                    row.spec.name.c_str(), ms(row.copy).c_str(), ms(row.cp).c_str(),
                    ratio(row.copy, row.cp).c_str(), ms(row.cpSync).c_str(),
                    ratio(row.copy, row.cpSync).c_str(), ms(row.whole).c_str(),
                    ms(row.cp + row.read).c_str(), ratio(row.whole, row.cp + row.read).c_str(),
                    ms(row.wholeWithProgress).c_str(),
                    static_cast<unsigned long long>(row.progressCalls), row.peak.peakKiB / 1024.0,
                    row.copyRuns);
    }
    std::printf(
        "(scan read B: bytes the scan read through read calls, from /proc/self/io; "
        "cp+sync: cp, then fsync of its output and of the folder, as the engine does before "
        "and after its rename; progress#: progress reports in one whole job; peak: ru_maxrss of a "
        "forked child "
        "that ran one trimFile, which started at %.1f MiB)\n\n",
        rows.empty() ? 0.0 : rows.front().peak.startKiB / 1024.0);
}

const Row* findRow(const std::vector<Row>& rows, const std::string& name) {
    for (const Row& row : rows) {
        if (row.spec.name == name) {
            return &row;
        }
    }
    return nullptr;
}

// Prints PASS or FAIL with the figures; returns whether it passed.
bool verdict(bool pass, const std::string& what) {
    std::printf("%s  %s\n", pass ? "PASS" : "FAIL", what.c_str());
    return pass;
}

int printTargets(const std::vector<Row>& rows, const std::vector<std::string>& strays) {
    std::printf("Targets\n");
    int failures = 0;
    char text[256];
    for (const std::string& stray : strays) {
        failures += !verdict(false, "a file left behind in the scratch folder: " + stray);
    }
    for (const Row& row : rows) {
        for (const std::string& problem : row.problems) {
            failures += !verdict(false, row.spec.name + ": " + problem);
        }
        if (!row.progressSound) {
            failures += !verdict(false, row.spec.name +
                                            ": progress reports not monotonic or not ending at "
                                            "done == total");
        }
    }
    for (const char* name : {"(a)", "(b)"}) {
        const Row* row = findRow(rows, name);
        if (row == nullptr) {
            continue;
        }
        std::snprintf(text, sizeof text, "%s scan / tail read = %s ms / %s ms = %s <= 1.10", name,
                      ms(row->scan).c_str(), ms(row->read).c_str(),
                      ratio(row->scan, row->read).c_str());
        failures += !verdict(row->scan <= 1.10 * row->read, text);
        std::snprintf(text, sizeof text, "%s copy / cp = %s ms / %s ms = %s <= 1.10", name,
                      ms(row->copy).c_str(), ms(row->cp).c_str(),
                      ratio(row->copy, row->cp).c_str());
        failures += !verdict(row->copy <= 1.10 * row->cp, text);
        std::snprintf(text, sizeof text, "%s whole / (cp + read) = %s ms / %s ms = %s <= 1.10",
                      name, ms(row->whole).c_str(), ms(row->cp + row->read).c_str(),
                      ratio(row->whole, row->cp + row->read).c_str());
        failures += !verdict(row->whole <= 1.10 * (row->cp + row->read), text);
    }
    double slowest = 0, fastest = 0;
    std::string slowName, fastName;
    for (const Row& row : rows) {
        if (row.spec.name.rfind("(c)", 0) != 0 || row.spec.tailBytes < kMiB || row.scan <= 0) {
            continue;
        }
        double speed = mibPerSecond(row.tail, row.scan);
        if (slowName.empty() || speed < slowest) {
            slowest = speed;
            slowName = row.spec.name;
        }
        if (fastName.empty() || speed > fastest) {
            fastest = speed;
            fastName = row.spec.name;
        }
    }
    if (!slowName.empty()) {
        std::snprintf(text, sizeof text,
                      "(c) scan throughput from the 1 MiB to the largest tail: fastest %.0f MiB/s "
                      "(%s) / slowest %.0f MiB/s (%s) = %.2f <= 2",
                      fastest, fastName.c_str(), slowest, slowName.c_str(), fastest / slowest);
        failures += !verdict(fastest <= 2 * slowest, text);
        // The plain read's own throughput changes with the caches as the tail grows; the ratio to
        // it shows whether the scan stays linear.
        double lowest = 0, highest = 0;
        for (const Row& row : rows) {
            if (row.spec.name.rfind("(c)", 0) == 0 && row.spec.tailBytes >= kMiB && row.read > 0) {
                double r = row.scan / row.read;
                lowest = lowest == 0 ? r : std::min(lowest, r);
                highest = std::max(highest, r);
            }
        }
        std::printf(
            "      (for comparison: scan / tail read on those tails runs from %.2f to %.2f)\n",
            lowest, highest);
    }
    const Row* hole = findRow(rows, "(d)");
    const Row* alone = findRow(rows, "(d) 4M alone");
    if (hole != nullptr && alone != nullptr) {
        std::snprintf(text, sizeof text,
                      "(d) whole job with the hole / on the 4 MiB file alone = %s ms / %s ms = %s "
                      "<= 2",
                      ms(hole->whole).c_str(), ms(alone->whole).c_str(),
                      ratio(hole->whole, alone->whole).c_str());
        failures += !verdict(hole->whole <= 2 * alone->whole, text);
    }
    long worstKiB = 0;
    std::string worstName;
    bool everyPeakKnown = true;
    for (const Row& row : rows) {
        everyPeakKnown = everyPeakKnown && row.peak.ok;
        if (row.peak.peakKiB >= worstKiB) {
            worstKiB = row.peak.peakKiB;
            worstName = row.spec.name;
        }
    }
    std::snprintf(text, sizeof text, "peak memory on every input < 32 MiB: largest %.1f MiB (%s)%s",
                  worstKiB / 1024.0, worstName.c_str(),
                  everyPeakKnown ? "" : "; a child job failed");
    failures += !verdict(everyPeakKnown && worstKiB < 32 * 1024, text);
    std::printf("%d target%s failed\n", failures, failures == 1 ? "" : "s");
    return failures;
}

// Files in the scratch folder other than the inputs: the engine's, left behind (every run's
// output is deleted as soon as it is checked).
std::vector<std::string> leftovers(const ScratchFolder& scratch, const std::vector<Row>& rows) {
    std::set<std::string> inputs;
    for (const Row& row : rows) {
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
    std::vector<InputSpec> specs = inputSpecs(options.quick);
    std::erase_if(specs, [&](const InputSpec& spec) {
        return spec.name.find(options.only) == std::string::npos;
    });
    // Every input stays until the end; at most one input's kept bytes exist three times over
    // (the copy for cp, the engine's output and cp's) at any moment.
    std::int64_t needed = 0;
    std::int64_t largestKept = 0;
    for (const InputSpec& spec : specs) {
        needed += spec.dataBytes + (spec.sparseTail ? 0 : spec.tailBytes);
        largestKept = std::max(largestKept, spec.dataBytes + kMiB);
    }
    needed += 3 * largestKept;
    std::int64_t available = freeBytes(options.parent);
    if (available >= 0 && available < needed + kGiB) {
        std::fprintf(stderr, "velbrisk_bench: %s has %s free; the inputs need about %s\n",
                     options.parent.c_str(), sizeText(available / kMiB * kMiB).c_str(),
                     sizeText(needed / kMiB * kMiB).c_str());
        return 2;
    }

    ScratchFolder scratch(options.parent);
    printHeader(options, scratch);
    printCallTraces(scratch);

    std::vector<Row> rows;
    for (const InputSpec& spec : specs) {
        Row row;
        row.spec = spec;
        std::string label = fileLabel(spec);
        row.source = scratch.file(label + ".bin");
        row.outputName = label + "-small";
        row.output = outputPath(row.source, row.outputName);
        row.reference = scratch.file(label + ".kept");
        row.cpOutput = scratch.file(label + ".cp");
        row.length = spec.dataBytes + spec.tailBytes;
        std::fprintf(stderr, "writing %s (%s) ...\n", spec.name.c_str(),
                     sizeText(row.length).c_str());
        writeInput(row.source, spec);
        if (!spec.sparseTail && allocatedBytes(row.source) < row.length) {
            row.problems.push_back("the input came out sparse");
        }
        rows.push_back(row);
    }

    // Peaks first, while this process is still small: a forked child starts with the pages that
    // its parent holds at that moment.
    for (Row& row : rows) {
        row.peak = peakInChild(
            [&] { return trimFile(row.source, row.outputName).status == JobStatus::Done; });
        removeIfThere(row.output);
    }
    for (Row& row : rows) {
        measure(row, options);
    }
    for (Row& row : rows) {
        if (row.spec.name.rfind("(c)", 0) == 0 && row.spec.tailBytes <= kMiB &&
            row.problems.empty()) {
            measureProbeLoop(row, options);
        }
    }
    std::vector<std::string> strays = leftovers(scratch, rows);

    std::printf("load average at the end: %s\n\n", loadAverage().c_str());
    printTables(rows);
    int failures = printTargets(rows, strays);
    return failures == 0 ? 0 : 1;
}

// One trimFile and nothing else, so that strace can show the engine's file calls.
int trimOnce(const std::string& source, const std::string& outputName) {
    JobResult result = trimFile(source, outputName);
    if (result.status != JobStatus::Done) {
        std::fprintf(stderr, "%s %s\n", statusName(result.status), result.reason.c_str());
    }
    return result.status == JobStatus::Done ? 0 : 1;
}

int usage() {
    std::fprintf(stderr,
                 "usage: velbrisk_bench [--dir FOLDER] [--runs N] [--quick] [--only TEXT]\n"
                 "       velbrisk_bench --trim SOURCE OUTPUT-NAME\n"
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
        } else if (argument == "--trim" && k + 2 < argc) {
            return trimOnce(argv[k + 1], argv[k + 2]);
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
