// terminal-sim: a price-check terminal (or many) on the terminal protocol, for trying and
// measuring the terminal server.
//
//   terminal-sim [--server HOST:PORT] [--bind ADDR] [--timeout S] scan CODE...
//   terminal-sim [...] listen [--for SECONDS]
//   terminal-sim [...] load --terminals N --scans M [--rate PER_SECOND] [--duration S] [--trace
//   FILE] CODEFILE
//
// The server defaults to TERMSERVER_LISTEN when set, else 127.0.0.1:9123.

#include "Commands.h"

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace terminalsim;

void printUsage(std::ostream& out) {
    out << "usage: terminal-sim [--server HOST:PORT] [--bind ADDR] [--timeout S] scan CODE...\n"
        << "       terminal-sim [...] listen [--for SECONDS]\n"
        << "       terminal-sim [...] load --terminals N --scans M [--rate PER_SECOND]"
           " [--duration S] [--trace FILE] CODEFILE\n"
        << "       terminal-sim --help\n";
}

int usage(const std::string& problem) {
    std::cerr << "terminal-sim: " << problem << "\n";
    printUsage(std::cerr);
    return kExitUsage;
}

std::optional<double> number(const std::string& text, double low, double high) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || !(value >= low && value <= high))
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    CommonOptions options;
    if (const char* listen = std::getenv("TERMSERVER_LISTEN"); listen != nullptr && *listen) {
        auto endpoint = parseEndpoint(listen);
        if (!endpoint)
            return usage(std::string("bad TERMSERVER_LISTEN: ") + listen);
        options.server = *endpoint;
        if (options.server.host == "0.0.0.0")
            options.server.host = "127.0.0.1";
    }
    std::size_t i = 0;
    auto value = [&](const std::string& name) -> std::optional<std::string> {
        if (i + 1 >= args.size())
            return std::nullopt;
        (void)name;
        return args[++i];
    };
    for (; i < args.size() && args[i].rfind("-", 0) == 0; ++i) {
        const std::string name = args[i];
        if (name == "--help" || name == "-h") {
            printUsage(std::cout);
            return kExitOk;
        }
        const auto text = value(name);
        if (!text)
            return usage(name + " needs a value");
        if (name == "--server") {
            auto endpoint = parseEndpoint(*text);
            if (!endpoint)
                return usage("bad --server " + *text);
            options.server = *endpoint;
        } else if (name == "--bind") {
            options.bindAddress = *text;
        } else if (name == "--timeout") {
            const auto seconds = number(*text, 0.01, 3600);
            if (!seconds)
                return usage("bad --timeout " + *text);
            options.timeout = std::chrono::milliseconds(static_cast<long>(*seconds * 1000));
        } else {
            return usage("unknown option " + name);
        }
    }
    if (i >= args.size())
        return usage("no command");
    const std::string command = args[i++];

    if (command == "scan") {
        std::vector<std::string> codes(args.begin() + static_cast<long>(i), args.end());
        if (codes.empty())
            return usage("scan needs at least one CODE");
        return runScan(options, codes);
    }
    if (command == "listen") {
        double seconds = -1;
        for (; i < args.size(); ++i) {
            const auto text = args[i] == "--for" ? value(args[i]) : std::nullopt;
            const auto parsed = text ? number(*text, 0, 86400) : std::nullopt;
            if (!parsed)
                return usage("listen takes only --for SECONDS");
            seconds = *parsed;
        }
        return runListen(options, seconds);
    }
    if (command == "load") {
        LoadOptions load;
        for (; i < args.size(); ++i) {
            if (args[i].rfind("--", 0) != 0) {
                if (!load.codeFile.empty())
                    return usage("load takes one CODEFILE");
                load.codeFile = args[i];
                continue;
            }
            const std::string name = args[i];
            const auto text = value(name);
            std::optional<double> parsed;
            if (name == "--terminals" && text && (parsed = number(*text, 1, 1000)))
                load.terminals = static_cast<int>(*parsed);
            else if (name == "--scans" && text && (parsed = number(*text, 1, 100000)))
                load.scansPerTerminal = static_cast<int>(*parsed);
            else if (name == "--rate" && text && (parsed = number(*text, 0, 100000)))
                load.ratePerSecond = *parsed;
            else if (name == "--trace" && text)
                load.traceFile = *text;
            else if (name == "--duration" && text && (parsed = number(*text, 1, 86400)))
                load.maxDuration = std::chrono::seconds(static_cast<long>(*parsed));
            else
                return usage("bad load option " + name);
        }
        if (load.codeFile.empty())
            return usage("load needs a CODEFILE");
        return runLoad(options, load);
    }
    return usage("unknown command " + command);
}
