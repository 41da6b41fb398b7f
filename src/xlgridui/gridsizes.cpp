#include "xlgridui/gridsizes.h"

#include "xlpaint/printlayout.h"

namespace xlgridui {

using namespace xlgrid;

void TXLGridSizes::Rebuild(const TXLSheet* sheet, int scale)
{
    for (TXLAxis axis : {sCols, sRows})
        for (TXLBand band : {bdTitle, bdClient}) {
            if (sheet) {
                RebuildBand(*sheet, axis, band, scale);
            } else {
                m_lists[axis][band].Clear();
                m_lists[axis][band].SetCount(0);
            }
        }
}

void TXLGridSizes::RebuildBand(const TXLSheet& sheet, TXLAxis axis, TXLBand band, int scale)
{
    xlpaint::ScaleSizeList(sheet.SizeList(axis, band == bdClient), m_lists[axis][band], scale, 100);
}

void TXLGridSizes::Update(const TXLSheet& sheet, TXLAxis axis, TXLBand band, int index, int scale)
{
    TXLSizeList& l = m_lists[axis][band];
    const TXLSizeList& src = sheet.SizeList(axis, band == bdClient);
    if (l.Count() != src.Count() || index < 0 || index >= l.Count()) {
        RebuildBand(sheet, axis, band, scale);
        return;
    }
    l.SetDiffItem(index, Scaled(src.DiffItem(index), scale));
}

}  // namespace xlgridui
