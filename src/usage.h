#pragma once

// Says that the document type is missing and lists the names that can be given.
void WriteUsage();
