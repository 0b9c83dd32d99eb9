// torvane-crypt: hashing, ciphering, the catalogue, the self-test and the benchmark on the command line.
// The commands live in their own files (Commands.h); this only hands them the command line and the
// standard streams.

#include "Commands.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    torvane::crypt::CommandIO io{std::cin, std::cout, std::cerr};
    try {
        return torvane::crypt::RunCommandLine(torvane::crypt::CommandArgs(argv + 1, argv + argc), io);
    } catch (const std::exception& e) {
        std::cerr << "torvane-crypt: " << e.what() << "\n";
        return 1;
    }
}
