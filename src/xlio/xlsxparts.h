#pragma once
// The XML side of the xlsx reader: a thin push parser over expat that refuses
// document type declarations and deep nesting, and one handler per kind of
// part (relationships, workbook, shared strings, styles, worksheet). Handlers
// never throw through expat: they record the first failure and stop the
// parser, and the parser raises it as EFileError once control is back.

#include "xlio/celltext.h"
#include "xlio/readlimits.h"
#include "xlio/table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xlio::detail {

class TXmlParser;

class TXmlHandler {
public:
    virtual ~TXmlHandler() = default;
    // name is the local name (any namespace prefix removed); attrs as expat
    // gives them, name/value pairs ending in a null.
    virtual void Start(std::string_view name, const char** attrs) = 0;
    virtual void End(std::string_view name) = 0;
    virtual void Text(std::string_view) {}

protected:
    void Fail(std::string what);

private:
    friend class TXmlParser;
    TXmlParser* m_parser = nullptr;
};

// The value of the attribute with that local name, or nullptr.
const char* FindAttr(const char** attrs, std::string_view local);

// Expands the _xHHHH_ escapes the format uses for characters XML cannot carry.
void DecodeEscapes(std::string& text);

class TXmlParser {
public:
    TXmlParser(TXmlHandler& handler, std::string file, std::string part, const TReadLimits& limits);
    ~TXmlParser();
    TXmlParser(const TXmlParser&) = delete;
    TXmlParser& operator=(const TXmlParser&) = delete;

    // Throws EFileError on malformed XML, a refused construct or a handler's failure.
    void Feed(const char* data, std::size_t size, bool last);
    void Fail(std::string what);

    struct TImpl;

private:
    TImpl* m_impl;
};

struct TRelationship {
    std::string Id;
    std::string Type;
    std::string Target;
    bool External = false;
};

class TRelsHandler : public TXmlHandler {
public:
    std::vector<TRelationship> Relationships;
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view) override {}
};

class TWorkbookHandler : public TXmlHandler {
public:
    std::vector<std::string> SheetIds;  // relationship ids, workbook order
    bool Date1904 = false;
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;

private:
    bool m_inSheets = false;
};

class TSharedStringsHandler : public TXmlHandler {
public:
    explicit TSharedStringsHandler(const TReadLimits& limits) : m_limits(limits) {}
    std::vector<std::string> Strings;
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;
    void Text(std::string_view text) override;

private:
    const TReadLimits& m_limits;
    bool m_inItem = false;
    bool m_inText = false;
    int m_phonetic = 0;
};

class TStylesHandler : public TXmlHandler {
public:
    // Kind of value each cell style (index of cellXfs) shows.
    std::vector<TDateKind> CellKinds;
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;

private:
    std::vector<std::pair<int, TDateKind>> m_customFormats;
    bool m_inCellXfs = false;
    TDateKind KindOf(int formatId) const;
};

class TWorksheetHandler : public TXmlHandler {
public:
    TWorksheetHandler(const std::vector<std::string>& strings, const std::vector<TDateKind>& cellKinds,
                      bool date1904, const TReadLimits& limits);
    Table Result;
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;
    void Text(std::string_view text) override;

private:
    void StartCell(const char** attrs);
    void FinishCell();
    void Store(std::uint32_t row, std::uint32_t col, std::string_view text);

    const std::vector<std::string>& m_strings;
    const std::vector<TDateKind>& m_cellKinds;
    bool m_date1904;
    const TReadLimits& m_limits;

    bool m_inSheetData = false;
    std::uint32_t m_row = 0;       // 1-based row of the current row element
    std::uint32_t m_col = 0;       // 1-based column of the last cell
    bool m_inCell = false;
    std::uint32_t m_cellRow = 0;
    std::uint32_t m_cellCol = 0;
    // The cell's t attribute; any value not listed reads as a number.
    enum TCellType { ctNumber, ctShared, ctBool, ctDate, ctFormula, ctError, ctInline };
    TCellType m_type = ctNumber;
    TDateKind m_cellKind = dkNone;
    bool m_hasValue = false;
    bool m_hasInline = false;
    bool m_collect = false;        // inside <v> or an inline <t>
    bool m_inInline = false;
    int m_phonetic = 0;
    std::string m_text;
    std::uint64_t m_slots = 0;
    std::size_t m_lastWidth = 0;   // cells of the row stored before, to size a new row once
};

// Reads a cell reference such as "B12" into 1-based column and row, clamping
// the arithmetic so that no reference overflows; false when it is not one.
bool ParseCellRef(std::string_view ref, std::uint32_t& col, std::uint32_t& row);

}  // namespace xlio::detail
