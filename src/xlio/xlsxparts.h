#pragma once
// The XML side of the xlsx reader: a thin push parser over expat that refuses
// document type declarations and deep nesting, and one handler per kind of
// part (relationships, workbook, shared strings, styles, worksheet). Handlers
// never throw through expat: they record the first failure and stop the
// parser, and the parser raises it as EFileError once control is back.

#include "xlio/celltext.h"
#include "xlio/readlimits.h"
#include "xlio/table.h"
#include "xlio/xlsxformula.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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

struct TSheetEntry {
    std::string Id;    // relationship id
    std::string Name;  // as its tab shows it
    bool Hidden = false;
};

class TWorkbookHandler : public TXmlHandler {
public:
    std::vector<TSheetEntry> Sheets;  // workbook order
    bool Date1904 = false;
    bool FullCalcOnLoad = false;      // stored formula results are not to be trusted
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
    TStylesHandler();
    // The distinct number formats, and which one each cell style (index of
    // cellXfs) uses; Formats[0] is the plain one.
    std::vector<TNumberFormat> Formats;
    std::vector<std::uint32_t> CellFormats;
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;

private:
    std::unordered_map<int, std::string> m_customCodes;
    std::unordered_map<int, std::uint32_t> m_indexOf;  // by numFmtId
    bool m_inCellXfs = false;
    std::uint32_t IndexOf(int formatId);
};

// A formula the sheet holds no trusted result for, and where it failed.
struct TFormulaFailure {
    std::uint32_t Row = 0, Col = 0;
    std::string Formula;
    std::string Reason;
};

class TWorksheetHandler : public TXmlHandler {
public:
    // fullCalc: every formula is calculated here, whatever result the file
    // stores. keepValues: every cell's value is kept for the formulas to
    // read (a first pass without it learns whether any formula needs it).
    TWorksheetHandler(const std::vector<std::string>& strings, const TStylesHandler& styles, bool date1904,
                      bool fullCalc, bool keepValues, const TReadLimits& limits);
    Table Result;
    void Start(std::string_view name, const char** attrs) override;
    void End(std::string_view name) override;
    void Text(std::string_view text) override;

    // True when some formula must be calculated here.
    bool HasPendingFormulas() const { return !m_pending.empty(); }
    // Calculates them (the handler must keep values) and stores their texts;
    // the first formula that cannot be calculated comes back, nothing else
    // does. Past the text bound it raises std::runtime_error.
    std::optional<TFormulaFailure> CalculateFormulas();

private:
    class TCalcHost;
    friend class TCalcHost;
    struct TRawCell {
        std::uint32_t Row, Col;
        TFormulaValue::TKind Kind;
        bool Pending;     // a formula to calculate: Number is its index in m_pending
        double Number;
    };
    struct TPendingFormula {
        std::uint32_t Row, Col;
        std::uint32_t Format;
        std::string Text;            // empty for a shared formula's other cells
        std::int64_t Shared = -1;    // the shared formula's index, for those
        int State = 0;               // 0 waiting, 1 being calculated, 2 done
        TFormulaValue Value;
    };
    struct TSharedFormula {
        std::string Text;
        std::uint32_t Row = 0, Col = 0;
    };

    void StartCell(const char** attrs);
    void FinishCell();
    void Store(std::uint32_t row, std::uint32_t col, std::string_view text);
    void Keep(TFormulaValue::TKind kind, double number = 0, bool pending = false);
    std::string NumberCellText(double value, std::uint32_t format) const;

    const std::vector<std::string>& m_strings;
    const TStylesHandler& m_styles;
    bool m_date1904;
    bool m_fullCalc;
    bool m_keepValues;
    const TReadLimits& m_limits;
    std::uint64_t m_textBytes = 0;
    std::vector<TRawCell> m_values;
    std::vector<TPendingFormula> m_pending;
    std::unordered_map<std::uint64_t, TSharedFormula> m_shared;
    bool m_inFormula = false;
    bool m_hasFormula = false;
    std::string m_formula;
    std::int64_t m_formulaShared = -1;  // si of a shared formula
    bool m_sharedMaster = false;

    bool m_inSheetData = false;
    std::uint32_t m_row = 0;       // 1-based row of the current row element
    std::uint32_t m_col = 0;       // 1-based column of the last cell
    bool m_inCell = false;
    std::uint32_t m_cellRow = 0;
    std::uint32_t m_cellCol = 0;
    // The cell's t attribute; any value not listed reads as a number.
    enum TCellType { ctNumber, ctShared, ctBool, ctDate, ctFormula, ctError, ctInline };
    TCellType m_type = ctNumber;
    std::uint32_t m_cellFormat = 0;
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
