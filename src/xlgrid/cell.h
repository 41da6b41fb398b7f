#pragma once
// Cells and the property holders they share with styles.
//
// A cell object exists only where something was written. Its class is its
// value type. Properties that most cells share are not stored in the cell:
// layout, colour, frame, styles and lines live in its section's formatting
// matrices; font, format and style link live in an extra record that is
// allocated only when one of them differs from the defaults.

#include "xlgrid/calculator.h"
#include "xlgrid/variant.h"
#include "xlgrid/xltypes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace xlgrid {

class TXLCell;
class TXLRow;
class TXLSection;
class TXLSheet;
class TXLStyle;
class TXLProStyle;

// A registered value class: its identifier (sum of the name's character
// codes), its in-cell editors and its predefined display formats.
struct TXLCellClass {
    std::string Name;
    int Id = 0;
    std::vector<std::string> Editors;
    std::vector<std::string> Formats;
    std::function<TXLCell*()> Create;
    const TXLCellClass* Parent = nullptr;

    bool InheritsFrom(const TXLCellClass& other) const;
};

int ClassIdentifier(std::string_view className);

struct TXLSize {
    int Width = 0;
    int Height = 0;
};

// Measures text for best-fit sizes; the painting library supplies one based
// on real fonts. Without it a fixed-width estimate serves.
class ITextMeasure {
public:
    virtual ~ITextMeasure() = default;
    virtual TXLSize MeasureText(const std::string& text, const TXLFont& font) const = 0;
};

// Fixed-width estimate: a character of the Latin range takes half the font's
// pixel height, any other (CJK) character the full height; a line is the
// pixel height plus a quarter. Good enough until real fonts are at hand.
class TFixedTextMeasure : public ITextMeasure {
public:
    TXLSize MeasureText(const std::string& text, const TXLFont& font) const override;
};

// Base of cells and styles: every property can be read and written by number,
// and property groups say which of them the object sets itself.
class TXLPersistent {
public:
    virtual ~TXLPersistent() = default;

    TXLProps Props() const { return m_props; }
    bool HasProp(TXLProp p) const { return (m_props & PropBit(p)) != 0; }
    void SetProps(TXLProps props) { m_props = props; }

    virtual int32_t GetProperty(int number) const = 0;
    virtual void SetProperty(int number, int32_t value) = 0;
    virtual TXLFont Font() const = 0;
    virtual void SetFont(const TXLFont& font) = 0;
    virtual std::string Format() const = 0;
    virtual void SetFormat(const std::string& format) = 0;
    virtual int Editor() const = 0;
    virtual void SetEditor(int editor) = 0;
    virtual const TXLCellClass& ValueClass() const = 0;
    virtual void SetValueClass(const TXLCellClass&) {}
    // The group was changed on this object; flags say which part (0 = all).
    virtual void Changed(TXLProp group, uint32_t flags = 0);
    // Copies one group from another holder without marking it as our own
    // when we are applying inherited values.
    virtual void CopyGroup(const TXLPersistent& src, TXLProp group, uint32_t flags);

    // Copies every group, prBasedOn to prHint, from the source.
    virtual void Assign(const TXLPersistent& src);

    TColor Color() const { return static_cast<TColor>(GetProperty(pnColor)); }
    void SetColor(TColor c) { SetProperty(pnColor, static_cast<int32_t>(c)); }
    TXLFrame Frame() const { return static_cast<TXLFrame>(GetProperty(pnFrame)); }
    void SetFrame(TXLFrame f) { SetProperty(pnFrame, f); }
    TXLCellStyles Styles() const { return static_cast<TXLCellStyles>(GetProperty(pnStyles)); }
    void SetStyles(TXLCellStyles s) { SetProperty(pnStyles, static_cast<int32_t>(s)); }
    bool HasStyle(TXLCellStyle s) const { return (Styles() & StyleBit(s)) != 0; }
    TXLLayout Layout() const { return TXLLayout::Decode(GetProperty(pnLayout)); }
    void SetLayout(const TXLLayout& l, uint32_t flags = 0);
    TXLHorzAlign HorzAlign() const { return Layout().HorzAlign; }
    void SetHorzAlign(TXLHorzAlign a);
    TXLVertAlign VertAlign() const { return Layout().VertAlign; }
    void SetVertAlign(TXLVertAlign a);
    int Indent() const { return Layout().Indent; }
    void SetIndent(int indent);
    TXLWrapMode WrapMode() const { return Layout().WrapMode; }
    void SetWrapMode(TXLWrapMode w);
    TXLLine GetSide(TXLSide side) const { return TXLLine::Decode(GetProperty(side)); }
    void SetSide(TXLSide side, const TXLLine& line) { SetProperty(side, line.Encode()); }
    void SetSides(TXLSides sides, const TXLLine& line);
    // The set of outer and inner sides that carry a line.
    TXLSides Sides() const;
    // Adds a weight-1 black line to sides that join the set, removes the lines of sides that leave it.
    void SetSidesSet(TXLSides sides);
    TColor FontColor() const { return Font().Color; }
    void SetFontColor(TColor c);

