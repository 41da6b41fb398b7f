#include "xlio/csvreader.h"

#include "xlgrid/encoding.h"

namespace xlio {

std::string DecodeCsvBytes(std::string_view bytes, TCsvEncoding* detected, const std::string& file)
{
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    TCsvEncoding encoding = TCsvEncoding::Gb18030;
    if (bytes.substr(0, 3) == bom) {
        bytes.remove_prefix(3);
        encoding = TCsvEncoding::Utf8;
    } else if (xlgrid::IsValidUtf8(bytes)) {
        encoding = TCsvEncoding::Utf8;
    }
    if (detected)
        *detected = encoding;
    if (encoding == TCsvEncoding::Utf8) {
        if (!xlgrid::IsValidUtf8(bytes))
            throw EFileError(file, "", "the file starts with a UTF-8 byte-order mark but is not valid UTF-8");
        return std::string(bytes);
    }
    // GB18030's own byte-order mark (U+FEFF) is no part of the first field.
    constexpr std::string_view gbBom = "\x84\x31\x95\x33";
    if (bytes.substr(0, 4) == gbBom)
        bytes.remove_prefix(4);
    try {
        return xlgrid::Gb18030ToUtf8(bytes);
    } catch (const xlgrid::EEncodingError& e) {
        throw EFileError(file, "", std::string("the file is neither UTF-8 nor GB18030 text (") + e.what() + ")");
    }
}

Table ParseCsv(std::string_view text, const TCsvLimits& limits, const std::string& file)
{
    Table table;
    if (text.empty())
        return table;
    std::size_t line = 1;  // physical line, for messages
    std::size_t i = 0;
    const std::size_t n = text.size();
    std::vector<std::string> record;
    std::string field;
    std::size_t cells = 0;
    auto endField = [&]() {
        if (record.size() >= limits.MaxFields)
            throw EFileError(file, "line " + std::to_string(line),
                             "more than " + std::to_string(limits.MaxFields) + " fields");
        if (++cells > limits.MaxCells)
            throw EFileError(file, "line " + std::to_string(line),
                             "more than " + std::to_string(limits.MaxCells) + " fields in all");
        record.push_back(std::move(field));
        field.clear();
    };
    auto endRecord = [&]() {
        endField();
        if (table.size() >= limits.MaxRecords)
            throw EFileError(file, "line " + std::to_string(line),
                             "more than " + std::to_string(limits.MaxRecords) + " records");
        table.push_back(std::move(record));
        record.clear();
        record.reserve(table.back().size());
    };
    while (i < n) {
        // At the start of a field.
        if (text[i] == '"') {
            std::size_t startLine = line;
            ++i;
            for (;;) {
                std::size_t q = text.find('"', i);
                if (q == std::string_view::npos)
                    throw EFileError(file, "line " + std::to_string(startLine),
                                     "a quoted field is not closed before the end of the file");
                std::string_view part = text.substr(i, q - i);
                for (std::size_t k = 0; k < part.size(); ++k)
                    if (part[k] == '\n' || (part[k] == '\r' && (k + 1 == part.size() || part[k + 1] != '\n')))
                        ++line;
                field.append(part);
                i = q + 1;
                if (i < n && text[i] == '"') {
                    field += '"';
                    ++i;
                    continue;
                }
                break;
            }
        }
        // The unquoted part of the field (all of it, or what follows a
        // closing quote: kept as written).
        std::size_t end = i;
        while (end < n && text[end] != ',' && text[end] != '\r' && text[end] != '\n')
            ++end;
        field.append(text.substr(i, end - i));
        i = end;
        if (i == n) {
            endRecord();
            break;
        }
        if (text[i] == ',') {
            endField();
            ++i;
            if (i == n) {
                endRecord();
                break;
            }
            continue;
        }
        // A line break ends the record.
        if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        ++i;
        endRecord();
        ++line;
    }
    return table;
}

Table ReadCsvFile(const std::filesystem::path& file, const TCsvLimits& limits, TCsvEncoding* detected)
{
    const std::string bytes = ReadFileBounded(file.string(), limits.MaxBytes);
    return ParseCsv(DecodeCsvBytes(bytes, detected, file.string()), limits, file.string());
}

}  // namespace xlio
