// Generates the factory image (initial file) of every model type from the reviewed plan tables.
//
//   mkinitial PLANS OUT            write every initial file into the folder OUT
//   mkinitial --check PLANS OUT    compare instead of writing; exit 1 on any difference
#include <cstdio>
#include <cstring>
#include <string>

#include "mkinitial/FactoryImage.h"
#include "mkinitial/FactoryPlan.h"
#include "platform/AtomicFile.h"
#include "radio/cmcEeprom.h"

int main(int argc, char** argv) {
    bool check = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "--check") == 0) {
        check = true;
        ++arg;
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: mkinitial [--check] PLANS-FOLDER OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string plans = argv[arg], out = argv[arg + 1];
    FactoryPlan plan;
    std::string error;
    if (!LoadFactoryPlan(plans, &plan, &error)) {
        std::fprintf(stderr, "mkinitial: %s/%s\n", plans.c_str(), error.c_str());
        return 1;
    }
    int status = 0;
    for (const PlanModel& m : plan.models) {
        cmcEeprom image;
        if (!BuildFactoryImage(plan, m.type, &image, &error)) {
            std::fprintf(stderr, "mkinitial: %s\n", error.c_str());
            return 1;
        }
        const std::string text = FactoryFileText(&image);
        const std::string path = out + "/" + m.file;
        if (check) {
            std::string old;
            if (!ReadFileText(path, &old) || old != text) {
                std::fprintf(stderr, "mkinitial: %s differs from the plan tables\n", path.c_str());
                status = 1;
            }
            continue;
        }
        std::string reason;
        if (platform::WriteFileAtomically(path, text, &reason) != platform::WriteResult::Ok) {
            std::fprintf(stderr, "mkinitial: cannot write %s: %s\n", path.c_str(), reason.c_str());
            return 1;
        }
        std::printf("%s: model type %d, %s\n", path.c_str(), m.type, m.name.c_str());
    }
    return status;
}
