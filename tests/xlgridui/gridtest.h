#pragma once
// Shared helpers of the grid tests: a stand-in for the in-cell editor host,
// a grid shown on the offscreen platform, and clicks on cells.

#include "xlgridui/grid.h"
#include "xlgridui/gridview.h"

#include "xlgrid/sheet.h"
#include "xlgrid/sheetcontract.h"

#include <QLineEdit>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTest>

#include <memory>
#include <vector>

namespace xlgrid {
// QCOMPARE prints rectangles of cells as left,top-right,bottom.
inline char* toString(const TXLRect& r)
{
    return QTest::toString(QStringLiteral("[%1,%2 - %3,%4)").arg(r.Left).arg(r.Top).arg(r.Right).arg(r.Bottom));
}
}  // namespace xlgrid

namespace xlgridui::test {

// A line edit over the cell that keeps a log of what the grid asked.
class TStandInHost : public IXLEditHost {
public:
    explicit TStandInHost(IXLEditGrid& grid);
    ~TStandInHost() override;

    bool HasEditor(const xlgrid::TXLCellClass& cls) const override { return !cls.Editors.empty(); }
    bool Open(xlgrid::TXLCell& cell, TXLEditMode mode) override;
    void Close(bool store) override;
    void Reposition() override;
    void ForwardText(const QString& text) override;
    void SetMode(TXLEditMode mode) override { m_mode = mode; }
    TXLEditMode Mode() const override { return m_open ? m_mode : emNone; }
    bool IsOpen() const override { return m_open; }
    bool ForwardsClicks() const override { return m_forwardsClicks; }
    void GridClick(const QPoint& sheetCell) override { m_clicks.push_back(sheetCell); }

    QLineEdit* Editor() const { return m_edit; }
    QPoint OpenCell() const { return m_cellPos; }
    // "open(1,2)=entering", "text:张三", "close:store" ...
    QStringList Log;
    bool m_forwardsClicks = false;
    std::vector<QPoint> m_clicks;

private:
    IXLEditGrid& m_grid;
    QLineEdit* m_edit = nullptr;
    xlgrid::TXLCell* m_cell = nullptr;
    QPoint m_cellPos;
    TXLEditMode m_mode = emNone;
    bool m_open = false;
};

// A grid of 400 x 300 pixels on a sheet, shown and with the focus.
struct TGridFixture {
    explicit TGridFixture(int cols = 5, int rows = 5, bool withHost = true);
    ~TGridFixture();
    xlgrid::TXLSheet Sheet;
    // Checks every notification the sheet sends while the test runs.
    xlgrid::testing::SheetContract Contract{Sheet};
    std::unique_ptr<TXLGrid> Grid;
    TStandInHost* Host = nullptr;

    TXLView& Client() const { return *Grid->View(xlgrid::skClient); }
    TXLView& Pane(xlgrid::TXLSectionKind s) const { return *Grid->View(s); }
    // The centre of a sheet cell in its pane's coordinates.
    QPoint CellCenter(QPoint sheetCell) const;
    QRect CellRect(QPoint sheetCell) const;
    TXLView& PaneOf(QPoint sheetCell) const;
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) const
    {
        QTest::keyClick(Grid.get(), key, mods);
    }
    void Click(QPoint sheetCell, Qt::KeyboardModifiers mods = Qt::NoModifier) const
    {
        QTest::mouseClick(&PaneOf(sheetCell), Qt::LeftButton, mods, CellCenter(sheetCell));
    }
    void DoubleClick(QPoint sheetCell) const
    {
        QTest::mouseDClick(&PaneOf(sheetCell), Qt::LeftButton, Qt::NoModifier, CellCenter(sheetCell));
    }
    // Lets paint events run, then forgets what was painted.
    void Settle() const;
};

// Makes a broken sheet contract fail the running QtTest function.
void InstallContractFailures();

// Sheet coordinates as "A1" (client cells) for messages.
QString CellName(QPoint sheetCell);

// A wheel event with a vertical delta at a point of a widget.
void Wheel(QWidget* target, QPoint pos, int deltaY, Qt::KeyboardModifiers mods = Qt::NoModifier);

}  // namespace xlgridui::test
