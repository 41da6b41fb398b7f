#pragma once
// Drawing a rectangular block of one section's cells onto a QPainter: the
// one routine behind the grid's panes, the print preview and the printout.
//
// The caller decides where the block lies and how big its rows and columns
// are (zoom, print scale); PaintSection only draws. Coordinates are painter
// units: screen pixels on a widget or image, a scaled painter on paper.

#include "xlgrid/section.h"
#include "xlgrid/sparselist.h"

#include <QRect>

#include <functional>
#include <vector>

class QPainter;

namespace xlpaint {

// Mark flags of the cell state callback.
inline constexpr int mfPattern = 1, mfCorner = 2, mfFocus = 8;

// A merged range that reaches into the block: its local cells, its anchor
// cell (none when the anchor was freed) and its pixel rectangle.
struct TXLMergedBlock {
    xlgrid::TXLRect Range;
    const xlgrid::TXLCell* Anchor = nullptr;
    QRect Rect;
};

struct TXLPaintInfo {
    // Sizes of the section's columns and rows, already scaled by the caller;
    // a size of 0 (hidden) is skipped.
    const xlgrid::TXLSizeList* ColSizes = nullptr;
    const xlgrid::TXLSizeList* RowSizes = nullptr;
    // The local block to draw, inclusive.
    int FirstCol = 0, LastCol = -1, FirstRow = 0, LastRow = -1;
    // Painter position of the block's first column and row.
    int Left = 0, Top = 0;
    QPainter* Canvas = nullptr;
    // Percent; scales fonts, pictures, check boxes and indents.
    int Zoom = 100;
    // Filled by CollectMergedBlocks or by the caller.
    std::vector<TXLMergedBlock> Merged;
    bool VertLines = true;
    bool HorzLines = true;
    bool MarkMode = false;
    // Draw cells whose Styles contain csHidden.
    bool ShowHidden = false;
    bool HintMarks = false;
    // Paints the background not taken by coloured cells (the painter is
    // clipped to it). Without a hook the section's base colour is used.
    std::function<void(QPainter&, const QRect& block)> BackgroundHook;
    // Mark flags (mfPattern, mfCorner, mfFocus) of a local position, in mark mode.
    std::function<int(int col, int row)> CellState;
};

// The painter rectangle of a local cell range under the info's sizes and origin.
QRect RangeRect(const TXLPaintInfo& info, const xlgrid::TXLRect& range);

// Fills info.Merged with the section's merged ranges that intersect the block.
void CollectMergedBlocks(const xlgrid::TXLSection& section, TXLPaintInfo& info);

// Draws the block: backgrounds, the hook, grid lines, cells (merged blocks
// once, from their anchor), frames, diagonals, marks, hint marks and, in the
// body section, the explicit border lines on top of everything. The painter's
// state (clip, pen, font) is restored afterwards.
void PaintSection(const xlgrid::TXLSection& section, TXLPaintInfo& info);

// The three-dimensional edge of a frame kind around a rectangle.
void DrawFrame(QPainter& painter, const QRect& rect, xlgrid::TXLFrame frame);

}  // namespace xlpaint
