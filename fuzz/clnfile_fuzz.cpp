// libFuzzer target for the clone file reader:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKELDA_FUZZ=ON -DKELDA_GUI=OFF
//       -DKELDA_TESTS=OFF -DKELDA_BENCH=OFF -DKELDA_SANITIZE=ON   (one command)
//   cmake --build build-fuzz --target clnfile_fuzz
//   build-fuzz/bin/clnfile_fuzz -max_total_time=60 fuzz/corpus/clnfile
#include <cstdio>
#include <cstdlib>

#include "ClnFileHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string broken = fuzz::CheckCloneFileRead(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "clone file reader: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
