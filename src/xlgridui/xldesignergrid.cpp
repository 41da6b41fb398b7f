#include "xlgridui/xldesignergrid.h"

#include <QApplication>

namespace xlgridui {

namespace {

TXLOptions OptionsOf(TXLViewOption group)
{
    switch (group) {
    case voTitles: return OptionBit(oTitleCols) | OptionBit(oTitleRows);
    case voGridLines: return OptionBit(oVertLines) | OptionBit(oHorzLines);
    case voSizing: return OptionBit(oColSizing) | OptionBit(oRowSizing);
    case voPermEdit: return OptionBit(oPermEdit);
    case voPageBreak: return OptionBit(oPageBreak);
    }
    return 0;
}

}  // namespace

TXLGridActionTarget::TXLGridActionTarget(TXLGrid& grid) : QObject(&grid), m_grid(grid)
{
    // The grid is the active grid whenever the focus is on it or inside it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && (now == &m_grid || m_grid.isAncestorOf(now)))
            SetActiveGrid(this);
    });
}

TXLGridActionTarget::~TXLGridActionTarget() { ClearActiveGrid(this); }

xlgrid::TXLSectionKind TXLGridActionTarget::SelectionSection() const
{
    const xlgrid::TXLSelection* sel = m_grid.Selection();
    return sel ? sel->SectionIndex() : xlgrid::skClient;
}

xlgrid::TXLRect TXLGridActionTarget::SelectionRect() const
{
    const xlgrid::TXLSelection* sel = m_grid.Selection();
    return sel ? sel->Rect() : xlgrid::TXLRect{};
}

void TXLGridActionTarget::SelectRange(xlgrid::TXLSectionKind section, const xlgrid::TXLRect& rect)
{
    m_grid.SelectRange(section, rect);
}

bool TXLGridActionTarget::HasViewOption(TXLViewOption group) const
{
    return (m_grid.Options() & OptionsOf(group)) != 0;
}

void TXLGridActionTarget::SetViewOption(TXLViewOption group, bool on)
{
    const TXLOptions bits = OptionsOf(group);
    m_grid.SetOptions(on ? (m_grid.Options() | bits) : (m_grid.Options() & ~bits));
}

}  // namespace xlgridui
