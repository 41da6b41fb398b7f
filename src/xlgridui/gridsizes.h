#pragma once
// The grid's scaled copies of a sheet's four live size lists.
//
// Sheet sizes are stored unscaled; the grid shows size * scale / 100 pixels
// (integer division, so exactly the stored size at 100). Each list keeps the
// sheet's sparse form: a scaled default and scaled differences only where the
// sheet stores one, so a rebuild costs the sheet's stored sizes, not its rows.
// Hidden rows and columns have live size 0 and stay 0.

#include "xlgrid/sheet.h"

#include <cstdint>

namespace xlgridui {

class TXLGridSizes {
public:
    static int Scaled(int size, int scale) { return static_cast<int>(static_cast<int64_t>(size) * scale / 100); }
    // A dragged pixel size back in sheet units.
    static int Unscaled(int pixels, int scale) { return static_cast<int>(static_cast<int64_t>(pixels) * 100 / scale); }

    // Rebuilds all four lists (a null sheet empties them).
    void Rebuild(const xlgrid::TXLSheet* sheet, int scale);
    void RebuildBand(const xlgrid::TXLSheet& sheet, xlgrid::TXLAxis axis, xlgrid::TXLBand band, int scale);
    // One size changed (local index of the band).
    void Update(const xlgrid::TXLSheet& sheet, xlgrid::TXLAxis axis, xlgrid::TXLBand band, int index, int scale);

    const xlgrid::TXLSizeList& List(xlgrid::TXLAxis axis, xlgrid::TXLBand band) const { return m_lists[axis][band]; }
    // The lists of the section's columns and rows.
    const xlgrid::TXLSizeList& Cols(xlgrid::TXLSectionKind section) const { return m_lists[xlgrid::sCols][ColBand(section)]; }
    const xlgrid::TXLSizeList& Rows(xlgrid::TXLSectionKind section) const { return m_lists[xlgrid::sRows][RowBand(section)]; }
    int Count(xlgrid::TXLAxis axis, xlgrid::TXLBand band) const { return m_lists[axis][band].Count(); }
    // The pixel extent of a whole band.
    int64_t Extent(xlgrid::TXLAxis axis, xlgrid::TXLBand band) const
    {
        const xlgrid::TXLSizeList& l = m_lists[axis][band];
        return l.Sum(l.Count());
    }

    static xlgrid::TXLBand ColBand(xlgrid::TXLSectionKind s)
    {
        return (s == xlgrid::skTitleRows || s == xlgrid::skClient) ? xlgrid::bdClient : xlgrid::bdTitle;
    }
    static xlgrid::TXLBand RowBand(xlgrid::TXLSectionKind s)
    {
        return (s == xlgrid::skTitleCols || s == xlgrid::skClient) ? xlgrid::bdClient : xlgrid::bdTitle;
    }

private:
    xlgrid::TXLSizeList m_lists[2][2];
};

}  // namespace xlgridui