    uint8_t Flags() const { return m_flags; }

    static constexpr uint8_t kInEditor = 0x01, kRepaintAsked = 0x02, kLayoutWrite = 0x04, kIsStyle = 0x08,
                             kApplying = 0x10, kTextStale = 0x20, kAnchor = 0x40, kNeedsCalc = 0x80;

protected:
    void MarkOwn(TXLProp group)
    {
        if (!(m_flags & kApplying))
            m_props |= PropBit(group);
    }

    TXLProps m_props = 0;
    // Mutable for one bit only: painting a cell (a const view of it) clears
    // its repaint request (MarkPainted).
    mutable uint8_t m_flags = 0;
};

namespace detail {
// What few cells carry: an own font, a display format, a style link.
struct CellExtra {
    std::unique_ptr<TXLFont> Font;
    std::string Format;
    TXLStyle* BasedOn = nullptr;
};
}  // namespace detail

// A cell: a value of its class at (column, row) of its row's section.
//
// What its setters send: a change of value, format, editor, font, colour,
// frame, styles, layout or hint sends the cell's RangeChanged once (until it
// is painted); a change of a line (a side or a diagonal) sends
// RangeChanged(..., rpSides) over the cell and its neighbours every time.
// A cell open in an editor also sends CellChanged(cell) for its value,
// control group, layout and font. SetRange, SetWidth and SetHeight send
// RangeChanged(range, rpSides) and UnionsChanged. A setter given the current
// value sends nothing.
class TXLCell : public TXLPersistent {
public:
    TXLCell() = default;
    TXLCell(const TXLCell&) = delete;
    TXLCell& operator=(const TXLCell&) = delete;
    ~TXLCell() override;

    // Owners
    TXLRow* Row() const { return m_row; }
    TXLSection* Section() const;
    int SectionIndex() const;
    TXLSheet* Sheet() const;
    int Col() const { return m_col; }       // local column
    int LocalRow() const;                   // local row
    int SheetCol() const;                   // column in sheet coordinates
    int SheetRow() const;

    // Value interface; writes convert by the class rules and may throw EVariantError.
    virtual Variant Value() const = 0;
    void SetValue(const Variant& v);
    virtual std::string AsString() const { return VarToStr(Value()); }
    virtual void SetAsString(const std::string& s) { SetValue(Variant(s)); }
    virtual int32_t AsInteger() const { return VarToInt(Value()); }
    virtual void SetAsInteger(int32_t v) { SetValue(Variant(v)); }
    virtual double AsFloat() const { return VarToFloat(Value()); }
    virtual void SetAsFloat(double v) { SetValue(Variant(v)); }
    virtual double AsDateTime() const { return VarToDateTime(Value()); }
    virtual void SetAsDateTime(double v) { SetValue(Variant::FromDate(v)); }
    virtual bool AsBoolean() const { return VarToBool(Value()); }
    virtual void SetAsBoolean(bool v) { SetValue(Variant(v)); }
    virtual int64_t AsCurrency() const { return VarToCurrency(Value()); }
    virtual void SetAsCurrency(int64_t v) { SetValue(Variant::FromCurrency(v)); }
    // The object value: the picture of a picture cell, the list of a string-list cell.
    virtual void* AsPicture() const { return nullptr; }
    virtual void SetAsPicture(const void*) {}

    // The display text: value and display format.
    std::string Text() const { return GetDisplayText(); }
    virtual std::string GetDisplayText() const = 0;
    virtual TXLSize GetBestSize(const ITextMeasure& measure) const;
    // A click or Enter on the cell; a space key (returns true when consumed).
    virtual void Activate() {}
    virtual bool HandleKey(int key);

    // Properties
    int32_t GetProperty(int number) const override;
    void SetProperty(int number, int32_t value) override;
    TXLFont Font() const override;
    void SetFont(const TXLFont& font) override;
    bool HasOwnFont() const { return m_extra && m_extra->Font; }
    // Drops the cell's own font: it reads its provider's again.
    void ResetFont();
    std::string Format() const override { return m_extra ? m_extra->Format : std::string(); }
    void SetFormat(const std::string& format) override;
    int Editor() const override { return m_editor; }
    void SetEditor(int editor) override;
    const TXLCellClass& ValueClass() const override { return CellClass(); }
    virtual const TXLCellClass& CellClass() const = 0;
    void Changed(TXLProp group, uint32_t flags = 0) override;
    void Assign(const TXLPersistent& src) override;
    void CopyGroup(const TXLPersistent& src, TXLProp group, uint32_t flags) override;

