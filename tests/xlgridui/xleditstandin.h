#pragma once
// A stand-in for the grid, for the editor tests: a widget that shows the
// body of a sheet at the sheet's sizes, owns an editor host and answers the
// host the way the grid does. Keys it is offered are recorded; Enter and
// Tab store and close, Esc closes without storing, F2 switches the mode,
// and in entering mode the navigation keys store and close.

#include "xlgridui/editgrid.h"
#include "xlgridui/xledit.h"

#include "xlgrid/sheet.h"

#include <QWidget>

#include <vector>

namespace xlgridui::testing {

class TStandInGrid : public QWidget, public IXLEditGrid {
public:
    explicit TStandInGrid(xlgrid::TXLSheet& sheet, QWidget* parent = nullptr);

    QWidget* GridWidget() override { return this; }
    xlgrid::TXLSheet* EditedSheet() const override { return &m_sheet; }
    int GridScale() const override { return Scale; }
    bool Edit3D() const override { return Sunken; }
    QRect EditorCellRect(const xlgrid::TXLCell& cell) const override;
    bool EditorKeyPress(QKeyEvent& event) override;
    void EditorClosed() override { ++Closed; }

    // The body cell at a position (created as a cell of the class when absent).
    xlgrid::TXLCell& CellAt(int col, int row);
    bool Open(int col, int row, TXLEditMode mode = emEditing);
    // The pixel rectangle of a body position at the current scale.
    QRect PositionRect(int col, int row) const;

    TXLEdit& Host() { return *m_host; }
    QWidget* Input() { return m_host->InputWidget(); }

    int Scale = 100;
    bool Sunken = false;
    bool TakeKeys = true;
    std::vector<int> Keys;
    int Closed = 0;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    xlgrid::TXLSheet& m_sheet;
    TXLEdit* m_host;
};

// Types text as key presses that carry it (QTest::keyClicks knows only
// ASCII); Chinese text arrives this way from some input methods too.
void TypeChars(QWidget* widget, const QString& text);

}  // namespace xlgridui::testing
