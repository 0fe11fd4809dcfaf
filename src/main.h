// The whole flow of a run: banner, then either the store or the usage listing.
#pragma once

#include <string>
#include <vector>

// Writes the eight-line banner that starts every run.
void WriteBanner();

// Runs the tool on `arguments` (after the program name, none of them empty) and returns the exit
// status: 0 when the value was stored or the usage was shown, 1 when the store failed.
int Run(const std::vector<std::string>& arguments);
