#include "usage.h"

#include "console.h"

namespace {

// Shown as the user sees it; the misspelling in the first line is kept because scripts match it.
constexpr const char* kUsage[] = {
    "Missing Arugment. Please provide a document type.",
    "Here is a list of possible values:",
    "",
    "(Empty)               - Word Document  (.docx  2007)",
    "MacroEnabledDocument  - Word Document  (.docm  2007 W/Macros)",
    "Doc                   - Word Document  (97 - 2003)",
    "Template              - Word Template  (.dotx  2007)",
    "MacroEnabledTemplate  - Word Template  (.dotm  2007 W/Macros)",
    "Dot                   - Word Template  (97 - 2003 Format)",
    "WebArchive            - HTML           (.mht, .mhtml Single file HTML Format)",
    "Html                  - HTML           (.htm, .html HTML Format)",
    "ReducedHTML           - HTML           (.htm, .html Filtered HTML Format)",
    "Rtf                   - RTF            (.rtf)",
    "Text                  - Text           (.txt)",
    "FlatXML               - XML            (.xml 2007 XML Format)",
    "XML                   - XML            (.xml 2003 XML Format)",
    "MSWorksWin6           - Works Document (.wps Works version 6-9)",
};

}  // namespace

void WriteUsage() {
  for (const char* line : kUsage) WriteLine(line);
}
