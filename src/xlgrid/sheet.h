#pragma once
// The sheet: one table of typed cells with sizes, merged ranges, formatting
// and print settings.
//
// Client columns and rows count from 0; the heading band (title rows and
// columns) uses negative indices, -1 being next to the client cells. Cells
// live in four sections chosen by the signs of the indices. Sizes are eight
// sparse lists (live and saved sizes per axis and band) stored as
// differences from the axis default.

#include "xlgrid/cell.h"
#include "xlgrid/section.h"
#include "xlgrid/style.h"
#include "xlgrid/xlerrors.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace xlgrid {

namespace detail {
class TSheetAccess;
}

// A view of a sheet; every change is reported to the registered users, in
// registration order. Rectangles are local to their section, right and
// bottom exclusive, and lie inside the section's current counts (a change
// beyond them is not reported). Inside an update bracket RangeChanged and
// SectionChanged are held back and replaced by one SheetChanged after
// EndUpdate. A cell asks for its repaint once until it is painted (the
// section painter answers the request, TXLCell::MarkPainted): a view that
// repaints what it is told and paints through the painting library sees
// every change. Each TXLSheet mutator says below what it sends; "once" means
// once until painted. A test attaches tests/xlgrid/sheetcontract.h to check
// all of this as it happens.
class IXLSheetUser {
public:
    virtual ~IXLSheetUser() = default;
    // Cells of the rectangle must be repainted (rpSides: their border sides too).
    virtual void RangeChanged(TXLSectionKind /*section*/, const TXLRect& /*rect*/, TXLRepaint /*what*/) {}
    // A base style or the background changed: the whole section must be repainted.
    virtual void SectionChanged(TXLSectionKind /*section*/) {}
    // At the end of a bracket in which changes were held back, and after loading.
    virtual void SheetChanged() {}
    // Margins, scale, titles or grid-line printing changed.
    virtual void PrintChanged() {}
    // Counts or default sizes of the axes changed (no axes: after loading).
    virtual void SizesChanged(TXLAxes /*axes*/, TXLBand /*band*/) {}
    // Rows or columns were inserted (count > 0) or deleted (count < 0) at a local index.
    virtual void SectorsMoved(TXLAxis /*axis*/, TXLBand /*band*/, int /*count*/, int /*index*/) {}
    // One row height or column width changed (local index).
    virtual void SizeChanged(TXLAxis /*axis*/, int /*index*/, TXLBand /*band*/) {}
    // A formatting matrix changed under the rectangle (none: the whole section).
    virtual void CellsFormatted(TXLSectionKind /*section*/, const TXLRect* /*rect*/) {}
    // The sheet is being destroyed; the user must drop its reference.
    virtual void SheetDestroying() {}
    // A cell open in an in-cell editor changed or is being freed.
    virtual void CellChanged(TXLCell* /*cell*/) {}
    // Merged ranges changed.
    virtual void UnionsChanged() {}
    // An update bracket opened (also sent to a user that registers inside one).
    virtual void BeginUpdate() {}
    // The update bracket closed (also sent to a user that unregisters inside one).
    virtual void EndUpdate() {}
};

struct TXLMargins {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TXLMargins&) const = default;
};

class TXLSheet {
public:
    // The largest count of a band: every index must fit the sparse lists.
    static constexpr int kMaxCount = TXLSizeList::kMaxIndex + 1;

    TXLSheet();
    TXLSheet(const TXLSheet&) = delete;
    TXLSheet& operator=(const TXLSheet&) = delete;
    ~TXLSheet();

    // Users and updates
    // AddUser: inside an open bracket the new user gets BeginUpdate at once.
    void AddUser(IXLSheetUser* user);
    // RemoveUser: inside an open bracket the leaving user gets EndUpdate.
    void RemoveUser(IXLSheetUser* user);
    // BeginUpdate: the outermost one sends BeginUpdate.
    void BeginUpdate();
    // EndUpdate: the outermost one sends EndUpdate, then SheetChanged when
    // anything was held back inside the bracket.
    void EndUpdate();
    bool Updating() const { return m_updateCount > 0; }
    bool Modified() const { return m_modified; }
    void SetModified(bool modified);
    // Grows with every change, also one whose repaint request was coalesced
    // into an earlier one (a cell asks once until painted) or held back in
    // an update bracket: a user that must see each change rather than each
    // repaint (the undo stack) compares it between two of its steps.
    uint64_t ChangeCount() const { return m_changes; }

