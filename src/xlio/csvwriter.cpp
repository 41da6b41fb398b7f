#include "xlio/csvwriter.h"

#include "xlio/fileerror.h"

#include "xlgrid/encoding.h"

namespace xlio {

void AppendCsvField(std::string& out, std::string_view cell)
{
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(cell);
        return;
    }
    out += '"';
    for (char c : cell) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendCsvLine(std::string& out, const std::vector<std::string>& cells)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendCsvField(out, cells[i]);
    }
    out += "\r\n";
}

std::string CsvText(const Table& table)
{
    std::string out;
    for (const auto& row : table)
        AppendCsvLine(out, row);
    return out;
}

std::string EncodeCsvText(std::string_view text, TCsvEncoding encoding, const std::string& file)
{
    if (encoding == TCsvEncoding::Gb18030) {
        try {
            return xlgrid::Utf8ToGb18030(text);
        } catch (const xlgrid::EEncodingError& e) {
            throw EFileError(file, "", std::string("cannot write: ") + e.what());
        }
    }
    if (!xlgrid::IsValidUtf8(text))
        throw EFileError(file, "", "cannot write: text is not valid UTF-8");
    std::string out = "\xEF\xBB\xBF";
    out.append(text);
    return out;
}

}  // namespace xlio
