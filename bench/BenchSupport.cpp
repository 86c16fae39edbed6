#include "BenchSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace veska::bench {
namespace {

const char* receive(std::uint32_t* address, std::uint16_t* socket, std::int32_t*) {
    BenchLibrary& library = benchLibrary();
    if (library.codes.empty())
        return nullptr;
    library.current = library.codes.front();
    library.codes.pop_front();
    *address = 0x0100007F;
    *socket = 1;
    library.received = Clock::now();
    return library.current.c_str();
}
void noteReply() {
    BenchLibrary& library = benchLibrary();
    library.replied = Clock::now();
    library.serviceMs.push_back(milliseconds(library.replied - library.received));
}
std::int32_t sendPrice(std::uint32_t, const char*, const char*) {
    noteReply();
    ++benchLibrary().prices;
    return 1;
}
std::int32_t sendNotFound(std::uint32_t) {
    noteReply();
    ++benchLibrary().notFound;
    return 1;
}
const char* dotted(std::uint32_t) {
    return "127.0.0.1";
}
void nothing() {}
const char* version() {
    return "bench";
}
std::int32_t one() {
    return 1;
}
std::int32_t message(std::uint32_t, const char16_t*, const char16_t*, std::int32_t) {
    return 1;
}
std::int32_t table(terminal::TTABSOCK* table, std::int32_t) {
    *table = terminal::TTABSOCK{};
    return 1;
}
std::uint32_t address(const char*) {
    return 0x0100007F;
}

} // namespace

BenchLibrary& benchLibrary() {
    static BenchLibrary library;
    return library;
}

const terminal::TermServerApi& benchApi() {
    static const terminal::TermServerApi api{nothing, version,   one,          one,
                                             receive, sendPrice, sendNotFound, message,
                                             table,   address,   dotted};
    return api;
}

Figures figuresOf(std::vector<double> samples) {
    Figures figures;
    if (samples.empty())
        return figures;
    std::sort(samples.begin(), samples.end());
    const auto at = [&samples](double fraction) {
        const auto index =
            static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
        return samples[std::min(index, samples.size() - 1)];
    };
    figures.median = at(0.5);
    figures.p99 = at(0.99);
    figures.max = samples.back();
    return figures;
}

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

namespace {
rusage ownUsage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage;
}
} // namespace

double peakResidentMegabytes() {
    return static_cast<double>(ownUsage().ru_maxrss) / 1024.0;
}

long minorPageFaults() {
    return ownUsage().ru_minflt;
}

double firstTouchMicrosecondsPerPage() {
    const auto pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t bytes = std::size_t{16} << 20;
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return 0;
    auto* bytesOf = static_cast<volatile char*>(memory);
    const auto start = Clock::now();
    for (std::size_t offset = 0; offset < bytes; offset += pageSize)
        bytesOf[offset] = 1;
    const double elapsed = milliseconds(Clock::now() - start) * 1000.0;
    munmap(memory, bytes);
    return elapsed / static_cast<double>(bytes / pageSize);
}

bool demoCatalogue(const QString& dir, long articles) {
    if (QFileInfo::exists(QDir(dir).filePath(QStringLiteral("demo.fdb"))))
        return true;
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(
        QStringLiteral(VESKA_DEMO_CATALOGUE_TOOL),
        {QStringLiteral("--dir"), dir, QStringLiteral("--articles"), QString::number(articles)});
    tool.waitForFinished(-1);
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

} // namespace veska::bench
