// Console output: whole lines only, each ended with CR LF, all to standard output.
#pragma once

#include <string_view>

// Writes `text` and CR LF as one line, byte for byte. A failed write (a closed standard output,
// say) is ignored: output never decides the outcome of a run.
void WriteLine(std::string_view text) noexcept;
