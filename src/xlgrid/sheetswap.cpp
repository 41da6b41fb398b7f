// TXLSheet::SwapContents: the commit step of a sheet load.

#include "xlgrid/sheet.h"

#include <algorithm>
#include <utility>

namespace xlgrid {

namespace {

void Relink(TXLSheet* from, TXLSheet* to, std::vector<TXLSheet*>& sheets)
{
    for (TXLSheet*& s : sheets)
        if (s == from) {
            s = to;
            return;
        }
}

}  // namespace

void TXLSheet::SwapContents(TXLSheet& other)
{
    if (&other == this)
        return;
    BeginUpdate();
    other.BeginUpdate();

    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
            std::swap(m_sizes[a][b], other.m_sizes[a][b]);
            std::swap(m_saved[a][b], other.m_saved[a][b]);
        }
    std::swap(m_defSize, other.m_defSize);
    std::swap(m_maxSize, other.m_maxSize);

    // Sections and base styles point back at their sheet.
    std::swap(m_baseClient, other.m_baseClient);
    std::swap(m_baseTitle, other.m_baseTitle);
    m_baseClient->m_sheet = m_baseTitle->m_sheet = this;
    other.m_baseClient->m_sheet = other.m_baseTitle->m_sheet = &other;
    for (int s = 0; s < 4; ++s) {
        std::swap(m_sections[s], other.m_sections[s]);
        m_sections[s]->m_sheet = this;
        other.m_sections[s]->m_sheet = &other;
    }

    // Each styler lists the sheets that use it.
    if (m_styler != other.m_styler) {
        TXLStyler* mine = m_styler;
        TXLStyler* theirs = other.m_styler;
        if (mine)
            Relink(this, &other, mine->m_sheets);
        if (theirs)
            Relink(&other, this, theirs->m_sheets);
        std::swap(m_styler, other.m_styler);
    }

    std::swap(m_background, other.m_background);
    std::swap(m_readOnly, other.m_readOnly);
    std::swap(m_margins, other.m_margins);
    std::swap(m_printMode, other.m_printMode);
    std::swap(m_printScale, other.m_printScale);
    std::swap(m_printHidden, other.m_printHidden);
    std::swap(m_printTitles, other.m_printTitles);
    std::swap(m_printGridLines, other.m_printGridLines);
    std::swap(m_author, other.m_author);
    std::swap(m_title, other.m_title);
    std::swap(m_tag, other.m_tag);
    std::swap(m_designLeft, other.m_designLeft);
    std::swap(m_designTop, other.m_designTop);

    for (TXLSheet* sheet : {this, &other}) {
        sheet->ForEachUser([](IXLSheetUser& u) {
            u.SizesChanged(AxisBit(sCols) | AxisBit(sRows), bdClient);
            u.SizesChanged(AxisBit(sCols) | AxisBit(sRows), bdTitle);
            u.UnionsChanged();
        });
        sheet->m_pending = true;
        if (sheet->OnStylerChanged && sheet->m_styler != (sheet == this ? other.m_styler : m_styler))
            sheet->OnStylerChanged(*sheet);
    }
    other.EndUpdate();
    EndUpdate();
}

}  // namespace xlgrid