    // Shape
    // SetColCount, SetRowCount, SetTitleCols, SetTitleRows, SetCount:
    // SizesChanged(axis, band), then UnionsChanged when merged ranges were
    // cut; cells cut off ask for no repaint. Nothing for the same count.
    int ColCount() const;
    void SetColCount(int count);
    int RowCount() const;
    void SetRowCount(int count);
    int TitleCols() const;
    void SetTitleCols(int count);
    int TitleRows() const;
    void SetTitleRows(int count);
    int Count(TXLAxis axis, bool client) const;
    void SetCount(TXLAxis axis, bool client, int count);

    int ColDefWidth() const { return m_defSize[sCols]; }
    void SetColDefWidth(int size) { SetDefSize(sCols, size); }
    int RowDefHeight() const { return m_defSize[sRows]; }
    void SetRowDefHeight(int size) { SetDefSize(sRows, size); }
    int DefSize(TXLAxis axis) const { return m_defSize[axis]; }
    // SetColDefWidth, SetRowDefHeight, SetDefSize: SizesChanged(axis, title),
    // then SizesChanged(axis, client), also for the same value (the stored
    // sizes are reset).
    void SetDefSize(TXLAxis axis, int size);
    int ColMaxWidth() const { return m_maxSize[sCols]; }
    void SetColMaxWidth(int size) { SetMaxSize(sCols, size); }
    int RowMaxHeight() const { return m_maxSize[sRows]; }
    void SetRowMaxHeight(int size) { SetMaxSize(sRows, size); }
    // SetColMaxWidth, SetRowMaxHeight, SetMaxSize: below the default as
    // SetDefSize; otherwise SizeChanged for every visible row or column cut
    // to the maximum. Nothing for 0 or less.
    void SetMaxSize(TXLAxis axis, int size);

    // The size of a row or column (its saved size when hidden); -1 = best fit, 0 = 1.
    int Sizes(int index, TXLAxis axis) const;
    // SetSizes: SizeChanged(axis, local index, band) when a visible size
    // changes; nothing for a hidden one (it keeps the size for later), the
    // same size or an index outside the bands.
    void SetSizes(int index, TXLAxis axis, int size);
    // The size as drawn: 0 for a hidden row or column.
    int LiveSize(int index, TXLAxis axis) const;
    bool Visible(int index, TXLAxis axis) const;
    // SetVisible: SizeChanged(axis, local index, band); nothing when the
    // state holds or the index is outside the bands.
    void SetVisible(int index, TXLAxis axis, bool visible);
    int BestWidth(int col) const;
    int BestHeight(int row) const;
    // Pixel offset of a client (or title) index from the start of its band, and its inverse.
    int64_t Offset(int index, TXLAxis axis) const;
    int Locate(int64_t& pos, TXLAxis axis, bool client) const;
    TXLSizeList& SizeList(TXLAxis axis, bool client) { return *m_sizes[axis][client]; }
    const TXLSizeList& SizeList(TXLAxis axis, bool client) const { return *m_sizes[axis][client]; }
    TXLSizeList& SavedList(TXLAxis axis, bool client) { return *m_saved[axis][client]; }
    const TXLSizeList& SavedList(TXLAxis axis, bool client) const { return *m_saved[axis][client]; }

    // InsertCols, InsertRows, InsertSectors: BeginUpdate, SectorsMoved(axis,
    // band, count, local index), UnionsChanged when merged ranges moved,
    // EndUpdate, SheetChanged. Nothing when the clamped count is 0.
    void InsertCols(int index, int count) { InsertSectors(sCols, index, count); }
    void InsertRows(int index, int count) { InsertSectors(sRows, index, count); }
    void InsertSectors(TXLAxis axis, int index, int count);
    // Clear: as ClearCells, then SizesChanged(cols, client) and
    // SizesChanged(rows, client) for the counts that change.
    void Clear();
    // ClearCells: BeginUpdate, UnionsChanged when there were merged ranges,
    // EndUpdate, SheetChanged.
    void ClearCells();

