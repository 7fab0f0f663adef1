// kelda-cli: KELDA without a window, for scripts, dealers and tests.
#include <cstdio>
#include <cstring>

namespace {

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: kelda-cli COMMAND [ARGS]\n"
                 "KELDA's command-line twin: the same core as the window, for scripts.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        Usage(stdout);
        return 0;
    }
    Usage(stderr);
    return 2;
}
