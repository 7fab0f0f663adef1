// kelda-radiosim: a simulated radio on a pseudo-terminal.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: kelda-radiosim [OPTIONS]\nA simulated radio on a pseudo-terminal.\n");
        return 0;
    }
    std::fprintf(stderr, "usage: kelda-radiosim [OPTIONS]\n");
    return 2;
}
