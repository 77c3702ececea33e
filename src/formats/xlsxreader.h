// The .xlsx reader: Office Open XML workbooks (transitional and strict) in a
// ZIP package, every part streamed through QXmlStreamReader.
#pragma once

#include "formats/workbook.h"

namespace Workbook::Detail {

// Opens a ZIP package as an .xlsx workbook. Throws Error.
std::unique_ptr<Reader> openXlsx(const QString &path);

} // namespace Workbook::Detail
