// torvane-crypt: hashing, ciphering, the catalogue, the self-test and the benchmark on the command line.

#include "CipherCommands.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    using namespace torvane::crypt;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "usage: torvane-crypt block|encrypt|decrypt|list [ARGS...]\n";
        return 2;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        if (args[0] == "block") return BlockCommand(rest, std::cout, std::cerr);
        if (args[0] == "encrypt" || args[0] == "decrypt")
            return CodeCommand(rest, args[0] == "encrypt", std::cout, std::cerr,
                               ::isatty(STDERR_FILENO) ? &std::cerr : nullptr);
        if (args[0] == "list" && rest.size() == 1 && rest[0] == "ciphers") return ListCiphers(std::cout);
    } catch (const std::exception& e) {
        std::cerr << "torvane-crypt: " << e.what() << "\n";
        return 1;
    }
    std::cerr << "torvane-crypt: unknown command '" << args[0] << "'\n";
    return 2;
}
