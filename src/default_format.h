#pragma once

#include <string>

// Stores `documentType`, unchanged, as Word 2007's default save format for the current user and
// prints one line saying whether that worked. Returns whether it was stored; never throws.
bool StoreDefaultFormat(const std::string& documentType) noexcept;