    // Cells
    // Cells: a new cell sends RangeChanged(section, its rectangle) once.
    TXLCell* Cells(int col, int row);
    TXLCell* FindCell(int col, int row) const;
    Variant Values(int col, int row) const;
    // SetValues, SetText: the cell's RangeChanged once (creating and writing
    // it ask together); CellChanged(cell) when it is open in an editor.
    // Nothing when the value stays (unless the cell has csWriteNotify).
    void SetValues(int col, int row, const Variant& value);
    void SetText(int col, int row, const std::string& text);
    void* Pictures(int col, int row) const;
    // SetCellClass: the position's RangeChanged once; CellChanged(old cell)
    // when the replaced cell was open in an editor. Nothing for the same class.
    TXLCell* SetCellClass(int col, int row, const TXLCellClass& cls);
    // SetCellBox, SetCellBorder: the cell's RangeChanged once, and one
    // RangeChanged(..., rpSides) around the cell for each outer side that changes.
    void SetCellBox(int col, int row, TColor borderColor, TColor color, TColor fontColor, const Variant& value);
    void SetCellBorder(int col, int row, TColor borderColor, TColor color);
    // FillTitles: BeginUpdate, EndUpdate, then SheetChanged when a label changed.
    void FillTitles();
    // NumberRow: the heading cell's RangeChanged once; nothing when it holds the number.
    void NumberRow(int row);
    // Copies everything of one position to another (also between sheets).
    // CopyCell: the destination as SetCellClass and the cell setters send; an
    // empty source frees the destination cell, which sends RangeChanged of its
    // rectangle (its whole merged range for an anchor) unless one is pending.
    static void CopyCell(const TXLSheet& src, int srcCol, int srcRow, TXLSheet& dst, int dstCol, int dstRow);
    std::string GetCellHint(int col, int row) const;
    // Recalculate: SectionChanged(client) when the sheet has formula cells.
    void Recalculate();

    // Formatting of a position (with or without a cell) by property number.
    int32_t GetProperty(int col, int row, int number) const;
    // SetProperty: the cell's setter when a cell is there; otherwise
    // RangeChanged of the position (lines and diagonals: rpSides, one cell
    // around it). Nothing for the same value, the inner lines (which belong to
    // ranges) or an unknown number.
    void SetProperty(int col, int row, int number, int32_t value);

    // Sections and coordinates
    static TXLSectionKind SectionOf(int col, int row)
    {
        return (col >= 0) ? (row >= 0 ? skClient : skTitleRows) : (row >= 0 ? skTitleCols : skCorner);
    }
    TXLSection& Section(TXLSectionKind kind) { return *m_sections[kind]; }
    const TXLSection& Section(TXLSectionKind kind) const { return *m_sections[kind]; }
    int LocalCol(int col) const { return col < 0 ? TitleCols() + col : col; }
    int LocalRow(int row) const { return row < 0 ? TitleRows() + row : row; }
    // Resolves a sheet position to its section and local position (following a merged range).
    TXLSection& Locate(int col, int row, int& localCol, int& localRow);
    const TXLSection& Locate(int col, int row, int& localCol, int& localRow) const;

    // Styles
    TXLBaseStyle& BaseClientStyle() { return *m_baseClient; }
    const TXLBaseStyle& BaseClientStyle() const { return *m_baseClient; }
    TXLBaseStyle& BaseTitleStyle() { return *m_baseTitle; }
    const TXLBaseStyle& BaseTitleStyle() const { return *m_baseTitle; }
    // SetBaseClientStyle, SetBaseTitleStyle (and every setter of a base
    // style): for each of the style's sections, the re-read cells' RangeChanged
    // once, CellsFormatted(section, none) when a formatting default changed,
    // then SectionChanged(section). A style's setters always act, so these
    // come also for the same value.
    void SetBaseClientStyle(const TXLPersistent& style) { m_baseClient->Assign(style); }
    void SetBaseTitleStyle(const TXLPersistent& style) { m_baseTitle->Assign(style); }
    TXLStyler* Styler() const { return m_styler; }
    // SetStyler: each relinked cell as TXLCell::SetBasedOn. Nothing for the same styler.
    void SetStyler(TXLStyler* styler);

