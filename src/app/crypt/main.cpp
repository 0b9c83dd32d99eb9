// torvane-crypt: hashing, ciphering, the catalogue, the self-test and the benchmark on the command line.

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: torvane-crypt COMMAND [ARGS...]\n");
        return 2;
    }
    std::fprintf(stderr, "torvane-crypt: unknown command '%s'\n", argv[1]);
    return 2;
}