    TXLStyle* BasedOn() const { return m_extra ? m_extra->BasedOn : nullptr; }
    // Links the cell to a named style (or none) and re-reads every group it
    // does not set itself from its provider. When that gives the cell another
    // value class (the style's, or the base style's again when the class came
    // from the old style), the cell object is replaced as SetCellClass does:
    // this object is then freed. Returns the cell now at the position; use it,
    // not the old pointer.
    TXLCell* SetBasedOn(TXLStyle* style);
    // The object that supplies a property group: this cell, its style or the base style.
    const TXLPersistent& Provider(TXLProp group) const;
    // Re-reads a group from its provider (only when the cell does not set it).
    // A prControl group from a named style of another value class replaces
    // the cell (see SetBasedOn). Returns the cell now at the position.
    TXLCell* ApplyGroup(TXLProp group, uint32_t flags = 0);

    std::string Hint() const;
    void SetHint(const std::string& hint);

    // Range: the cells the cell covers (local coordinates), its merged range when it anchors one.
    TXLRect Range() const;
    void SetRange(const TXLRect& rect);
    int Width() const { return Range().Width(); }
    int Height() const { return Range().Height(); }
    void SetWidth(int w);
    void SetHeight(int h);
    void GetSheetRect(TXLRect& rect) const;
    bool IsAnchor() const { return (m_flags & kAnchor) != 0; }
    void SetAnchorFlag(bool on) { m_flags = static_cast<uint8_t>(on ? (m_flags | kAnchor) : (m_flags & ~kAnchor)); }
    void SetInEditor(bool on);

    // Repaint requests are coalesced: a cell asks its sheet for a repaint of
    // its rectangle once (RangeChanged) and not again until it is painted.
    // Whoever paints the cell (the section painter) calls MarkPainted, so
    // that the next change asks again. Only this request bit changes.
    void MarkPainted() const { m_flags &= static_cast<uint8_t>(~kRepaintAsked); }
    bool RepaintAsked() const { return (m_flags & kRepaintAsked) != 0; }

protected:
    // Called by subclasses after a value was stored (or a write counts as a change).
    void ValueChanged();
    // Whether a write of an equal value must still be stored and reported.
    bool AlwaysWrite() const;
    // Subclasses convert and store; return whether anything changed.
    virtual bool StoreValue(const Variant& v) = 0;
    // The value part of copying a cell: the value as a variant and, for the
    // same class, the object value (subclasses copy what a variant loses).
    virtual void CopyValueFrom(const TXLCell& src);
    detail::CellExtra& Extra();
    // Asks for a repaint of the cell: rpCells once until painted; rpSides
    // (lines changed, the neighbours too) every time.
    void Repaint(TXLRepaint what = rpCells);
    void FormatChanged();
    // The value class the cell must take from its prControl provider, or none:
    // a named style's class, or the base style's when the class came from
    // `former` (the style the cell was based on).
    const TXLCellClass* InheritedClass(const TXLStyle* former) const;

    std::unique_ptr<detail::CellExtra> m_extra;

private:
    friend class TXLRow;
    friend class TXLSection;
    friend class TXLSheet;

    TXLRow* m_row = nullptr;
    int32_t m_col = 0;
    uint8_t m_editor = 0;
};

// Text.
class TXLCString : public TXLCell {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    Variant Value() const override { return Variant(m_text); }
    std::string AsString() const override { return m_text; }
    void SetAsString(const std::string& s) override;
    std::string GetDisplayText() const override;
    const std::string& Str() const { return m_text; }

protected:
    bool StoreValue(const Variant& v) override;
    bool StoreText(const std::string& s);
    std::string m_text;
};

// A string list and an item index; the value is the list's text.
class TXLCStrings : public TXLCString {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    Variant Value() const override { return Variant(ListText()); }
    std::string AsString() const override;
    void SetAsString(const std::string& s) override { SetValue(Variant(s)); }
    int32_t AsInteger() const override { return m_index; }
    void SetAsInteger(int32_t v) override;
    void* AsPicture() const override { return const_cast<std::vector<std::string>*>(&m_items); }
    void SetAsPicture(const void* p) override;
    std::string GetDisplayText() const override;
    const std::vector<std::string>& Items() const { return m_items; }
    int ItemIndex() const { return m_index; }

protected:
    bool StoreValue(const Variant& v) override;
    void CopyValueFrom(const TXLCell& src) override;

private:
    std::string ListText() const;
    std::vector<std::string> m_items;
    int32_t m_index = 0;
};

