#pragma once
// Range objects: rectangles of one section that behave like one cell.
// Reading a property reads the first cell's; writing applies it to every
// cell of the rectangle.

#include "xlgrid/sheet.h"

namespace xlgrid {

// Flags of ClearRange.
inline constexpr int crContents = 1, crFormats = 2, crHints = 4;

class TXLProRange {
public:
    TXLProRange(TXLSheet& sheet, TXLSectionKind section, const TXLRect& rect);
    virtual ~TXLProRange() = default;

    TXLSheet& Sheet() const { return m_sheet; }
    TXLSectionKind SectionIndex() const { return m_section; }
    TXLSection& Section() const { return m_sheet.Section(m_section); }
    const TXLRect& Rect() const { return m_rect; }
    void SetRect(const TXLRect& rect);
    // The rectangle in sheet coordinates.
    TXLRect SheetRect() const;

    bool IsSingle() const;
    bool IsMerged() const;
    void Unmerge();
    // Merges the rectangle (or each row of it); false when nothing changed.
    bool Merge(bool acrossRows = false);
    void ClearRange(int flags);

    // Reading: the first cell (or the position's formatting); writing: every cell.
    Variant Value() const;
    void SetValue(const Variant& v);
    int32_t GetProperty(int number) const;
    void SetProperty(int number, int32_t value);
    TXLFont Font() const;
    void SetFont(const TXLFont& font, uint32_t flags = 0);
    void SetSides(TXLSides sides, const TXLLine& line);

protected:
    TXLSheet& m_sheet;
    TXLSectionKind m_section;
    TXLRect m_rect;
};

class TXLSectionRange : public TXLProRange {
public:
    using TXLProRange::TXLProRange;
};

class TXLSelection : public TXLProRange {
public:
    using TXLProRange::TXLProRange;
};

// Merges a local rectangle of a section; a single cell unmerges. Returns false
// when the rectangle already is exactly one cell or one merged range.
bool MergeSectionRect(TXLSection& section, TXLRect rect);

}  // namespace xlgrid