    // Properties: SetAuthor, SetTitle, SetTag, SetName, SetReadOnly send nothing.
    const std::string& Author() const { return m_author; }
    void SetAuthor(const std::string& author);
    const std::string& Title() const { return m_title; }
    void SetTitle(const std::string& title);
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }
    // The component name a stream carries (sheet files leave it empty).
    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    // Where a form placed the sheet at design time; only kept and saved again.
    int DesignLeft() const { return m_designLeft; }
    int DesignTop() const { return m_designTop; }
    void SetDesignPosition(int left, int top)
    {
        m_designLeft = left;
        m_designTop = top;
    }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool ro) { m_readOnly = ro; }
    const TXLPicture& Background() const { return m_background; }
    // SetBackground: SectionChanged(client); nothing for the same picture.
    void SetBackground(const TXLPicture& picture);

    // Print settings: PrintChanged when a margin, the scale, the titles, the
    // hidden or the grid-line printing changes; SetPrintMode sends nothing.
    const TXLMargins& PrintMargins() const { return m_margins; }
    void SetPrintMargins(const TXLMargins& margins);
    TXLPrintMode PrintMode() const { return m_printMode; }
    void SetPrintMode(TXLPrintMode mode) { m_printMode = mode; }
    int PrintScale() const { return m_printScale; }
    void SetPrintScale(int scale);
    bool PrintHidden() const { return m_printHidden; }
    void SetPrintHidden(bool on);
    TXLAxes PrintTitles() const { return m_printTitles; }
    void SetPrintTitles(TXLAxes axes);
    bool PrintGridLines() const { return m_printGridLines; }
    void SetPrintGridLines(bool on);

    // Events
    std::function<void(TXLSheet&, TXLAxis, int& size, int index)> OnSizing;
    std::function<void(TXLSheet&)> OnModified;
    std::function<void(TXLSheet&, int col, int row)> OnCellClick;
    std::function<void(TXLSheet&, int col, int row)> OnCellDblClick;
    std::function<void(TXLSheet&, int col, int row)> OnCellChanged;
    std::function<void(TXLSheet&)> OnStylerChanged;
    std::function<void(TXLSheet&, int col, int row, std::string& text)> OnGetCellHint;
    std::function<void(TXLSheet&, int col, int row, std::string& text)> OnSetCellHint;
    std::function<void(TXLSheet&, const std::string& name, Variant& value)> OnVariable;
    std::function<void(TXLSheet&, const std::string& name, std::vector<Variant>& args, Variant& value, bool& handled)>
        OnFunction;

    // The calculator's view of the sheet (names, events, the evaluation list).
    TXLCalcHost& CalcHost();

    // Exchanges everything the sheet file holds (shape, sizes, cells,
    // formatting, base styles, styler, properties) with another sheet; users,
    // events and the component name stay. Loading parses into a new sheet and
    // swaps on success, so a damaged file leaves the target as it was.
    // SwapContents (and so loading), to the users of both sheets: BeginUpdate,
    // SizesChanged(cols and rows, client), SizesChanged(cols and rows, title),
    // UnionsChanged, EndUpdate, SheetChanged.
    void SwapContents(TXLSheet& other);

    // Formula names: a cell reference inside the client band yields the cell's value.
    Variant DoVariable(const std::string& name) const;

    // Text measurement for best-fit sizes (the painting library installs a real one).
    static void SetTextMeasure(const ITextMeasure* measure);
    static const ITextMeasure& TextMeasure();

    // Whether the sheet is being read from a stream.
    bool Loading() const { return m_loading; }

