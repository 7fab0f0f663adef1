// kelda-cli: KELDA without a window, for scripts, dealers and tests. It runs the window's own
// core: the same overlay, checks and messages (printed to stderr).
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "platform/Console.h"
#include "platform/SettingsStore.h"
#include "platform/StandardOutput.h"

namespace {

const char kUsage[] =
    "usage: kelda-cli COMMAND [ARGS] [--data DIR]\n"
    "\n"
    "Files:\n"
    "  new --model N -o OUT               the factory image of model type N, saved as OUT\n"
    "  check FILE                         open FILE with every check; prints ok\n"
    "  dump FILE [--from A] [--to A]      hexadecimal dump of the image\n"
    "  get FILE CELL...                   what each cell shows, one per line\n"
    "  set FILE CELL=VALUE... [-o OUT] [--strict]\n"
    "                                     edit cells and save (to FILE unless -o); a value the\n"
    "                                     cell stores otherwise is told (--strict: refused)\n"
    "  warnings FILE [--format csv]       the warning list: each sheet with a fault, then one\n"
    "                                     line per fault (csv: sheet,row,cell,severity,message)\n"
    "  export FILE --table T [-o OUT.csv] a table as CSV\n"
    "         [--separator ';'] [--format xlsx -o OUT.xlsx]  (a workbook of text cells)\n"
    "  import FILE --table T IN.csv [-o OUT] [--partial] [--strict]\n"
    "                                     edit a table from CSV and save\n"
    "     tables: int usa can dsc wx free ind grp\n"
    "  diff A B [--bytes]                 what differs, by sheet, row and cell with both values\n"
    "                                     (--bytes: address and both bytes); exit 0 equal,\n"
    "                                     1 different\n"
    "     CELL: CT_Category.CL_Label[index], e.g. CT_IntCh.CL_ChList_Comment[16]\n"
    "Radio (with --port N or --device PATH, and --log FILE for a hex log of the link):\n"
    "  ports                              the numbered serial ports\n"
    "  info                               the radio's model, revision and clone comment\n"
    "  read -o OUT                        read the radio into a new clone file\n"
    "  write FILE [--yes] [--verify]      write FILE into the radio; --verify reads it back\n"
    "                                     and compares what was written byte for byte\n"
    "  fleet FILE --list LIST.csv [--verify] [--yes] [--log LOG.csv] [--again]\n"
    "                                     write FILE into many radios, each with its own\n"
    "                                     MMSI and comment from LIST (header MMSI, Comment);\n"
    "                                     --port/--device once per cable, cables side by side;\n"
    "                                     the log is appended per radio and a rerun skips\n"
    "                                     the rows it shows done (--again: write them again)\n"
    "\n"
    "--data DIR: the folder of KELDA.OVL and the initial files (default: beside the\n"
    "  program, else ../share/kelda from the program's folder).\n"
    "Exit status: 0 done, 1 the warning list holds an error, 2 usage error or refused value,\n"
    "3 internal error or no usable data folder, 4 written but not verified (reading back\n"
    "failed), 5 written but the radio holds other bytes (listed on stdout), 6 fleet: some rows\n"
    "not written (failed or left; listed), 7 fleet: no row written, 10+n file error n,\n"
    "20+n clone result n; among them 22 the port cannot be opened, 25 the radio did not\n"
    "answer, 37 the port stopped sending, 38 the connection was lost (cable or USB adapter\n"
    "unplugged), 39 another device is sending on the port, 40 the radio does not allow its\n"
    "memory to be read; 130 interrupted. diff: 0 equal, 1 different.\n";

}  // namespace

int main(int argc, char** argv) {
    argv = platform::Utf8Arguments(argc, argv);
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return cli::kExitUsage;
    }
    const std::string command = argv[1];
    int status = cli::kExitUsage;
    if (command == "--help" || command == "-h" || command == "help") {
        platform::WriteStandardOutput(kUsage);
        status = cli::kExitOk;
    } else {
        try {
            status = cli::RunCommand(command, argc, argv);
        } catch (const cli::UsageError& e) {
            std::fprintf(stderr, "kelda-cli: %s\n", cli::Printable(e.message).c_str());
        }
        // Said once, whatever the command did with the settings.
        if (std::string problem = platform::SettingsLoadProblem(); !problem.empty())
            std::fprintf(stderr, "kelda-cli: %s\n", problem.c_str());
    }
    // Whatever the command printed must have arrived: a lost output is no success, and an
    // output that says "different" or "errors" is no answer when it is lost.
    if (std::string why; !platform::FinishStandardOutput(why)) {
        std::fprintf(stderr, "kelda-cli: writing to standard output failed: %s\n", why.c_str());
        if (status == cli::kExitOk || status == cli::kExitWarningsError)
            status = cli::kExitOutputLost;
    }
    return status;
}
