#include "xlio/xlsreader.h"

#include "xlio/compoundfile.h"
#include "xlio/fileerror.h"

namespace xlio {

TWorksheet ReadXlsMemory(std::string_view bytes, const std::string& name, const TReadLimits& limits)
{
    const std::string stream = detail::ReadWorkbookStream(bytes, name, limits);
    return ReadBiffWorkbook(stream, name, limits);
}

TWorksheet ReadXlsFile(const std::string& path, const TReadLimits& limits)
{
    const std::string bytes = ReadFileBounded(path, limits.MaxArchiveBytes);
    return ReadXlsMemory(bytes, path, limits);
}

Table ReadXls(const std::string& path, const TReadLimits& limits)
{
    return ReadXlsFile(path, limits).Cells;
}

}  // namespace xlio
