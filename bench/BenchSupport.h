#pragma once
// What the benchmark programs share: a terminal-server library of their own that hands out
// queued codes and notes when the reply comes, figures of a set of timings, the process's
// peak resident memory and page faults, and the demo catalogues they run on.

#include "terminal/TermServerApi.h"

#include <QString>
#include <chrono>
#include <deque>
#include <string>
#include <vector>

namespace veska::bench {

using Clock = std::chrono::steady_clock;

struct BenchLibrary {
    std::deque<std::string> codes;
    std::string current;
    Clock::time_point received;
    Clock::time_point replied;
    // Each reply's service time: from its code handed over to the reply, in milliseconds.
    std::vector<double> serviceMs;
    int prices = 0;
    int notFound = 0;
};
// The one library of the process, and the eleven functions over it.
BenchLibrary& benchLibrary();
const terminal::TermServerApi& benchApi();

struct Figures {
    double median = 0;
    double p99 = 0;
    double max = 0;
};
Figures figuresOf(std::vector<double> samples);
double milliseconds(Clock::duration duration);
double peakResidentMegabytes();
// Page faults the process has taken so far that the kernel served without reading a disk:
// above all, the first touch of memory the process was given.
long minorPageFaults();
// What one such fault costs on this machine, in microseconds: 16 MB of fresh memory touched
// a page at a time. A virtual machine can make it many times dearer than bare metal.
double firstTouchMicrosecondsPerPage();

// Makes a demo catalogue of that many articles in dir unless one is there already (the demo
// tool's folder: demo.fdb, SYS_INFO.INI, veska-aliases.conf); false when the tool failed.
bool demoCatalogue(const QString& dir, long articles);

} // namespace veska::bench
