// The .xls reader: BIFF5 (Excel 95) and BIFF8 (Excel 97-2003) workbooks, in
// an OLE2 container or as a bare workbook stream.
#pragma once

#include "formats/workbook.h"

namespace Workbook::Detail {

// An OLE2 file: an .xls (its "Workbook" or "Book" stream), or an encrypted
// .xlsx, which Excel keeps in OLE2 too. Throws Error.
std::unique_ptr<Reader> openXlsContainer(const QString &path);
// A file that is a workbook stream without a container. Throws Error.
std::unique_ptr<Reader> openBareBiff(const QString &path);

} // namespace Workbook::Detail
