#pragma once
// Browsing the result: the read-only grid that shows the sheet of the
// selected tab, the student search, and the stand-in for the sheet designer.
//
// TResultGrid is the one place the main window meets a grid control. Until
// the grid control joins the build it is a small read-only view that paints
// the sheet through the painting library: the cursor cell, a selection that
// the search sets and hides, scrolling by pixels, repaints on the sheet's
// notifications. Swapping in the grid control changes this class only.

#include "xlgrid/sheet.h"

#include <QAbstractScrollArea>
#include <QRect>
#include <QString>

#include <functional>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

class TResultGrid : public QAbstractScrollArea, public xlgrid::IXLSheetUser {
public:
    explicit TResultGrid(QWidget* parent);
    ~TResultGrid() override;

    // Attaches the grid to a sheet (nullptr: no sheet); the cursor and the
    // selection stay where they were, clamped to the new sheet.
    void SetSheet(xlgrid::TXLSheet* sheet);
    xlgrid::TXLSheet* Sheet() const { return m_sheet; }

    // Closes the in-cell editor (mode 0); the read-only view never opens one.
    void SetEditMode(int mode) { m_editMode = mode; }
    int EditMode() const { return m_editMode; }

    int Col() const { return m_col; }
    int Row() const { return m_row; }
    // Moves the cursor (clamped to the sheet) and scrolls it into view.
    void SetCol(int col);
    void SetRow(int row);

    // The selection in client coordinates; setting it shows its highlight.
    void SetSelection(const xlgrid::TXLRect& range);
    const xlgrid::TXLRect& Selection() const { return m_selection; }
    bool SelectionShown() const { return m_selectionShown; }
    // Draws the highlight away; the selection stays and shows again with its next change.
    void HideSelection();

    // IXLSheetUser: any change repaints.
    void RangeChanged(xlgrid::TXLSectionKind, const xlgrid::TXLRect&, xlgrid::TXLRepaint) override { Repaint(); }
    void SectionChanged(xlgrid::TXLSectionKind) override { Repaint(); }
    void SheetChanged() override { Repaint(); }
    void SizesChanged(xlgrid::TXLAxes, xlgrid::TXLBand) override { Repaint(); }
    void SectorsMoved(xlgrid::TXLAxis, xlgrid::TXLBand, int, int) override { Repaint(); }
    void SizeChanged(xlgrid::TXLAxis, int, xlgrid::TXLBand) override { Repaint(); }
    void CellsFormatted(xlgrid::TXLSectionKind, const xlgrid::TXLRect*) override { Repaint(); }
    void CellChanged(xlgrid::TXLCell*) override { Repaint(); }
    void UnionsChanged() override { Repaint(); }
    void EndUpdate() override { Repaint(); }
    void SheetDestroying() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Repaint();
    void UpdateScrollBars();
    void ScrollIntoView();
    int TitleWidth() const;
    int TitleHeight() const;
    // Client pixel rectangle of a client range, in viewport coordinates.
    QRect ClientRect(const xlgrid::TXLRect& range) const;

    xlgrid::TXLSheet* m_sheet = nullptr;
    int m_editMode = 0;
    int m_col = 0, m_row = 0;
    xlgrid::TXLRect m_selection{0, 0, 1, 1};
    bool m_selectionShown = true;
};

// Where the search found a student: the row and the column (name or number).
struct TFoundCell {
    int Row = 0;
    int Col = 0;
};

// The search over one grade or class sheet: rows from the top, in each row
// the name and then (when idCol is not -1) the number; a match is equality
// or containment of the trimmed texts, character for character, case as
// written, never inside a character.
//
// The trimmed names and numbers of the sheet are copied once into two text
// buffers with row offsets (about 20 bytes a student), so a keystroke on a
// grade of 100,000 students scans memory instead of looking up 200,000
// cells. Result sheets never change after they are built.
class TStudentSearch {
public:
    TStudentSearch() = default;
    TStudentSearch(const xlgrid::TXLSheet& sheet, int nameCol, int idCol);
    std::optional<TFoundCell> Find(const QString& text) const;

private:
    struct TColumn {
        int Col = -1;
        std::string Texts;
        std::vector<std::uint32_t> Ends;  // Texts of row r: [Ends[r-1], Ends[r])
        std::string_view Row(int r) const;
    };
    TColumn m_name, m_id;
    int m_rows = 0;
};

std::optional<TFoundCell> FindStudent(const xlgrid::TXLSheet& sheet, int nameCol, int idCol, const QString& text);

// The sheet designer opened modally on a sheet, covering the owner's bounds.
using TSheetDesigner = std::function<void(QWidget* owner, xlgrid::TXLSheet& sheet, const QRect& bounds)>;
void ShowSheetDesigner(QWidget* owner, xlgrid::TXLSheet& sheet, const QRect& bounds);
// Replaces the designer (tests; nullptr restores the built-in one).
void SetSheetDesigner(TSheetDesigner designer);

// Brings a roster file (.xlsx, .xls, .csv, .xlf) into the sheet as the
// designer's import does; on failure the sheet is unchanged and the
// message names the file.
bool ImportRosterFile(xlgrid::TXLSheet& sheet, const QString& file, QString& error);

}  // namespace app
