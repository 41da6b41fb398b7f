#include "xlio/csvreader.h"

#include "xlgrid/encoding.h"

namespace xlio {

std::string DecodeCsvBytes(std::string_view bytes, xlgrid::TXLTextEncoding* detected, const std::string& file)
{
    try {
        xlgrid::TXLDecodedText decoded = xlgrid::DecodeTextFile(bytes);
        if (detected)
            *detected = decoded.Encoding;
        return std::move(decoded.Text);
    } catch (const xlgrid::EXLTextError& e) {
        throw EFileError(file, e.Place(), e.Reason());
    }
}

char CsvSeparator(std::string_view text, char preferred)
{
    constexpr char kSeparators[] = {',', '\t', ';'};
    std::size_t counts[3] = {};
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;  // a doubled quote toggles twice
        else if (quoted)
            continue;
        else if (c == '\r' || c == '\n')
            break;
        for (int k = 0; k < 3; ++k)
            counts[k] += c == kSeparators[k];
    }
    int best = -1;
    for (int k = 0; k < 3; ++k) {
        if (kSeparators[k] == preferred && counts[k] > 0)
            return preferred;
        if (counts[k] > 0 && (best < 0 || counts[k] > counts[best]))
            best = k;
    }
    return best < 0 ? preferred : kSeparators[best];
}

Table ParseCsv(std::string_view text, const TCsvLimits& limits, const std::string& file, char separator)
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
        while (end < n && text[end] != separator && text[end] != '\r' && text[end] != '\n')
            ++end;
        field.append(text.substr(i, end - i));
        i = end;
        if (i == n) {
            endRecord();
            break;
        }
        if (text[i] == separator) {
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

Table ParseCsvBytes(std::string_view bytes, const TCsvLimits& limits, const std::string& file,
                    xlgrid::TXLTextEncoding* detected)
{
    xlgrid::TXLTextEncoding encoding{};
    const std::string text = DecodeCsvBytes(bytes, &encoding, file);
    if (detected)
        *detected = encoding;
    const bool utf16 = encoding == xlgrid::TXLTextEncoding::Utf16LE || encoding == xlgrid::TXLTextEncoding::Utf16BE;
    return ParseCsv(text, limits, file, CsvSeparator(text, utf16 ? '\t' : ','));
}

Table ReadCsvFile(const std::filesystem::path& file, const TCsvLimits& limits, xlgrid::TXLTextEncoding* detected)
{
    const std::string bytes = ReadFileBounded(file.string(), limits.MaxBytes);
    return ParseCsvBytes(bytes, limits, file.string(), detected);
}

}  // namespace xlio
