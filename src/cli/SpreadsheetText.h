#pragma once
// What spreadsheets do to the text of a table on its way through them: the character set and
// separator they save with, the marks they use for text cells, and the ways they rewrite a
// value they take for a number, a date or a formula.
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// Whether the bytes are valid UTF-8.
bool IsUtf8(std::string_view text);
// Windows-1252 (what a Western European spreadsheet saves as "CSV") turned into UTF-8.
std::string Windows1252ToUtf8(std::string_view text);

// A cell value as a spreadsheet reads it: a number in any of the ways one is written ("007",
// "+5", "1.50", "1,5", "1E5", "(1)" for -1), else nothing.
std::optional<double> SpreadsheetNumber(std::string_view text);

// How `now` is a spreadsheet's rewrite of `was`, or empty when it is not one: "the same number
// written differently", "a date made of it" or "a formula's result".
std::string RewriteOf(std::string_view was, std::string_view now);

// Text that a spreadsheet would take for a formula (it starts with = + - or @, and is not
// a plain negative number) gets a leading apostrophe in an export; Unprotected takes it off.
bool NeedsFormulaGuard(std::string_view text);
std::string Unprotected(std::string_view text);
// ="..." (a spreadsheet's text cell) gives the text inside; other text stays as it is.
std::string UnwrapTextCell(std::string_view text);

// Characters of the text that the radio's display cannot show, named for a message: "Ü",
// "Ö and ß", "Ä, Ö and Ü"; empty when it shows every one.
std::string UnshownLetters(std::string_view text);

}  // namespace cli
