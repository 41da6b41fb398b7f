#include "xlgrid/style.h"

#include "xlgrid/manager.h"
#include "xlgrid/sheet.h"

#include <algorithm>
#include <utility>

namespace xlgrid {

namespace {

// Positions of the cells of a section based on a style. Collected before
// they are changed: a cell may be replaced by one of another value class.
std::vector<std::pair<int, int>> CellsBasedOn(const TXLSection& section, const TXLStyle* style)
{
    std::vector<std::pair<int, int>> cells;
    section.ForEachCell([&](TXLCell& cell) {
        if (cell.BasedOn() == style)
            cells.emplace_back(cell.Col(), cell.LocalRow());
    });
    return cells;
}

TXLProp GroupOfProperty(int number)
{
    if (number <= pnVInside) return prBorder;
    if (number == pnColor) return prColor;
    if (number == pnFrame) return prFrame;
    return prStyles;
}

}  // namespace

// ---- TXLProStyle -----------------------------------------------------------

TXLProStyle::TXLProStyle() : m_class(&TXLCString::Class())
{
    m_flags = kIsStyle;
    if (!m_class->Formats.empty())
        m_format = m_class->Formats.front();
}

int32_t TXLProStyle::GetProperty(int number) const
{
    if (number < 0 || number >= kPropNumberCount)
        return 0;
    return m_values[number];
}

void TXLProStyle::SetProperty(int number, int32_t value)
{
    if (number < 0 || number >= kPropNumberCount)
        return;
    m_values[number] = value;
    // The layout setters report prLayout themselves, with their partial flags.
    if (number != pnLayout)
        Changed(GroupOfProperty(number));
    else if (!(m_flags & kLayoutWrite))
        Changed(prLayout);
}

void TXLProStyle::SetFont(const TXLFont& font)
{
    m_font = font;
    Changed(prFont);
}

void TXLProStyle::SetFontParts(const TXLFont& font, uint32_t flags)
{
    m_font.ApplyFrom(font, flags);
    Changed(prFont, flags);
}

void TXLProStyle::SetFormat(const std::string& format)
{
    m_format = format;
    Changed(prControl, kCtlFormat);
}

void TXLProStyle::SetEditor(int editor)
{
    int n = static_cast<int>(m_class->Editors.size());
    m_editor = (editor < 0 || editor >= n) ? 0 : editor;
    Changed(prControl, kCtlEditor);
}

void TXLProStyle::SetValueClass(const TXLCellClass& cls)
{
    m_class = &cls;
    Changed(prControl, kCtlClass);
}

void TXLProStyle::CopyGroup(const TXLPersistent& src, TXLProp group, uint32_t flags)
{
    if (group == prControl && (flags == 0 || (flags & kCtlClass)))
        m_class = &src.ValueClass();
    if (group == prBorder) {
        // Style to style: every line, set or not.
        for (int s = 0; s < 8; ++s)
            m_values[s] = src.GetProperty(s);
        Changed(prBorder);
        return;
    }
    TXLPersistent::CopyGroup(src, group, flags);
}

// ---- TXLBaseStyle ----------------------------------------------------------

TXLBaseStyle::TXLBaseStyle(TXLSheet* sheet, bool client)
    : m_sheet(sheet), m_client(client), m_linesColor(client ? clBtnFace : clWhite)
{
    m_props = kAllProps;
    TXLLayout layout;
    if (client) {
        m_values[pnColor] = static_cast<int32_t>(clWindow);
        m_values[pnFrame] = frNone;
        layout = {0, haLeft, vaBottom, wmWrapWords};
    } else {
        m_values[pnColor] = static_cast<int32_t>(clBtnFace);
        m_values[pnFrame] = frFlatUp;
        layout = {0, haCenter, vaCenter, wmClip};
    }
    m_values[pnLayout] = layout.Encode();
}

void TXLBaseStyle::SetLinesColor(TColor c)
{
    m_linesColor = c;
    if (m_sheet)
        for (TXLSectionKind s : kSectionKinds)
            if (m_sheet->Section(s).BaseStyle() == this)
                m_sheet->NotifySection(s);
}

void TXLBaseStyle::SetErrorColor(TColor c)
{
    m_errorColor = c;
    SetLinesColor(m_linesColor);
}

void TXLBaseStyle::Assign(const TXLPersistent& src)
{
    m_props = kAllProps;
    m_flags |= kApplying;
    for (int g = prControl; g <= prStyles; ++g)
        TXLProStyle::CopyGroup(src, static_cast<TXLProp>(g), 0);
    m_flags &= static_cast<uint8_t>(~kApplying);
    for (int g = prControl; g <= prStyles; ++g)
        Changed(static_cast<TXLProp>(g));
}

void TXLBaseStyle::Changed(TXLProp group, uint32_t flags)
{
    m_props = kAllProps;
    if (!m_sheet || (m_flags & kApplying) || m_sheet->Loading())
        return;
    m_sheet->SetModified(true);
    for (TXLSectionKind s : kSectionKinds) {
        TXLSection& section = m_sheet->Section(s);
        if (section.BaseStyle() != this)
            continue;
        if (group != prColor && group != prBorder && group != prFrame) {
            if (group == prControl || group == prFont)
                section.ForEachCell([group, flags](TXLCell& cell) { cell.ApplyGroup(group, flags); });
        }
        // The matrix rows' defaults follow the base style.
        bool matrix = group == prColor || group == prFrame || group == prStyles || group == prLayout || group == prBorder;
        if (matrix) {
            section.SetMatrixDefault(2, m_values[pnBias1]);
            section.SetMatrixDefault(3, m_values[pnBias2]);
            section.SetMatrixDefault(4, m_values[pnColor]);
            section.SetMatrixDefault(5, m_values[pnFrame]);
            section.SetMatrixDefault(6, m_values[pnStyles]);
            section.SetMatrixDefault(7, m_values[pnLayout]);
            m_sheet->NotifyFormatted(s, nullptr);
        }
        m_sheet->NotifySection(s);
    }
}

// ---- TXLStyle --------------------------------------------------------------

TXLStyle::TXLStyle(TXLStyler* styler) : m_styler(styler) {}

TXLStyle::~TXLStyle() = default;

void TXLStyle::SetAlias(const std::string& alias)
{
    if (alias == m_alias)
        return;
    if (m_styler && m_styler->FindStyle(alias))
        throw EXLGridError("Style named \"" + alias + "\" already exists!");
    m_alias = alias;
    if (m_styler)
        m_styler->Changed();
}

void TXLStyle::Changed(TXLProp group, uint32_t flags)
{
    m_props |= PropBit(group);
    if (m_styler && !(m_flags & kApplying))
        m_styler->StyleChanged(this, group, flags);
}

// ---- TXLStyler -------------------------------------------------------------

TXLStyler::~TXLStyler()
{
    m_destroying = true;
    // Each sheet leaves the list as it lets go; no copy of it is made.
    while (!m_sheets.empty())
        m_sheets.back()->SetStyler(nullptr);
    m_styles.clear();
}

TXLStyle* TXLStyler::Styles(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_styles[index].get();
}

int TXLStyler::IndexOf(const TXLStyle* style) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_styles[i].get() == style)
            return i;
    return -1;
}

