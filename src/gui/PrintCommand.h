#pragma once
// kelda --print FILE --pdf OUT.pdf [--sheet KEY | --all]: sheets of a clone file to a PDF file
// without a window (Qt's offscreen platform when there is no display), for scripts and dealers.

// Whether the command line asks for it.
bool IsPrintCommand(int argc, char** argv);

// Runs it and returns the exit status: 0 written, 2 usage error, 3 no usable data folder,
// 4 unknown or unprintable sheet, 10 + n clone file error n, 11 the PDF cannot be written
// there, 12 writing it failed part way. Nothing is left at the output path on failure.
int RunPrintCommand(int argc, char** argv);