private:
    // The notification senders belong to the model: cells, rows, sections,
    // styles, ranges and the stream reader report through them.
    friend class TXLCell;
    friend class TXLRow;
    friend class TXLSection;
    friend class TXLBaseStyle;
    friend class TXLStyle;
    friend class TXLProRange;
    friend class TXLRange;
    friend class detail::TSheetAccess;
    friend class TXLManager;  // a new printer repaginates every sheet
    friend bool MergeSectionRect(TXLSection& section, TXLRect rect);
    // Sends RangeChanged for the part of the rectangle inside the section's
    // current counts; nothing for an empty part. Inside an update bracket it
    // only marks the bracket as changed. True when the users were told.
    bool NotifyRange(TXLSectionKind section, const TXLRect& rect, TXLRepaint what = rpCells);
    void NotifySection(TXLSectionKind section);
    void NotifyFormatted(TXLSectionKind section, const TXLRect* rect);
    void NotifyUnions();
    void NotifyCellChanged(TXLCell* cell);
    void NotifyPrint();
    void CellValueChanged(TXLCell& cell);
    void SetLoading(bool loading) { m_loading = loading; }
    // Calls every registered user in registration order; a user unregistered
    // by an earlier one during the walk is not called.
    template <class F> void ForEachUser(F f)
    {
        ++m_changes;
        if (m_users.empty())
            return;
        if (m_users.size() == 1) {
            f(*m_users.front());
            return;
        }
        auto users = m_users;
        for (IXLSheetUser* u : users)
            if (std::find(m_users.begin(), m_users.end(), u) != m_users.end())
                f(*u);
    }


    // Gives a cell's position a new cell of another class: the font, the
    // value (when the class can take it), the style link and the position's
    // formatting and hint stay; the old object is freed. Returns the new cell.
    TXLCell* ReplaceCellClass(TXLSection& section, TXLCell& cell, const TXLCellClass& cls);
    void SetSizeRaw(int index, TXLAxis axis, int size);
    void ApplySizingRule(int index, TXLAxis axis, int size);
    int BandIndex(int index, TXLAxis axis, bool& client) const;
    void SectionsOfBand(TXLAxis axis, bool client, int out[2]) const;

    std::vector<IXLSheetUser*> m_users;
    std::unique_ptr<TXLBaseStyle> m_baseClient;
    std::unique_ptr<TXLBaseStyle> m_baseTitle;
    TXLStyler* m_styler = nullptr;
    // [axis][band]: band 0 is the title band, 1 the client band.
    std::unique_ptr<TXLSizeList> m_sizes[2][2];
    std::unique_ptr<TXLSizeList> m_saved[2][2];
    std::unique_ptr<TXLSection> m_sections[4];
    int m_defSize[2] = {60, 15};
    int m_maxSize[2] = {0, 0};
    TXLPicture m_background;
    bool m_readOnly = false;
    bool m_modified = false;
    bool m_pending = false;
    bool m_loading = false;
    bool m_destroying = false;
    bool m_inCellChanged = false;
    int m_updateCount = 0;
    uint64_t m_changes = 0;
    TXLMargins m_margins;
    TXLPrintMode m_printMode = pmNormal;
    int m_printScale = 100;
    bool m_printHidden = false;
    TXLAxes m_printTitles = 0;
    bool m_printGridLines = false;
    std::string m_author;
    std::string m_title;
    std::unique_ptr<TXLCalcHost> m_calcHost;
    std::string m_name;
    int m_tag = 0;
    int m_designLeft = 0;
    int m_designTop = 0;
};

// An update bracket that closes also when the work inside it throws.
class TXLUpdateGuard {
public:
    explicit TXLUpdateGuard(TXLSheet& sheet) : m_sheet(sheet) { m_sheet.BeginUpdate(); }
    ~TXLUpdateGuard() { m_sheet.EndUpdate(); }
    TXLUpdateGuard(const TXLUpdateGuard&) = delete;
    TXLUpdateGuard& operator=(const TXLUpdateGuard&) = delete;

private:
    TXLSheet& m_sheet;
};

namespace detail {
// The stream reader's way into the sheet's private loading state.
class TSheetAccess {
public:
    static void SetLoading(TXLSheet& sheet, bool loading) { sheet.SetLoading(loading); }
};
}  // namespace detail

// Column label of the heading row: A..Z, then AA..ZZ, then AAA and on.
std::string ColumnLetters(int col);

}  // namespace xlgrid