TXLStyle* TXLStyler::FindStyle(const std::string& alias) const
{
    for (const auto& s : m_styles)
        if (s->Alias() == alias)
            return s.get();
    return nullptr;
}

TXLStyle* TXLStyler::AddStyle(const std::string& alias)
{
    if (TXLStyle* s = FindStyle(alias))
        return s;
    auto style = std::make_unique<TXLStyle>(this);
    style->m_alias = alias;
    m_styles.push_back(std::move(style));
    Changed();
    return m_styles.back().get();
}

void TXLStyler::DeleteStyle(TXLStyle* style)
{
    int i = IndexOf(style);
    if (i < 0)
        return;
    for (TXLSheet* sheet : m_sheets)
        for (TXLSectionKind s : kSectionKinds) {
            TXLSection& section = sheet->Section(s);
            for (auto [col, row] : CellsBasedOn(section, style))
                if (TXLCell* cell = section.Find(col, row))
                    cell->SetBasedOn(nullptr);
        }
    m_styles.erase(m_styles.begin() + i);
    Changed();
}

void TXLStyler::SetModified(bool m)
{
    if (m == m_modified)
        return;
    m_modified = m;
    if (OnModified)
        OnModified();
}

void TXLStyler::Changed()
{
    if (OnChange)
        OnChange();
    SetModified(true);
}

void TXLStyler::StyleChanged(TXLStyle* style, TXLProp group, uint32_t flags)
{
    for (TXLSheet* sheet : m_sheets) {
        if (sheet->Loading())
            continue;
        for (TXLSectionKind s : kSectionKinds) {
            TXLSection& section = sheet->Section(s);
            for (auto [col, row] : CellsBasedOn(section, style))
                if (TXLCell* cell = section.Find(col, row))
                    cell->ApplyGroup(group, flags);
        }
    }
    Changed();
}

}  // namespace xlgrid
