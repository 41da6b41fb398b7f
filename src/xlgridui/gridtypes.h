#pragma once
// Switches and small value types of the grid control.

#include <cstdint>

namespace xlgridui {

// Behaviour switches of a grid, as bits of TXLOptions.
enum TXLOption : uint8_t {
    oTitleCols,    // show the column-title band
    oTitleRows,    // show the row-title band
    oVertLines,
    oHorzLines,
    oColSizing,
    oRowSizing,
    oDrawFocus,    // mark the current cell
    oTitle3D,      // titles over the selected columns and rows are highlighted
    oEdit3D,       // the in-cell editor has a sunken border
    oPermEdit,     // the in-cell editor stays open on whatever cell is current
    oPageBreak,    // the client pane draws the print page breaks
    oReadOnly,     // cells cannot be edited (design mode overrides)
    oRowSelect,    // a selection spans whole rows (not in design mode)
    oRangeSelect,  // ranges can be selected with the mouse and Shift+keys
    oTabKeys,      // the grid takes Tab instead of passing it on
    oWrapKeys,     // moving past the end of a row or column wraps
    oFixScale,     // Ctrl+wheel does not zoom
};
using TXLOptions = uint32_t;
inline constexpr TXLOptions OptionBit(TXLOption o) { return 1u << o; }
inline constexpr TXLOptions kDefaultOptions = OptionBit(oTitleCols) | OptionBit(oTitleRows) | OptionBit(oVertLines)
                                            | OptionBit(oHorzLines) | OptionBit(oDrawFocus) | OptionBit(oTitle3D)
                                            | OptionBit(oRangeSelect);

enum TXLScroll : uint8_t { sHorizontal, sVertical, sTracking, sFlat };
using TXLScrolls = uint8_t;
inline constexpr TXLScrolls ScrollBit(TXLScroll s) { return static_cast<TXLScrolls>(1u << s); }
inline constexpr TXLScrolls kDefaultScrolls = ScrollBit(sHorizontal) | ScrollBit(sVertical) | ScrollBit(sTracking);

enum TXLDirection : uint8_t { dNone, dRight, dDown, dLeft, dUp, dAuto };

// Right and left, down and up swap.
inline constexpr TXLDirection Reversed(TXLDirection d)
{
    switch (d) {
    case dRight: return dLeft;
    case dLeft: return dRight;
    case dDown: return dUp;
    case dUp: return dDown;
    default: return d;
    }
}

// Zoom limits of the grid, and the range Ctrl+wheel keeps to.
inline constexpr int kMinScale = 25, kMaxScale = 500, kMaxWheelScale = 200;

}  // namespace xlgridui
