#pragma once
// Small value types shared by the sheet, its cells and its styles.

#include <cstdint>
#include <algorithm>
#include <string>

namespace xlgrid {

// $00BBGGRR for an explicit colour, $FF0000nn for system colour nn.
using TColor = uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clScrollBar = 0xFF000000;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnShadow = 0xFF000010;
inline constexpr TColor clBtnHighlight = 0xFF000014;

constexpr TColor RGBColor(int r, int g, int b)
{
    return static_cast<TColor>((b & 0xFF) << 16 | (g & 0xFF) << 8 | (r & 0xFF));
}

enum TXLAxis : uint8_t { sCols, sRows };
// The four sections of a sheet, chosen by the signs of a position's indices.
enum TXLSectionKind : uint8_t {
    skTitleRows = 0,  // title rows x client columns: the column headings (row < 0, column >= 0)
    skTitleCols = 1,  // client rows x title columns: the row headings (column < 0, row >= 0)
    skCorner = 2,     // title rows x title columns
    skClient = 3,     // the body
};
inline constexpr TXLSectionKind kSectionKinds[] = {skTitleRows, skTitleCols, skCorner, skClient};
// Which band of an axis: the title rows or columns, or the client ones.
enum TXLBand : uint8_t { bdTitle = 0, bdClient = 1 };
inline constexpr TXLBand BandOf(bool client) { return client ? bdClient : bdTitle; }
// What a repaint request covers: the cells, or the cells and their border sides.
enum TXLRepaint : uint8_t { rpCells = 0, rpSides = 1 };
using TXLAxes = uint8_t;  // bit set of TXLAxis
inline constexpr TXLAxes AxisBit(TXLAxis a) { return static_cast<TXLAxes>(1u << a); }

enum TXLFrame : uint8_t { frNone, frFlatUp, frFlatDown, frDeepUp, frDeepDown, frBevelUp, frBevelDown };
enum TXLHorzAlign : uint8_t { haLeft, haRight, haCenter };
enum TXLVertAlign : uint8_t { vaTop, vaBottom, vaCenter };
enum TXLWrapMode : uint8_t { wmClip, wmEllipsis, wmWrapWords };
enum TXLSide : uint8_t { sLeft, sTop, sRight, sBottom, sBias1, sBias2, sHInside, sVInside };
using TXLSides = uint8_t;  // bit set of TXLSide
inline constexpr TXLSides kOuterSides = 0x0F;

enum TXLCellStyle : uint8_t { csHidden, csProtect, csReadOnly, csNotify, csExtHint, csWriteNotify };
using TXLCellStyles = uint32_t;  // bit set of TXLCellStyle
inline constexpr TXLCellStyles StyleBit(TXLCellStyle s) { return 1u << s; }

enum TXLProp : uint8_t { prBasedOn, prControl, prLayout, prColor, prFont, prBorder, prFrame, prStyles, prValue, prHint };
using TXLProps = uint16_t;  // bit set of TXLProp
inline constexpr TXLProps PropBit(TXLProp p) { return static_cast<TXLProps>(1u << p); }
inline constexpr TXLProps kAllProps = 0x03FF;

// Property numbers: formatting values addressed by number, each one 32-bit value.
enum TXLPropNumber : uint8_t {
    pnLeft, pnTop, pnRight, pnBottom, pnBias1, pnBias2, pnHInside, pnVInside,
    pnColor, pnFrame, pnStyles, pnLayout,
};
inline constexpr int kPropNumberCount = 12;

enum TXLPrintMode : uint8_t { pmNormal, pmCustom };

// Partial application flags of a changed property group.
inline constexpr uint32_t kCtlClass = 1, kCtlEditor = 2, kCtlFormat = 4;
inline constexpr uint32_t kLayHorz = 1, kLayVert = 2, kLayIndent = 4, kLayWrap = 8;

struct TXLLine {
    uint8_t Weight = 0;  // 0..3
    TColor Color = clNone;

    bool operator==(const TXLLine&) const = default;

    // Weight in bits 29-30, the colour in the others (system colours keep bit 31).
    int32_t Encode() const
    {
        if (Weight == 0 || Color == clNone)
            return 0;
        return static_cast<int32_t>((static_cast<uint32_t>(Weight & 3) << 29) | (Color & 0x9FFFFFFFu));
    }
    static TXLLine Decode(int32_t v)
    {
        if (v == 0)
            return {};
        uint32_t u = static_cast<uint32_t>(v);
        return {static_cast<uint8_t>((u >> 29) & 3), u & 0x9FFFFFFFu};
    }
};

struct TXLLayout {
    uint16_t Indent = 0;
    TXLHorzAlign HorzAlign = haLeft;
    TXLVertAlign VertAlign = vaTop;
    TXLWrapMode WrapMode = wmClip;

    bool operator==(const TXLLayout&) const = default;

    int32_t Encode() const
    {
        return static_cast<int32_t>(Indent | (HorzAlign & 0xF) << 16 | (VertAlign & 0xF) << 20 | (WrapMode & 0xF) << 24);
    }
    static TXLLayout Decode(int32_t v)
    {
        uint32_t u = static_cast<uint32_t>(v);
        return {static_cast<uint16_t>(u & 0xFFFF), static_cast<TXLHorzAlign>((u >> 16) & 0xF),
                static_cast<TXLVertAlign>((u >> 20) & 0xF), static_cast<TXLWrapMode>((u >> 24) & 0xF)};
    }
};

// Font styles as bits, in the order of the partial font flags.
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
inline constexpr uint32_t kFontName = 16, kFontSize = 32, kFontColor = 64, kFontCharset = 128;

struct TXLFont {
    std::string Name = "宋体";
    int Size = 9;
    TColor Color = clWindowText;
    uint8_t Style = 0;    // TFontStyle bits
    uint8_t Charset = 1;  // default character set

    bool operator==(const TXLFont&) const = default;

    // Copies the parts named by the partial flags (0 = everything).
    void ApplyFrom(const TXLFont& src, uint32_t flags)
    {
        if (flags == 0) {
            *this = src;
            return;
        }
        uint8_t styleMask = static_cast<uint8_t>(flags & 0x0F);
        Style = static_cast<uint8_t>((Style & ~styleMask) | (src.Style & styleMask));
        if (flags & kFontName) Name = src.Name;
        if (flags & kFontSize) Size = src.Size;
        if (flags & kFontColor) Color = src.Color;
        if (flags & kFontCharset) Charset = src.Charset;
    }
};

// A rectangle of cells: left, top inclusive; right, bottom exclusive.
struct TXLRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    bool operator==(const TXLRect&) const = default;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int col, int row) const { return col >= Left && col < Right && row >= Top && row < Bottom; }
    bool Intersects(const TXLRect& o) const
    {
        return Left < o.Right && o.Left < Right && Top < o.Bottom && o.Top < Bottom;
    }
    TXLRect Intersect(const TXLRect& o) const
    {
        TXLRect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right), std::min(Bottom, o.Bottom)};
        if (r.IsEmpty())
            return {};
        return r;
    }
};

// The cells a formatting change repaints: the changed rectangle, one cell
// wider on every side when lines changed (a line lies on the edge it shares
// with the neighbour, and a thick one reaches into it). The sheet clips it to
// the section before telling its users.
inline TXLRect RepaintArea(const TXLRect& rect, TXLRepaint what)
{
    if (what != rpSides)
        return rect;
    return {std::max(0, rect.Left - 1), std::max(0, rect.Top - 1), rect.Right + 1, rect.Bottom + 1};
}

}  // namespace xlgrid
