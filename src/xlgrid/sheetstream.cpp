#include "xlgrid/sheetstream.h"

#include "xlgrid/encoding.h"
#include "xlgrid/manager.h"
#include "xlgrid/style.h"
#include "xlgrid/unionindex.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <strings.h>
#include <tuple>
#include <vector>

namespace xlgrid {

namespace {

// Value type bytes of property records.
enum : uint8_t {
    vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaString = 6, vaIdent = 7, vaFalse = 8, vaTrue = 9,
    vaBinary = 10, vaSet = 11, vaLString = 12, vaUtf8String = 20,
};

constexpr std::string_view kSignature = "TPF0";
constexpr std::string_view kSheetClass = "TXLSheet";
constexpr std::string_view kStylerClass = "TXLStyler";
constexpr std::string_view kXLSignature = "XLG\x16";
constexpr std::string_view kUnknownFormat = "Unknown XLGrid stream format!";
constexpr int kMaxBlockDepth = 4;
// A row or column size (live or saved) in pixels.
constexpr int64_t kMaxSectorSize = 1 << 20;
// Bytes of the smallest matrix row (index and empty sparse list) and of a sparse block.
constexpr size_t kMinMatrixRow = 13, kSparseBlock = 4 + 16 * 4;

// The rest of a block is skipped (a format index outside its class's list).
struct SkipRest {
    int32_t Index;
    std::string Class;
};

// The pixel height of a point size at 96 dots per inch, negative as the
// format stores character heights; and back. Rounded half away from zero.
int32_t FontHeightOfSize(int size)
{
    return -static_cast<int32_t>(std::lround(size * 96.0 / 72.0));
}

int FontSizeOfHeight(int32_t height)
{
    int64_t h = height < 0 ? -static_cast<int64_t>(height) : height;
    return static_cast<int>(std::lround(static_cast<double>(h) * 72.0 / 96.0));
}

std::string ToFileText(std::string_view utf8)
{
    try {
        return Utf8ToGb18030(utf8);
    } catch (const EEncodingError& e) {
        throw EXLStreamError(std::string("Cannot save a text that is not valid UTF-8: ") + e.what());
    }
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// ---- writing -----------------------------------------------------------------

class TSheetWriter {
public:
    explicit TSheetWriter(std::string& out) : m_out(out), w(out) {}

    void Component(const TXLSheet& sheet, std::string_view name);
    void Styler(const TXLStyler& styler);
    void Picture(const TXLPicture& picture);

private:
    void PropName(std::string_view name) { w.ShortString(name); }
    void Int(std::string_view name, int32_t v);
    void Str(std::string_view name, const std::string& utf8);
    void Bool(std::string_view name, bool v)
    {
        PropName(name);
        w.U8(v ? vaTrue : vaFalse);
    }
    void Ident(std::string_view name, std::string_view ident)
    {
        PropName(name);
        w.U8(vaIdent);
        w.ShortString(ident);
    }
    void XLData(const TXLSheet& sheet);
    void PersistentHead(const TXLPersistent& obj, TXLProps props, bool withClass);
    void PropertyValues(const TXLPersistent& obj);
    void Sparse(const TSList& list);
    void Matrix(const TXLMatrix& matrix);
    void Section(const TXLSection& section, const TXLStyler* styler);
    void CellBlock(const TXLCell& cell, const TXLStyler* styler);
    void NamedStyle(const TXLStyle& style);

    std::string& m_out;
    TXLBinWriter w;
};

void TSheetWriter::Int(std::string_view name, int32_t v)
{
    PropName(name);
    if (v >= -128 && v <= 127) {
        w.U8(vaInt8);
        w.U8(static_cast<uint8_t>(static_cast<int8_t>(v)));
    } else if (v >= -32768 && v <= 32767) {
        w.U8(vaInt16);
        w.I16(static_cast<int16_t>(v));
    } else {
        w.U8(vaInt32);
        w.I32(v);
    }
}

void TSheetWriter::Str(std::string_view name, const std::string& utf8)
{
    PropName(name);
    std::string gb = ToFileText(utf8);
    if (!IsAscii(gb)) {
        w.U8(vaUtf8String);
        w.U32(static_cast<uint32_t>(utf8.size()));
        w.Bytes(utf8);
    } else if (gb.size() <= 255) {
        w.U8(vaString);
        w.ShortString(gb);
    } else {
        w.U8(vaLString);
        w.U32(static_cast<uint32_t>(gb.size()));
        w.Bytes(gb);
    }
}

void TSheetWriter::Component(const TXLSheet& sheet, std::string_view name)
{
    w.Bytes(kSignature);
    w.ShortString(kSheetClass);
    w.ShortString(name);
    if (sheet.Tag() != 0)
        Int("Tag", sheet.Tag());
    if (!sheet.Author().empty())
        Str("Author", sheet.Author());
    if (!sheet.Title().empty())
        Str("Title", sheet.Title());
    const TXLMargins& m = sheet.PrintMargins();
    Int("PrintMarginLeft", m.Left);
    Int("PrintMarginTop", m.Top);
    Int("PrintMarginRight", m.Right);
    Int("PrintMarginBottom", m.Bottom);
    Ident("PrintMode", sheet.PrintMode() == pmCustom ? "pmCustom" : "pmNormal");
    Int("PrintScale", sheet.PrintScale());
    Bool("PrintHidden", sheet.PrintHidden());
    PropName("PrintTitles");
    w.U8(vaSet);
    if (sheet.PrintTitles() & AxisBit(sCols))
        w.ShortString("sCols");
    if (sheet.PrintTitles() & AxisBit(sRows))
        w.ShortString("sRows");
    w.U8(0);
    Bool("PrintGridLines", sheet.PrintGridLines());
    if (const TXLStyler* styler = sheet.Styler())
        Ident("Styler", styler->Name());
    Int("ColCount", sheet.ColCount());
    Int("ColDefWidth", sheet.ColDefWidth());
    Int("ColMaxWidth", sheet.ColMaxWidth());
    Int("RowCount", sheet.RowCount());
    Int("RowDefHeight", sheet.RowDefHeight());
    Int("RowMaxHeight", sheet.RowMaxHeight());
    Int("TitleCols", sheet.TitleCols());
    Int("TitleRows", sheet.TitleRows());
    if (!sheet.Background().IsEmpty()) {
        PropName("Background.Data");
        w.U8(vaBinary);
        size_t at = w.Size();
        w.U32(0);
        Picture(sheet.Background());
        uint32_t len = static_cast<uint32_t>(w.Size() - at - 4);
        std::memcpy(m_out.data() + at, &len, 4);
    }
    Bool("ReadOnly", sheet.ReadOnly());
    if (sheet.DesignLeft() != 0 || sheet.DesignTop() != 0) {
        Int("Left", sheet.DesignLeft());
        Int("Top", sheet.DesignTop());
    }
    PropName("XLData");
    w.U8(vaBinary);
    size_t at = w.Size();
    w.U32(0);
    XLData(sheet);
    size_t len = w.Size() - at - 4;
    if (len > 0xFFFFFFFFu)
        throw EXLStreamError("Cannot save a sheet of more than 4 GB");
    uint32_t len32 = static_cast<uint32_t>(len);
    std::memcpy(m_out.data() + at, &len32, 4);
    w.U8(0);  // end of properties
    w.U8(0);  // no child components
}

void TSheetWriter::PersistentHead(const TXLPersistent& obj, TXLProps props, bool withClass)
{
    w.U16(props);
    if (props & PropBit(prFont)) {
        TXLFont font = obj.Font();
        w.String32(ToFileText(font.Name));
        w.I32(font.Charset);
        w.I32(font.Style);
        w.I32(FontHeightOfSize(font.Size));
        w.I32(static_cast<int32_t>(font.Color));
    }
    if (props & PropBit(prControl)) {
        const TXLCellClass& cls = obj.ValueClass();
        if (withClass)
            w.I32(cls.Id);
        w.I32(obj.Editor());
        std::string format = obj.Format();
        int index = TXLManager::Instance().FindFormat(cls, format);
        w.I32(index);
        if (index < 0)
            w.String32(ToFileText(format));
    }
}

void TSheetWriter::PropertyValues(const TXLPersistent& obj)
{
    for (int n = 0; n < kPropNumberCount; ++n)
        w.I32(obj.GetProperty(n));
}

void TSheetWriter::Sparse(const TSList& list)
{
    w.U8(0);
    w.I32(list.Count());
    int blocks = 0;
    for (int b = 0; b < list.BlockCount(); ++b)
        blocks += list.IsBlockAllocated(b);
    w.I32(blocks);
    for (int b = 0; b < list.BlockCount(); ++b) {
        if (!list.IsBlockAllocated(b))
            continue;
        w.I32(b);
        for (int i = 0; i < TSList::kBlockSize; ++i)
            w.I32(list.Item(b * TSList::kBlockSize + i));
    }
}

bool HasBlocks(const TSList& list)
{
    for (int b = 0; b < list.BlockCount(); ++b)
        if (list.IsBlockAllocated(b))
            return true;
    return false;
}

bool MatrixHasRows(const TXLMatrix& matrix)
{
    return matrix.ForEach([](int, TDefSList* row) { return HasBlocks(*row) ? 1 : 0; }) != 0;
}

void TSheetWriter::Matrix(const TXLMatrix& matrix)
{
    int32_t rows = 0;
    matrix.ForEach([&rows](int, TDefSList* row) {
        rows += HasBlocks(*row);
        return 0;
    });
    w.I32(rows);
    matrix.ForEach([this](int index, TDefSList* row) {
        if (HasBlocks(*row)) {
            w.I32(index);
            Sparse(*row);
        }
        return 0;
    });
}

void TSheetWriter::Picture(const TXLPicture& picture)
{
    if (picture.IsEmpty()) {
        w.ShortString("");
        return;
    }
    const std::string& kind = picture.Kind;
    if (kind == "BMP" || kind == "JPEG") {
        w.ShortString(kind == "BMP" ? "TBitmap" : "TJPEGImage");
        w.String32(picture.Data);
    } else if (kind == "ICO") {
        w.ShortString("TIcon");
        w.Bytes(picture.Data);
    } else if (kind == "WMF" || kind == "EMF") {
        w.ShortString("TMetafile");
        w.Bytes(picture.Data);
    } else {
        throw EXLStreamError("Cannot save a picture of kind \"" + kind + "\" in a sheet stream");
    }
}

void TSheetWriter::CellBlock(const TXLCell& cell, const TXLStyler* styler)
{
    size_t block = w.BeginBlock();
    TXLProps props = static_cast<TXLProps>(cell.Props() & kAllProps & ~PropBit(prBasedOn));
    int styleIndex = -1;
    if (styler && cell.BasedOn())
        styleIndex = styler->IndexOf(cell.BasedOn());
    if (styleIndex >= 0)
        props |= PropBit(prBasedOn);
    PersistentHead(cell, props, false);
    if (props & PropBit(prHint))
        w.String32(ToFileText(cell.Hint()));
    if (styleIndex >= 0)
        w.I32(styleIndex);
    const TXLCellClass& cls = cell.CellClass();
    if (&cls == &TXLCString::Class() || &cls == &TXLCUrl::Class()) {
        w.String32(ToFileText(static_cast<const TXLCString&>(cell).Str()));
    } else if (&cls == &TXLCStrings::Class()) {
        const auto& list = static_cast<const TXLCStrings&>(cell);
        w.I32(0);
        w.I32(list.ItemIndex());
        w.String32(ToFileText(list.AsString()));
    } else if (&cls == &TXLCInteger::Class()) {
        w.I32(cell.AsInteger());
    } else if (&cls == &TXLCDouble::Class() || &cls == &TXLCDateTime::Class()) {
        w.F64(cell.Value().Dbl());
    } else if (&cls == &TXLCCurrency::Class()) {
        w.I64(cell.AsCurrency());
    } else if (&cls == &TXLCBoolean::Class() || &cls == &TXLCGroup::Class()) {
        w.I32(cell.AsBoolean() ? 1 : 0);
    } else if (&cls == &TXLCPicture::Class()) {
        const auto* picture = static_cast<const TXLPicture*>(cell.AsPicture());
        if (!picture || picture->IsEmpty()) {
            w.U8(0);
        } else {
            w.U8(1);
            Picture(*picture);
        }
    } else if (&cls == &TXLCFormula::Class()) {
        const auto& formula = static_cast<const TXLCFormula&>(cell);
        w.F64(formula.Value().Dbl());
        w.String32(ToFileText(formula.Formula()));
    } else {
        throw EXLStreamError("Cannot save a cell of class \"" + cls.Name + "\"");
    }
    w.EndBlock(block);
}

void TSheetWriter::Section(const TXLSection& section, const TXLStyler* styler)
{
    bool cells = section.ForEach([](int, TXLRow* row) { return row->IsEmpty() ? 0 : 1; }) != 0;
    int32_t flags = 0;
    if (!section.Unions().empty())
        flags |= 1;
    if (cells)
        flags |= 2;
    for (int m = 0; m < TXLSection::kMatrixCount; ++m)
        if (MatrixHasRows(section.Matrix(m)))
            flags |= 4 << m;
    w.I32(flags);
    if (flags & 1) {
        w.I32(static_cast<int32_t>(section.Unions().size()));
        for (const TXLUnion& u : section.Unions()) {
            w.I32(u.Rect.Left);
            w.I32(u.Rect.Top);
            w.I32(u.Rect.Right);
            w.I32(u.Rect.Bottom);
        }
    }
    if (flags & 2) {
        section.ForEach([&](int rowIndex, TXLRow* row) {
            if (row->IsEmpty())
                return 0;
            w.I32(rowIndex);
            row->ForEach([&](int col, TXLCell* cell) {
                w.I32(col);
                w.I32(cell->CellClass().Id);
                CellBlock(*cell, styler);
                return 0;
            });
            w.I32(-1);
            return 0;
        });
        w.I32(-1);
    }
    for (int m = 0; m < TXLSection::kMatrixCount; ++m)
        if (flags & (4 << m))
            Matrix(section.Matrix(m));
}

void TSheetWriter::XLData(const TXLSheet& sheet)
{
    w.Bytes(kXLSignature);
    for (const TXLBaseStyle* base : {&sheet.BaseClientStyle(), &sheet.BaseTitleStyle()}) {
        size_t block = w.BeginBlock();
        PersistentHead(*base, base->Props(), true);
        PropertyValues(*base);
        w.I32(static_cast<int32_t>(base->ErrorColor()));
        w.I32(static_cast<int32_t>(base->LinesColor()));
        w.EndBlock(block);
    }
    // Bits 0-3 live sizes, 4-7 saved sizes: title columns, title rows, client columns, client rows.
    const TSList* lists[8];
    for (int i = 0; i < 8; ++i) {
        TXLAxis axis = (i & 1) ? sRows : sCols;
        bool client = (i & 2) != 0;
        lists[i] = i < 4 ? static_cast<const TSList*>(&sheet.SizeList(axis, client))
                         : static_cast<const TSList*>(&sheet.SavedList(axis, client));
    }
    uint8_t sizeFlags = 0;
    for (int i = 0; i < 8; ++i)
        if (HasBlocks(*lists[i]))
            sizeFlags |= static_cast<uint8_t>(1u << i);
    w.U8(sizeFlags);
    for (int i = 0; i < 8; ++i)
        if (sizeFlags & (1u << i))
            Sparse(*lists[i]);
    const bool present[4] = {sheet.ColCount() > 0 && sheet.TitleRows() > 0, sheet.RowCount() > 0 && sheet.TitleCols() > 0,
                             sheet.TitleCols() > 0 && sheet.TitleRows() > 0, sheet.ColCount() > 0 && sheet.RowCount() > 0};
    for (TXLSectionKind s : kSectionKinds)
        if (present[s])
            Section(sheet.Section(s), sheet.Styler());
}

void TSheetWriter::NamedStyle(const TXLStyle& style)
{
    PersistentHead(style, style.Props(), true);
    PropertyValues(style);
    w.String32(ToFileText(style.Alias()));
}

void TSheetWriter::Styler(const TXLStyler& styler)
{
    w.Bytes(kSignature);
    w.ShortString(kStylerClass);
    w.ShortString(styler.Name());
    if (styler.Count() > 0) {
        PropName("Styles");
        w.U8(vaBinary);
        size_t at = w.Size();
        w.U32(0);
        w.I32(styler.Count());
        for (int i = 0; i < styler.Count(); ++i)
            NamedStyle(*styler.Styles(i));
        uint32_t len = static_cast<uint32_t>(w.Size() - at - 4);
        std::memcpy(m_out.data() + at, &len, 4);
    }
    w.U8(0);
    w.U8(0);
}

// ---- reading -----------------------------------------------------------------

// A style link or a collapsed group, found again by position once all cells
// are in. Keyed by position: a later cell at the same position replaces the
// first and its entry; and the links are applied in the order of positions,
// the order the writer uses, because a style's lines also draw on the
// neighbours' shared sides and the last one applied wins.
using TCellKey = std::tuple<int, int, int>;  // section, local row, local column
struct TCellRef {
    TXLProps Props;
    int32_t StyleIndex;
};

std::string RectText(const TXLRect& rect)
{
    return "(" + std::to_string(rect.Left) + ", " + std::to_string(rect.Top) + ") - (" + std::to_string(rect.Right) +
           ", " + std::to_string(rect.Bottom) + ")";
}

// Where a cell block sits, in words: "client row 3, column 2".
std::string CellPlace(int section, int32_t row, int32_t col)
{
    static const char* const names[] = {"title row", "title column", "corner", "client"};
    return std::string(names[section & 3]) + " row " + std::to_string(row) + ", column " + std::to_string(col);
}

class TSheetReader {
public:
    TSheetReader(TXLSheet& sheet, const TXLSheet* target, const TXLLoadOptions& options)
        : m_sheet(sheet), m_target(target), m_options(options), m_limits(options.Limits)
    {
    }

    void Component(TXLBinReader& r);
    static TXLPicture Picture(TXLBinReader& r, const TXLStreamLimits& limits);

private:
    void Property(TXLBinReader& r, std::string_view name);
    void XLData(TXLBinReader r);
    // A block of content parsed by parse; where() names it in messages (only
    // asked for when the block is damaged).
    template <class W, class F> void Block(TXLBinReader& r, const char* what, W where, F parse);
    void Damaged(size_t offset, const char* what, const std::string& where, const std::string& why);
    std::string Text(TXLBinReader& r, const char* what);
    TXLProps PersistentHead(TXLBinReader& r, TXLPersistent& obj, bool withClass);
    void BaseStyle(TXLBinReader& r, TXLBaseStyle& base);
    void Sparse(TXLBinReader& r, TSList& list, bool sizes, int32_t def);
    void Section(TXLBinReader& r, TXLSection& section);
    void Cell(TXLBinReader& r, TXLSection& section, TXLCell& cell);
    void Finish();

    TXLSheet& m_sheet;
    const TXLSheet* m_target;
    const TXLLoadOptions& m_options;
    const TXLStreamLimits& m_limits;
    int m_depth = 0;
    bool m_haveXLData = false;
    std::map<TCellKey, TCellRef> m_links;
    std::set<TCellKey> m_groups;
};

int32_t IntValue(TXLBinReader& r, const char* what)
{
    uint8_t type = r.U8(what);
    switch (type) {
    case vaInt8: return static_cast<int8_t>(r.U8(what));
    case vaInt16: return r.I16(what);
    case vaInt32: return r.I32(what);
    default: r.Fail(std::string(what) + ": an integer was expected, found value type " + std::to_string(type));
    }
}

bool BoolValue(TXLBinReader& r, const char* what)
{
    uint8_t type = r.U8(what);
    if (type != vaFalse && type != vaTrue)
        r.Fail(std::string(what) + ": False or True was expected, found value type " + std::to_string(type));
    return type == vaTrue;
}

std::string IdentValue(TXLBinReader& r, const char* what)
{
    uint8_t type = r.U8(what);
    if (type != vaIdent)
        r.Fail(std::string(what) + ": an identifier was expected, found value type " + std::to_string(type));
    return std::string(r.ShortString(what));
}

std::string StringValue(TXLBinReader& r, const char* what, size_t maxLength)
{
    uint8_t type = r.U8(what);
    std::string_view bytes;
    if (type == vaString) {
        bytes = r.ShortString(what);
    } else if (type == vaLString || type == vaUtf8String) {
        uint32_t n = r.U32(what);
        if (n > maxLength)
            r.Fail(std::string(what) + " of " + std::to_string(n) + " bytes exceeds the limit of " +
                   std::to_string(maxLength));
        bytes = r.Bytes(n, what);
    } else {
        r.Fail(std::string(what) + ": a string was expected, found value type " + std::to_string(type));
    }
    if (type == vaUtf8String) {
        if (!IsValidUtf8(bytes))
            r.Fail(std::string(what) + " is not valid UTF-8");
        return std::string(bytes);
    }
    try {
        return Gb18030ToUtf8(bytes);
    } catch (const EEncodingError&) {
        r.Fail(std::string(what) + " is not valid GB18030 text");
    }
}

TXLBinReader BinaryValue(TXLBinReader& r, const char* what)
{
    uint8_t type = r.U8(what);
    if (type != vaBinary)
        r.Fail(std::string(what) + ": binary data was expected, found value type " + std::to_string(type));
    uint32_t n = r.U32(what);
    return r.Sub(n, what);
}

void ExpectSignature(TXLBinReader& r)
{
    if (r.Left() < 4 || r.Bytes(4, "signature") != kSignature)
        throw EXLStreamError("Not a sheet stream: it does not begin with the signature TPF0");
}

void TSheetReader::Component(TXLBinReader& r)
{
    ExpectSignature(r);
    std::string_view cls = r.ShortString("class name");
    if (cls != kSheetClass)
        r.Fail("the stream holds a \"" + std::string(cls) + "\" component, not a TXLSheet");
    r.ShortString("component name");
    for (;;) {
        std::string_view name = r.ShortString("property name");
        if (name.empty())
            break;
        Property(r, name);
    }
    if (r.U8("end of child components") != 0)
        r.Fail("a sheet has no child components");
    if (!r.AtEnd())
        r.Fail(std::to_string(r.Left()) + " bytes follow the end of the sheet");
    if (!m_haveXLData)
        r.Fail("the sheet data (XLData) is missing");
    Finish();
}

void TSheetReader::Property(TXLBinReader& r, std::string_view name)
{
    auto is = [name](std::string_view n) { return SameName(name, n); };
    if (is("Tag")) {
        m_sheet.SetTag(IntValue(r, "Tag"));
    } else if (is("Author")) {
        m_sheet.SetAuthor(StringValue(r, "Author", m_limits.MaxText));
    } else if (is("Title")) {
        m_sheet.SetTitle(StringValue(r, "Title", m_limits.MaxText));
    } else if (is("PrintMarginLeft") || is("PrintMarginTop") || is("PrintMarginRight") || is("PrintMarginBottom")) {
        TXLMargins m = m_sheet.PrintMargins();
        int32_t v = IntValue(r, "print margin");
        (is("PrintMarginLeft") ? m.Left : is("PrintMarginTop") ? m.Top : is("PrintMarginRight") ? m.Right : m.Bottom) = v;
        m_sheet.SetPrintMargins(m);
    } else if (is("PrintMode")) {
        std::string mode = IdentValue(r, "PrintMode");
        if (SameName(mode, "pmNormal"))
            m_sheet.SetPrintMode(pmNormal);
        else if (SameName(mode, "pmCustom"))
            m_sheet.SetPrintMode(pmCustom);
        else
            r.Fail("PrintMode \"" + mode + "\" is not a print mode");
    } else if (is("PrintScale")) {
        m_sheet.SetPrintScale(IntValue(r, "PrintScale"));
    } else if (is("PrintHidden")) {
        m_sheet.SetPrintHidden(BoolValue(r, "PrintHidden"));
    } else if (is("PrintTitles")) {
        if (uint8_t type = r.U8("PrintTitles"); type != vaSet)
            r.Fail("PrintTitles: a set was expected, found value type " + std::to_string(type));
        TXLAxes axes = 0;
        for (;;) {
            std::string_view member = r.ShortString("PrintTitles member");
            if (member.empty())
                break;
            if (SameName(member, "sCols"))
                axes |= AxisBit(sCols);
            else if (SameName(member, "sRows"))
                axes |= AxisBit(sRows);
            else
                r.Fail("PrintTitles member \"" + std::string(member) + "\" is not an axis");
        }
        m_sheet.SetPrintTitles(axes);
    } else if (is("PrintGridLines")) {
        m_sheet.SetPrintGridLines(BoolValue(r, "PrintGridLines"));
    } else if (is("Styler")) {
        std::string stylerName = IdentValue(r, "Styler");
        TXLStyler* styler = nullptr;
        if (m_options.FindStyler)
            styler = m_options.FindStyler(stylerName);
        else if (m_target && m_target->Styler() && m_target->Styler()->Name() == stylerName)
            styler = m_target->Styler();
        m_sheet.SetStyler(styler);
    } else if (is("ColCount")) {
        m_sheet.SetColCount(IntValue(r, "ColCount"));
    } else if (is("ColDefWidth")) {
        m_sheet.SetColDefWidth(IntValue(r, "ColDefWidth"));
    } else if (is("ColMaxWidth")) {
        m_sheet.SetColMaxWidth(IntValue(r, "ColMaxWidth"));
    } else if (is("RowCount")) {
        m_sheet.SetRowCount(IntValue(r, "RowCount"));
    } else if (is("RowDefHeight")) {
        m_sheet.SetRowDefHeight(IntValue(r, "RowDefHeight"));
    } else if (is("RowMaxHeight")) {
        m_sheet.SetRowMaxHeight(IntValue(r, "RowMaxHeight"));
    } else if (is("TitleCols")) {
        m_sheet.SetTitleCols(IntValue(r, "TitleCols"));
    } else if (is("TitleRows")) {
        m_sheet.SetTitleRows(IntValue(r, "TitleRows"));
    } else if (is("Background.Data")) {
        TXLBinReader data = BinaryValue(r, "Background.Data");
        m_sheet.SetBackground(Picture(data, m_limits));
        if (!data.AtEnd())
            data.Fail(std::to_string(data.Left()) + " bytes of Background.Data follow the picture");
    } else if (is("ReadOnly")) {
        m_sheet.SetReadOnly(BoolValue(r, "ReadOnly"));
    } else if (is("Left")) {
        m_sheet.SetDesignPosition(IntValue(r, "Left"), m_sheet.DesignTop());
    } else if (is("Top")) {
        m_sheet.SetDesignPosition(m_sheet.DesignLeft(), IntValue(r, "Top"));
    } else if (is("XLData")) {
        if (m_haveXLData)
            r.Fail("the sheet data (XLData) appears twice");
        m_haveXLData = true;
        XLData(BinaryValue(r, "XLData"));
    } else {
        r.Fail("unknown property \"" + std::string(name) + "\" of TXLSheet");
    }
}

template <class W, class F> void TSheetReader::Block(TXLBinReader& r, const char* what, W where, F parse)
{
    const size_t start = r.Offset();
    int32_t len = r.I32(what);
    if (len < 4)
        r.Fail(std::string(what) + " has the impossible length " + std::to_string(len));
    TXLBinReader body = r.Sub(static_cast<size_t>(len) - 4, what);
    if (m_depth >= kMaxBlockDepth)
        r.Fail(std::string(what) + " is nested too deeply");
    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(depth) { ++d; }
        ~Depth() { --d; }
    } depth(m_depth);
    try {
        parse(body);
        if (!body.AtEnd())
            Damaged(start, what, where(),
                    "its content ends after " + std::to_string(body.Offset() - start - 4) + " of its " +
                        std::to_string(len - 4) + " bytes");
    } catch (const detail::EXLTruncated& e) {
        // "Damaged sheet stream at byte N: text needs 6 bytes, 5 left" without its head.
        std::string_view inner = e.what();
        inner.remove_prefix(std::min(inner.size(), inner.find(": ") + 2));
        Damaged(start, what, where(), "it ends inside its content (" + std::string(inner) + ")");
    } catch (const SkipRest& e) {
        Damaged(start, what, where(),
                "its format index " + std::to_string(e.Index) + " is not in the list of " + e.Class);
    }
}

void TSheetReader::Damaged(size_t offset, const char* what, const std::string& where, const std::string& why)
{
    std::string text = std::string(what) + " at byte " + std::to_string(offset);
    if (!where.empty())
        text += " (" + where + ")";
    text += ": " + why;
    TXLLoadReport* report = m_options.Report;
    if (!report)
        throw EXLStreamError("Damaged sheet stream: " + text);
    ++report->DamagedBlocks;
    if (report->Described.size() < TXLLoadReport::kMaxDescribed)
        report->Described.push_back(std::move(text));
}

std::string TSheetReader::Text(TXLBinReader& r, const char* what)
{
    std::string_view bytes = r.String32(m_limits.MaxText, what);
    try {
        return Gb18030ToUtf8(bytes);
    } catch (const EEncodingError&) {
        r.Fail(std::string(what) + " is not valid GB18030 text");
    }
}

TXLProps TSheetReader::PersistentHead(TXLBinReader& r, TXLPersistent& obj, bool withClass)
{
    TXLProps props = static_cast<TXLProps>(r.U16("properties") & kAllProps);
    if (props & PropBit(prFont)) {
        TXLFont font;
        font.Name = Text(r, "font name");
        font.Charset = static_cast<uint8_t>(r.I32("font character set") & 0xFF);
        font.Style = static_cast<uint8_t>(r.I32("font style") & 0x0F);
        font.Size = FontSizeOfHeight(r.I32("font height"));
        font.Color = static_cast<TColor>(r.I32("font colour"));
        obj.SetFont(font);
    }
    if (props & PropBit(prControl)) {
        if (withClass) {
            int32_t id = r.I32("value class");
            const TXLCellClass* cls = TXLManager::Instance().FindClass(id);
            if (!cls)
                r.Fail("unknown value class identifier " + std::to_string(id));
            obj.SetValueClass(*cls);
        }
        obj.SetEditor(r.I32("editor"));
        int32_t index = r.I32("format index");
        const auto& formats = obj.ValueClass().Formats;
        if (index == -1)
            obj.SetFormat(Text(r, "format"));
        else if (index >= 0 && static_cast<size_t>(index) < formats.size())
            obj.SetFormat(formats[static_cast<size_t>(index)]);
        else
            throw SkipRest{index, obj.ValueClass().Name};
    }
    return props;
}

void TSheetReader::BaseStyle(TXLBinReader& r, TXLBaseStyle& base)
{
    PersistentHead(r, base, true);
    int32_t values[kPropNumberCount];
    for (int32_t& v : values)
        v = r.I32("style property");
    for (int n = 0; n < kPropNumberCount; ++n)
        base.SetProperty(n, values[n]);
    base.SetErrorColor(static_cast<TColor>(r.I32("error colour")));
    base.SetLinesColor(static_cast<TColor>(r.I32("lines colour")));
}

void TSheetReader::Sparse(TXLBinReader& r, TSList& list, bool sizes, int32_t def)
{
    r.U8("sparse list head");
    r.I32("sparse list count");  // the owner's count, set by the properties
    int32_t blocks = r.Count(kSparseBlock, "sparse list block count");
    for (int32_t k = 0; k < blocks; ++k) {
        int32_t b = r.I32("sparse block number");
        if (b < 0 || b >= TSList::kMaxBlocks)
            r.Fail("sparse block number " + std::to_string(b) + " is out of range");
        int32_t values[TSList::kBlockSize];
        bool any = false;
        for (int32_t& v : values) {
            v = r.I32("sparse slot");
            any = any || v != 0;
            int64_t size = static_cast<int64_t>(v) + def;
            if (sizes && (size < 0 || size > kMaxSectorSize))
                r.Fail("size " + std::to_string(size) + " is out of range");
        }
        int base = b * TSList::kBlockSize;
        for (int i = 0; i < TSList::kBlockSize; ++i)
            if (values[i] != 0)
                list.SetItem(base + i, values[i]);
        if (!any) {
            // Every block read is allocated, even one of zeros (so it is written again).
            list.SetItem(base, 1);
            list.SetItem(base, 0);
        }
    }
}

void TSheetReader::Cell(TXLBinReader& r, TXLSection& section, TXLCell& cell)
{
    TXLProps props = 0;
    int32_t styleIndex = -1;
    // Props are stored as read whatever the setters marked, also when the block ends early.
    struct StoreProps {
        TXLCell& cell;
        TXLProps& props;
        ~StoreProps() { cell.SetProps(static_cast<TXLProps>(props & ~PropBit(prBasedOn))); }
    } store{cell, props};
    props = PersistentHead(r, cell, false);
    if (props & PropBit(prHint))
        cell.SetHint(Text(r, "hint"));
    if (props & PropBit(prBasedOn)) {
        styleIndex = r.I32("style index");
        m_links[{section.Number(), cell.LocalRow(), cell.Col()}] = {props, styleIndex};
    }
    const TXLCellClass& cls = cell.CellClass();
    if (&cls == &TXLCString::Class() || &cls == &TXLCUrl::Class()) {
        cell.SetAsString(Text(r, "text"));
    } else if (&cls == &TXLCStrings::Class()) {
        Text(r, "text");
        int32_t index = r.I32("item index");
        std::string list = Text(r, "list");
        cell.SetValue(Variant(list));
        cell.SetAsInteger(index);
    } else if (&cls == &TXLCInteger::Class()) {
        cell.SetValue(Variant(r.I32("integer")));
    } else if (&cls == &TXLCDouble::Class()) {
        cell.SetValue(Variant(r.F64("number")));
    } else if (&cls == &TXLCDateTime::Class()) {
        cell.SetValue(Variant::FromDate(r.F64("date")));
    } else if (&cls == &TXLCCurrency::Class()) {
        cell.SetValue(Variant::FromCurrency(r.I64("currency")));
    } else if (&cls == &TXLCBoolean::Class() || &cls == &TXLCGroup::Class()) {
        bool on = r.I32("boolean") != 0;
        cell.SetValue(Variant(on));
        if (on && &cls == &TXLCGroup::Class())
            m_groups.insert({section.Number(), cell.LocalRow(), cell.Col()});
    } else if (&cls == &TXLCPicture::Class()) {
        if (r.U8("picture presence") != 0) {
            TXLPicture picture = Picture(r, m_limits);
            cell.SetAsPicture(&picture);
        }
    } else if (&cls == &TXLCFormula::Class()) {
        double result = r.F64("formula result");
        std::string text = Text(r, "formula");
        static_cast<TXLCFormula&>(cell).RestoreSaved(result, text);
    }
}

void TSheetReader::Section(TXLBinReader& r, TXLSection& section)
{
    const int cols = section.ColCount();
    const int rows = section.RowCount();
    int32_t flags = r.I32("section flags");
    if (flags & ~0x3FF)
        r.Fail("section flags " + std::to_string(flags) + " hold unknown bits");
    if (flags & 1) {
        int32_t n = r.Count(16, "merged range count");
        if (static_cast<size_t>(n) > m_limits.MaxMergedRanges)
            r.Fail("the section has " + std::to_string(n) + " merged ranges, more than " +
                   std::to_string(m_limits.MaxMergedRanges));
        std::vector<TXLRect> rects(static_cast<size_t>(n));
        for (TXLRect& rect : rects) {
            rect.Left = r.I32("merged range");
            rect.Top = r.I32("merged range");
            rect.Right = r.I32("merged range");
            rect.Bottom = r.I32("merged range");
            if (rect.Left < 0 || rect.Top < 0 || rect.Right > cols || rect.Bottom > rows || rect.IsEmpty())
                r.Fail("merged range " + RectText(rect) + " lies outside the section");
        }
        if (auto pair = FindOverlap(rects))
            r.Fail("merged ranges overlap: " + RectText(rects[pair->first]) + " and " + RectText(rects[pair->second]));
        for (const TXLRect& rect : rects)
            section.AddUnion(rect);
    }
    if (flags & 2) {
        for (;;) {
            int32_t row = r.I32("row index");
            if (row == -1)
                break;
            if (row < 0 || row >= rows)
                r.Fail("row " + std::to_string(row) + " lies outside the section's " + std::to_string(rows) + " rows");
            for (;;) {
                int32_t col = r.I32("column index");
                if (col == -1)
                    break;
                if (col < 0 || col >= cols)
                    r.Fail("column " + std::to_string(col) + " lies outside the section's " + std::to_string(cols) +
                           " columns");
                int32_t id = r.I32("cell class");
                const TXLCellClass* cls = TXLManager::Instance().FindClass(id);
                if (!cls)
                    r.Fail("unknown cell class identifier " + std::to_string(id));
                int lc = col, lr = row;
                if (const TXLUnion* u = section.UnionAt(col, row)) {
                    lc = u->Rect.Left;
                    lr = u->Rect.Top;
                }
                TXLCell* cell = section.Replace(lc, lr, cls->Create());
                if (!m_links.empty())
                    m_links.erase({section.Number(), lr, lc});
                if (!m_groups.empty())
                    m_groups.erase({section.Number(), lr, lc});
                Block(r, "cell block", [&] { return CellPlace(section.Number(), row, col); },
                      [&](TXLBinReader& body) { Cell(body, section, *cell); });
            }
        }
    }
    for (int m = 0; m < TXLSection::kMatrixCount; ++m) {
        if (!(flags & (4 << m)))
            continue;
        TXLMatrix& matrix = section.Matrix(m);
        int32_t n = r.Count(kMinMatrixRow, "formatting row count");
        for (int32_t k = 0; k < n; ++k) {
            int32_t row = r.I32("formatting row index");
            if (row < 0 || row > TSList::kMaxIndex)
                r.Fail("formatting row " + std::to_string(row) + " is out of range");
            Sparse(r, *matrix.Lists(row), false, 0);
        }
    }
}

void TSheetReader::XLData(TXLBinReader r)
{
    if (r.Left() < 3 || r.Bytes(3, "signature") != kXLSignature.substr(0, 3))
        throw EXLStreamError(std::string(kUnknownFormat));
    r.U8("signature");  // the fourth byte is a version nobody checks
    m_sheet.ClearCells();
    auto none = [] { return std::string(); };
    Block(r, "client style block", none, [&](TXLBinReader& body) { BaseStyle(body, m_sheet.BaseClientStyle()); });
    Block(r, "title style block", none, [&](TXLBinReader& body) { BaseStyle(body, m_sheet.BaseTitleStyle()); });
    uint8_t sizeFlags = r.U8("size flags");
    for (int i = 0; i < 8; ++i) {
        if (!(sizeFlags & (1u << i)))
            continue;
        TXLAxis axis = (i & 1) ? sRows : sCols;
        bool client = (i & 2) != 0;
        if (i < 4)
            Sparse(r, m_sheet.SizeList(axis, client), true, m_sheet.DefSize(axis));
        else
            Sparse(r, m_sheet.SavedList(axis, client), true, 0);
    }
    const TXLSheet& s = m_sheet;
    const bool present[4] = {s.ColCount() > 0 && s.TitleRows() > 0, s.RowCount() > 0 && s.TitleCols() > 0,
                             s.TitleCols() > 0 && s.TitleRows() > 0, s.ColCount() > 0 && s.RowCount() > 0};
    for (TXLSectionKind n : kSectionKinds)
        if (present[n])
            Section(r, m_sheet.Section(n));
    if (!r.AtEnd())
        r.Fail(std::to_string(r.Left()) + " bytes of the sheet data (XLData) are not read: a count or an end "
               "marker before them is damaged");
    for (TXLSectionKind n : kSectionKinds) {
        TXLSection& section = m_sheet.Section(n);
        const TXLBaseStyle& base = *section.BaseStyle();
        section.SetMatrixDefault(2, base.GetProperty(pnBias1));
        section.SetMatrixDefault(3, base.GetProperty(pnBias2));
        section.SetMatrixDefault(4, base.GetProperty(pnColor));
        section.SetMatrixDefault(5, base.GetProperty(pnFrame));
        section.SetMatrixDefault(6, base.GetProperty(pnStyles));
        section.SetMatrixDefault(7, base.GetProperty(pnLayout));
    }
}

void TSheetReader::Finish()
{
    TXLStyler* styler = m_sheet.Styler();
    for (const auto& [key, link] : m_links) {
        auto [section, row, col] = key;
        TXLCell* cell = m_sheet.Section(static_cast<TXLSectionKind>(section)).Find(col, row);
        if (!cell)
            continue;
        TXLStyle* style = styler ? styler->Styles(link.StyleIndex) : nullptr;
        TXLProps props = static_cast<TXLProps>(link.Props & ~PropBit(prBasedOn));
        if (style) {
            cell = cell->SetBasedOn(style);  // may replace the cell by one of the style's class
            props |= PropBit(prBasedOn);
        }
        cell->SetProps(props);
    }
    for (auto [section, row, col] : m_groups)
        if (TXLCell* cell = m_sheet.Section(static_cast<TXLSectionKind>(section)).Find(col, row))
            if (&cell->CellClass() == &TXLCGroup::Class())
                static_cast<TXLCGroup*>(cell)->ApplyState();
}

TXLPicture TSheetReader::Picture(TXLBinReader& r, const TXLStreamLimits& limits)
{
    std::string_view kind = r.ShortString("picture kind");
    TXLPicture picture;
    if (kind.empty())
        return picture;
    if (kind.size() > 63)
        r.Fail("picture kind name longer than 63 characters");
    if (kind == "TBitmap" || kind == "TJPEGImage") {
        picture.Kind = kind == "TBitmap" ? "BMP" : "JPEG";
        picture.Data = std::string(r.String32(limits.MaxPicture, "picture data"));
        if (picture.Kind == "BMP") {
            if (picture.Data.size() < 2 || picture.Data.compare(0, 2, "BM") != 0)
                r.Fail("bitmap data does not begin with BM");
            if (picture.Data.size() >= 26) {
                int32_t wd, ht;
                std::memcpy(&wd, picture.Data.data() + 18, 4);
                std::memcpy(&ht, picture.Data.data() + 22, 4);
                picture.Width = wd;
                picture.Height = ht == INT32_MIN ? 0 : std::abs(ht);
            }
        }
        return picture;
    }
    // Icons and metafiles carry no length: it follows from their headers.
    size_t left = r.Left();
    size_t size = 0;
    if (kind == "TIcon") {
        picture.Kind = "ICO";
        TXLBinReader head = r;  // a look ahead
        head.U16("icon header");
        head.U16("icon header");
        uint16_t count = head.U16("icon image count");
        size = 6 + 16u * count;
        for (uint16_t i = 0; i < count; ++i) {
            head.Bytes(8, "icon entry");
            uint64_t bytes = head.U32("icon image size");
            uint64_t offset = head.U32("icon image offset");
            size = std::max<uint64_t>(size, bytes + offset);
        }
    } else if (kind == "TMetafile") {
        TXLBinReader head = r;
        uint32_t key = head.U32("metafile header");
        if (key == 1) {
            picture.Kind = "EMF";
            head.Bytes(44, "metafile header");
            size = head.U32("metafile size");
            if (size < 52)
                r.Fail("metafile size " + std::to_string(size) + " is smaller than its header");
        } else if (key == 0x9AC6CDD7u) {
            picture.Kind = "WMF";
            head.Bytes(18 + 6, "metafile header");
            size = 22 + 2 * static_cast<uint64_t>(head.U32("metafile size"));
            if (size < 22 + 18)
                r.Fail("metafile size " + std::to_string(size) + " is smaller than its header");
        } else {
            r.Fail("unknown metafile format");
        }
    } else {
        r.Fail("unknown picture kind \"" + std::string(kind) + "\"");
    }
    if (size > left || size > limits.MaxPicture)
        r.Fail("picture of " + std::to_string(size) + " bytes exceeds the data left or the limit");
    picture.Data = std::string(r.Bytes(size, "picture data"));
    return picture;
}

// ---- styler stream ---------------------------------------------------------

void ReadStyler(TXLBinReader& r, TXLStyler& styler, const TXLStreamLimits& limits)
{
    ExpectSignature(r);
    std::string_view cls = r.ShortString("class name");
    if (cls != kStylerClass)
        r.Fail("the stream holds a \"" + std::string(cls) + "\" component, not a TXLStyler");
    r.ShortString("component name");
    for (;;) {
        std::string_view name = r.ShortString("property name");
        if (name.empty())
            break;
        if (!SameName(name, "Styles"))
            r.Fail("unknown property \"" + std::string(name) + "\" of TXLStyler");
        TXLBinReader data = BinaryValue(r, "Styles");
        // The smallest named style: props, 48 bytes of values, the alias length.
        int32_t n = data.Count(2 + 48 + 4, "style count");
        for (int32_t i = 0; i < n; ++i) {
            TXLStyle probe(nullptr);
            TXLProps props = static_cast<TXLProps>(data.U16("properties") & kAllProps);
            TXLFont font;
            const TXLCellClass* valueClass = nullptr;
            int32_t editor = 0;
            std::string format;
            bool hasFormat = false;
            auto text = [&](const char* what) {
                std::string_view bytes = data.String32(limits.MaxText, what);
                try {
                    return Gb18030ToUtf8(bytes);
                } catch (const EEncodingError&) {
                    data.Fail(std::string(what) + " is not valid GB18030 text");
                }
            };
            if (props & PropBit(prFont)) {
                font.Name = text("font name");
                font.Charset = static_cast<uint8_t>(data.I32("font character set") & 0xFF);
                font.Style = static_cast<uint8_t>(data.I32("font style") & 0x0F);
                font.Size = FontSizeOfHeight(data.I32("font height"));
                font.Color = static_cast<TColor>(data.I32("font colour"));
            }
            if (props & PropBit(prControl)) {
                int32_t id = data.I32("value class");
                valueClass = TXLManager::Instance().FindClass(id);
                if (!valueClass)
                    data.Fail("unknown value class identifier " + std::to_string(id));
                editor = data.I32("editor");
                int32_t index = data.I32("format index");
                if (index == -1)
                    format = text("format");
                else if (index >= 0 && static_cast<size_t>(index) < valueClass->Formats.size())
                    format = valueClass->Formats[static_cast<size_t>(index)];
                else
                    data.Fail("format index " + std::to_string(index) + " is not in the list of " + valueClass->Name);
                hasFormat = true;
            }
            int32_t values[kPropNumberCount];
            for (int32_t& v : values)
                v = data.I32("style property");
            std::string alias = text("style alias");
            if (styler.FindStyle(alias))
                data.Fail("two styles are named \"" + alias + "\"");
            TXLStyle* style = styler.AddStyle(alias);
            if (valueClass)
                style->SetValueClass(*valueClass);
            if (hasFormat) {
                style->SetEditor(editor);
                style->SetFormat(format);
            }
            if (props & PropBit(prFont))
                style->SetFont(font);
            for (int k = 0; k < kPropNumberCount; ++k)
                style->SetProperty(k, values[k]);
            style->SetProps(props);
        }
        if (!data.AtEnd())
            data.Fail(std::to_string(data.Left()) + " bytes of Styles follow the last style");
    }
    if (r.U8("end of child components") != 0)
        r.Fail("a styler has no child components");
    if (!r.AtEnd())
        r.Fail(std::to_string(r.Left()) + " bytes follow the end of the styler");
}

}  // namespace

// ---- public ----------------------------------------------------------------

void SaveSheetToStream(const TXLSheet& sheet, std::string& out)
{
    TSheetWriter(out).Component(sheet, sheet.Name());
}

std::string SaveSheetToString(const TXLSheet& sheet)
{
    std::string out;
    SaveSheetToStream(sheet, out);
    return out;
}

void LoadSheetFromStream(TXLSheet& sheet, std::string_view data, const TXLLoadOptions& options)
{
    if (options.Report)
        *options.Report = TXLLoadReport{};
    TXLSheet fresh;
    detail::TSheetAccess::SetLoading(fresh, true);
    fresh.BeginUpdate();
    TXLBinReader r(data);
    TSheetReader(fresh, &sheet, options).Component(r);
    fresh.EndUpdate();
    detail::TSheetAccess::SetLoading(fresh, false);
    // Clearing first tells the users about every cell that goes (an open
    // editor lets go of its cell) before the new contents move in.
    sheet.BeginUpdate();
    sheet.ClearCells();
    sheet.SwapContents(fresh);
    sheet.EndUpdate();
    sheet.SetModified(false);
}

void SaveSheetToFile(TXLSheet& sheet, const std::string& path, const TXLWriteProgress& progress)
{
    std::string out;
    TSheetWriter(out).Component(sheet, "");
    WriteFileAtomic(path, out, progress);
    sheet.SetModified(false);
}

void LoadSheetFromFile(TXLSheet& sheet, const std::string& path, const TXLLoadOptions& options)
{
    std::string data = ReadWholeFile(path, options.Limits.MaxFile);
    try {
        LoadSheetFromStream(sheet, data, options);
    } catch (const EXLStreamError& e) {
        if (std::string_view(e.what()) == kUnknownFormat)
            throw;  // the component's own text, as it is
        throw EXLStreamError("\"" + path + "\": " + e.what());
    }
}

void AssignSheet(TXLSheet& dst, const TXLSheet& src)
{
    if (&dst == &src)
        return;
    std::string data = SaveSheetToString(src);
    TXLLoadOptions options;
    TXLStyler* styler = src.Styler();
    options.FindStyler = [styler](const std::string&) { return styler; };
    LoadSheetFromStream(dst, data, options);
}

void SaveStylerToStream(const TXLStyler& styler, std::string& out)
{
    TSheetWriter(out).Styler(styler);
}

void LoadStylerFromStream(TXLStyler& styler, std::string_view data, const TXLStreamLimits& limits)
{
    {
        // Read once into a scratch styler: a damaged stream changes nothing.
        TXLStyler scratch;
        TXLBinReader r(data);
        ReadStyler(r, scratch, limits);
    }
    while (styler.Count() > 0)
        styler.DeleteStyle(styler.Styles(styler.Count() - 1));
    TXLBinReader r(data);
    ReadStyler(r, styler, limits);
}

}  // namespace xlgrid
