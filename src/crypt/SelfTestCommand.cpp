// selftest: every hash and cipher class against its known answers, and every cipher through a round trip
// in each chaining mode.

#include "Commands.h"

#include "crypto/Catalogue.h"
#include "crypto/KnownAnswers.h"
#include "crypto/cipher/CipherClasses.h"
#include "crypto/hash/HashClasses.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <ostream>

namespace torvane::crypt {

namespace {

void Line(std::ostream& out, bool ok, const std::string& name, const std::string& detail) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%-5s %-26s ", ok ? "ok" : "FAIL", name.c_str());
    out << buf << detail << '\n';
}

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

class SelfTestCommand final : public Command {
public:
    SelfTestCommand()
        : Command(
              "selftest", "",
              "Checks every hash and cipher class against the published known answers built into the\n"
              "program, and every cipher through a round trip in each chaining mode. One line per class;\n"
              "the exit status is 1 when any class fails.") {
        SetExtraArgumentHint("selftest takes no arguments");
    }

private:
    int Execute(CommandIO& io) override {
        int failed = 0, hashes = 0, ciphers = 0;
        for (auto cls : crypto::AllHashClasses()) {
            const auto r = crypto::SelfTest(cls);
            auto name = crypto::HashCatalogue().NameOf(cls);
            if (name.empty()) name = cls->ClassName;
            Line(io.out, r.Passed, name,
                 r.Passed ? Plural(r.KnownAnswers, "known answer", "known answers") : r.Failure);
            failed += r.Passed ? 0 : 1;
            ++hashes;
        }
        for (auto cls : crypto::AllCipherClasses()) {
            const auto r = crypto::SelfTest(cls);
            auto name = crypto::CipherCatalogue().NameOf(cls);
            if (name.empty()) name = cls->ClassName;
            Line(io.out, r.Passed, name,
                 r.Passed ? Plural(r.KnownAnswers, "known answer", "known answers") + ", " +
                                Plural(r.ModesChecked, "mode", "modes") + " round-tripped"
                          : r.Failure);
            failed += r.Passed ? 0 : 1;
            ++ciphers;
        }
        io.out << hashes << " hash and " << ciphers << " cipher classes: "
               << (failed ? std::to_string(failed) + " failed" : std::string("all passed")) << '\n';
        return failed ? kExitFailed : kExitOk;
    }
};

} // namespace

std::unique_ptr<Command> MakeSelfTestCommand() {
    return std::make_unique<SelfTestCommand>();
}

} // namespace torvane::crypt
