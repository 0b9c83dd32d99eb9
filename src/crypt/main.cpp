// torvane-crypt: hashing, ciphering, the catalogue, the self-test and the benchmark on the command line.
// The commands live in their own files (Commands.h); this only hands them the command line and the
// standard streams.

#include "Commands.h"
#include "StandardStreams.h"

#include "platform/Files.h"

#include <csignal>
#include <exception>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace torvane::crypt;
    // Past the file-size limit a write then fails with "File too large" and is reported like a full disk,
    // instead of the signal ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    torvane::RemoveTemporaryFilesOnSignals();

    TDescriptorBuffer inBuffer(STDIN_FILENO, TDescriptorBuffer::Direction::Read);
    TDescriptorBuffer outBuffer(STDOUT_FILENO, TDescriptorBuffer::Direction::Write);
    std::istream in(&inBuffer);
    std::ostream out(&outBuffer);
    CommandIO io{in, out, std::cerr, ::isatty(STDERR_FILENO) == 1};
    try {
        return RunCommandLine(CommandArgs(argv + 1, argv + argc), io);
    } catch (const std::exception& e) {
        std::cerr << "torvane-crypt: " << e.what() << "\n";
        return kExitFailed;
    }
}