class TXLCNumber : public TXLCell {
public:
    std::string GetDisplayText() const override;
};

class TXLCInteger : public TXLCNumber {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    Variant Value() const override { return Variant(m_value); }

protected:
    bool StoreValue(const Variant& v) override;

private:
    int32_t m_value = 0;
};

class TXLCDouble : public TXLCNumber {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    Variant Value() const override { return Variant(m_value); }

protected:
    bool StoreValue(const Variant& v) override;
    double m_value = 0;
};

class TXLCCurrency : public TXLCNumber {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    Variant Value() const override { return Variant::FromCurrency(m_value); }

protected:
    bool StoreValue(const Variant& v) override;

private:
    int64_t m_value = 0;
};

class TXLCDateTime : public TXLCell {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    Variant Value() const override { return Variant::FromDate(m_value); }
    std::string GetDisplayText() const override;

protected:
    bool StoreValue(const Variant& v) override;

private:
    double m_value = 0;
};

class TXLCBoolean : public TXLCell {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    Variant Value() const override { return Variant(m_value); }
    std::string GetDisplayText() const override;
    void Activate() override { SetValue(Variant(!m_value)); }
    bool HandleKey(int key) override;

protected:
    bool StoreValue(const Variant& v) override;
    bool m_value = false;
};

// Picture data kept as its bytes; decoding is the painting library's job.
struct TXLPicture {
    std::string Kind;   // "BMP", "JPEG", "ICO", "WMF" ...
    std::string Data;
    int Width = 0;
    int Height = 0;

    bool IsEmpty() const { return Data.empty(); }
    bool operator==(const TXLPicture&) const = default;
};

class TXLCPicture : public TXLCell {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    Variant Value() const override { return Variant(); }
    std::string GetDisplayText() const override { return {}; }
    void* AsPicture() const override { return const_cast<TXLPicture*>(&m_picture); }
    void SetAsPicture(const void* p) override;
    TXLSize GetBestSize(const ITextMeasure& measure) const override;

protected:
    bool StoreValue(const Variant&) override { return false; }

private:
    TXLPicture m_picture;
};

// Text shown as a link; the target is the format's option part or the text.
class TXLCUrl : public TXLCString {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    std::string Target() const;
    void Activate() override;
};

// A collapsible group of rows or columns; the value is the collapsed flag.
class TXLCGroup : public TXLCBoolean {
public:
    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    std::string GetDisplayText() const override { return {}; }
    void Activate() override;
    TXLSize GetBestSize(const ITextMeasure& measure) const override;
    // Hides or shows the rows or columns of the group by its state.
    void ApplyState();
};

// A formula: its text, the last result and an error state.
class TXLCFormula : public TXLCDouble, public IXLFormulaCell {
public:
    enum ErrorState : uint8_t { feNone, feValue, feName, feDivZero, feCircular };

    static const TXLCellClass& Class();
    const TXLCellClass& CellClass() const override { return Class(); }
    std::string AsString() const override;
    void SetAsFloat(double v) override;
    std::string GetDisplayText() const override;

    const std::string& Formula() const { return m_formula; }
    bool HasFormula() const { return !m_formula.empty(); }
    ErrorState Error() const { return m_error; }
    // Evaluates the formula now through the sheet's calculator.
    void Calculate();
    // What the calculator reports back.
    void SetResult(double value, ErrorState error);
    // A saved formula as the sheet file holds it: the last result and the
    // text, stored without evaluating (cells it refers to may come later).
    void RestoreSaved(double value, const std::string& formula)
    {
        m_value = value;
        m_formula = formula;
        m_error = feNone;
        m_flags |= kTextStale;
    }
    static const char* ErrorText(ErrorState e);

    // The calculator's view of the cell.
    const std::string& FormulaText() const override { return m_formula; }
    double FormulaResult() const override { return m_value; }
    int FormulaError() const override { return m_error; }
    void StoreFormulaResult(double value, int error) override { SetResult(value, static_cast<ErrorState>(error)); }
    bool NeedsRecalc() const override { return (m_flags & kNeedsCalc) != 0; }
    void SetNeedsRecalc(bool on) override
    {
        m_flags = static_cast<uint8_t>(on ? (m_flags | kNeedsCalc) : (m_flags & ~kNeedsCalc));
    }

protected:
    bool StoreValue(const Variant& v) override;
    void CopyValueFrom(const TXLCell& src) override;

private:
    std::string m_formula;
    ErrorState m_error = feNone;
};


}  // namespace xlgrid
