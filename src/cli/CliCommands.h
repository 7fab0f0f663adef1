#pragma once
// The commands of kelda-cli. Each returns the process's exit status (CliArgs.h) and throws
// UsageError for a mistake on the command line.
#include <string>

namespace cli {

int RunCommand(const std::string& command, int argc, char** argv);

// File commands.
int CmdNew(int argc, char** argv);
int CmdCheck(int argc, char** argv);
int CmdDump(int argc, char** argv);
int CmdGet(int argc, char** argv);
int CmdSet(int argc, char** argv);
int CmdWarnings(int argc, char** argv);
int CmdExport(int argc, char** argv);
int CmdImport(int argc, char** argv);
int CmdDiff(int argc, char** argv);

// Radio commands.
int CmdPorts(int argc, char** argv);
int CmdInfo(int argc, char** argv);
int CmdRead(int argc, char** argv);
int CmdWrite(int argc, char** argv);
int CmdFleet(int argc, char** argv);

// Reads a CSV file (at most 4 MB); false with `why` set when it cannot be read.
bool ReadCsvFile(const std::string& path, std::string& text, std::string& why);

}  // namespace cli
