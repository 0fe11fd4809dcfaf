// Splitting a Windows command line into arguments, the way the tool has always read it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits `command_line` into its words, the program name first:
// - characters with codes 1 to 32 separate words;
// - a double quote opens a stretch running to the next double quote or the end; the quotes are
//   dropped and blanks inside belong to the word;
// - quoted and unquoted stretches that touch form one word;
// - an empty pair "" where a word would begin is skipped like a blank, so no word is ever empty;
// - a NUL ends the line.
// Backslashes have no special meaning.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// The arguments after the program name.
std::vector<std::string> ArgumentsOf(std::string_view command_line);
