// The grid as a user of its sheet: what it repaints for each notification,
// several grids on one sheet, the sheet going away, counts shrinking under
// the cursor, scroll links between grids and the selection's range object.

#include "gridtest.h"

#include "xlgrid/range.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace xlgrid;
using namespace xlgridui;
using namespace xlgridui::test;

using TSheetChange = std::function<void(TXLSheet&)>;

namespace {

// Another grid on the same sheet, at its own zoom.
std::unique_ptr<TXLGrid> ShownGrid(TXLSheet& sheet, int scale)
{
    auto g = std::make_unique<TXLGrid>();
    g->resize(400, 300);
    g->SetScale(scale);
    g->SetSheet(&sheet);
    g->show();
    QApplication::processEvents();
    return g;
}

}  // namespace
Q_DECLARE_METATYPE(TSheetChange)

class GridNotifyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void repaintsOnlyTheNotifiedArea_data();
    void repaintsOnlyTheNotifiedArea();
    void sizeChangeRepaintsFromTheColumnOn();
    void severalGridsOneSheet();
    void sheetDestroyed();
    void countsShrinkUnderTheCursor();
    void links();
    void selectionCarriesFormats();
    void hideSelection();
};

void GridNotifyTest::repaintsOnlyTheNotifiedArea_data()
{
    QTest::addColumn<TSheetChange>("change");
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<int>("grow");  // pixels around the cell that may be painted too
    QTest::newRow("a value") << TSheetChange([](TXLSheet& s) { s.SetText(2, 3, "王五"); }) << QPoint(2, 3) << 0;
    QTest::newRow("a colour") << TSheetChange([](TXLSheet& s) { s.SetProperty(1, 2, pnColor, int32_t(clRed)); })
                              << QPoint(1, 2) << 62;
    QTest::newRow("a border line") << TSheetChange([](TXLSheet& s) { s.SetCellBorder(3, 1, clBlack, clNone); })
                                   << QPoint(3, 1) << 62;
    QTest::newRow("a title text") << TSheetChange([](TXLSheet& s) { s.SetText(1, -1, "姓名"); }) << QPoint(1, -1) << 0;
}

// A change to one cell repaints that cell's area (and its neighbours' edges
// for formatting), never the whole pane.
void GridNotifyTest::repaintsOnlyTheNotifiedArea()
{
    QFETCH(TSheetChange, change);
    QFETCH(QPoint, cell);
    QFETCH(int, grow);
    TGridFixture f(8, 12);
    f.Grid->SetCurCell({3, 10});
    f.Settle();
    QSignalSpy changed(f.Grid.get(), &TXLGrid::OnChange);
    change(f.Sheet);
    QApplication::processEvents();
    TXLView& pane = f.PaneOf(cell);
    QRegion painted = pane.PaintedRegion();
    QRect rect = f.CellRect(cell);
    QVERIFY2(!painted.isEmpty(), "nothing repainted");
    QVERIFY2(painted.contains(rect.center()), "the cell was not repainted");
    QRegion allowed(rect.adjusted(-grow - 2, -grow - 2, grow + 2, grow + 2));
    QVERIFY2((painted - allowed).isEmpty(), "more than the cell's area was repainted");
    QVERIFY(painted.boundingRect().width() * painted.boundingRect().height() < pane.width() * pane.height() / 5);
    for (TXLSectionKind s : {skTitleRows, skTitleCols, skCorner, skClient})
        if (&f.Pane(s) != &pane)
            QVERIFY2(f.Pane(s).PaintedRegion().isEmpty(), "another pane was repainted");
    QVERIFY(!changed.isEmpty());
}

void GridNotifyTest::sizeChangeRepaintsFromTheColumnOn()
{
    TGridFixture f(5, 5);
    f.Settle();
    f.Sheet.SetSizes(2, sCols, 90);
    QApplication::processEvents();
    int from = f.CellRect({2, 0}).left();
    for (TXLSectionKind s : {skTitleRows, skClient}) {
        QRegion painted = f.Pane(s).PaintedRegion();
        QVERIFY(!painted.isEmpty());
        QVERIFY2(painted.boundingRect().left() >= from - 3, "columns left of the sized one were repainted");
    }
    QVERIFY(f.Pane(skTitleCols).PaintedRegion().isEmpty());
    QCOMPARE(f.CellRect({2, 0}).width(), 90);
}

void GridNotifyTest::severalGridsOneSheet()
{
    TGridFixture f(5, 5);
    auto secondGrid = ShownGrid(f.Sheet, 200);
    TXLGrid& second = *secondGrid;
    QSignalSpy a(f.Grid.get(), &TXLGrid::OnChange), b(&second, &TXLGrid::OnChange);
    f.Sheet.SetText(0, 0, "共享");
    QVERIFY(!a.isEmpty());
    QCOMPARE(b.size(), a.size());
    // Each keeps its own cursor and zoom.
    f.Key(Qt::Key_Down);
    QCOMPARE(f.Grid->Row(), 1);
    QCOMPARE(second.Row(), 0);
    QCOMPARE(second.State().Sizes().List(sCols, bdClient).DiffItem(0), 120);
    // The sheet actions work on the grid that last had the focus.
    QCOMPARE(TXLGrid::LastFocused(), f.Grid.get());
    QApplication::setActiveWindow(&second);
    second.setFocus();
    QCOMPARE(TXLGrid::LastFocused(), &second);
    second.SetSheet(nullptr);
    qsizetype before = b.size();
    f.Sheet.SetText(0, 0, "x");
    QCOMPARE(b.size(), before);
}

void GridNotifyTest::sheetDestroyed()
{
    TXLGrid grid;
    grid.resize(300, 200);
    auto host = std::make_unique<TStandInHost>(grid);
    TStandInHost* h = host.get();
    grid.SetEditHost(std::move(host));
    QSignalSpy sheetChanged(&grid, &TXLGrid::OnSheetChanged);
    {
        TXLSheet sheet;
        InstallContractFailures();
        xlgrid::testing::SheetContract contract(sheet);
        grid.SetSheet(&sheet);
        grid.show();
        QApplication::processEvents();
        QTest::keyClicks(&grid, "a");
        QVERIFY(h->IsOpen());
    }
    QVERIFY(grid.Sheet() == nullptr);
    QVERIFY(!h->IsOpen());
    QCOMPARE(sheetChanged.size(), 2);
    QTest::keyClick(&grid, Qt::Key_Down);
    grid.repaint();
    QCOMPARE(grid.EditMode(), emNone);
}

void GridNotifyTest::countsShrinkUnderTheCursor()
{
    TGridFixture f(5, 20);
    f.Grid->SetCurCell({4, 19});
    QSignalSpy cur(f.Grid.get(), &TXLGrid::OnCurChanged);
    f.Sheet.SetRowCount(10);
    f.Sheet.SetColCount(3);
    QCOMPARE(f.Grid->CurCell(), QPoint(2, 9));
    QCOMPARE(f.Grid->Selection()->SheetRect(), (TXLRect{2, 9, 3, 10}));
    QVERIFY(!cur.isEmpty());
    f.Sheet.InsertRows(0, 3);
    f.Key(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(f.Grid->CurCell(), QPoint(2, 12));
    // Merging around the cursor moves it to the block's top-left.
    TXLSectionRange(f.Sheet, skClient, {1, 11, 3, 13}).Merge();
    QCOMPARE(f.Grid->CurCell(), QPoint(1, 11));
    QCOMPARE(f.Grid->Selection()->SheetRect(), (TXLRect{1, 11, 3, 13}));
}

void GridNotifyTest::links()
{
    TGridFixture f(40, 200);
    auto otherGrid = ShownGrid(f.Sheet, 200);
    TXLGrid& other = *otherGrid;
    TXLGrid third;

    f.Grid->SetHorzLink(f.Grid.get());
    QVERIFY(f.Grid->HorzLink() == nullptr);
    f.Grid->SetHorzLink(&other);
    QVERIFY(other.HorzLink() == f.Grid.get());
    third.SetHorzLink(&other);
    QVERIFY(other.HorzLink() == &third);
    QVERIFY(f.Grid->HorzLink() == nullptr);
    f.Grid->SetHorzLink(&other);
    QVERIFY(third.HorzLink() == nullptr);

    f.Key(Qt::Key_End);
    int64_t x = f.Grid->State().ScrollX();
    QVERIFY(x > 0);
    QCOMPARE(other.State().ScrollX(), std::min(x * 2, other.State().MaxScroll(sCols)));
    QCOMPARE(other.State().ScrollY(), int64_t(0));
    f.Grid->SetVertLink(&other);
    f.Key(Qt::Key_PageDown);
    QCOMPARE(other.State().ScrollY(), f.Grid->State().ScrollY() * 2);
}

void GridNotifyTest::selectionCarriesFormats()
{
    TGridFixture f(5, 5);
    f.Sheet.SetProperty(1, 1, pnColor, int32_t(clGreen));
    f.Click({1, 1});
    QTest::mouseClick(&f.Client(), Qt::LeftButton, Qt::ShiftModifier, f.CellCenter({2, 3}));
    TXLSelection* sel = f.Grid->Selection();
    QCOMPARE(TColor(sel->GetProperty(pnColor)), clGreen);
    sel->SetProperty(pnColor, int32_t(clBlue));
    QCOMPARE(TColor(f.Sheet.GetProperty(2, 3, pnColor)), clBlue);
    f.Grid->SelectAll();
    QCOMPARE(f.Grid->Selection()->SheetRect(), (TXLRect{0, 0, 5, 5}));
}

void GridNotifyTest::hideSelection()
{
    TGridFixture f(5, 5);
    f.Click({1, 1});
    QTest::mouseClick(&f.Client(), Qt::LeftButton, Qt::ShiftModifier, f.CellCenter({3, 3}));
    f.Settle();
    QRect inside = f.CellRect({2, 2});
    auto pixel = [&](QPoint p) { return QColor(f.Client().grab().toImage().pixel(p)); };
    QColor shown = pixel(inside.center());
    f.Grid->HideSelection();
    QColor hidden = pixel(inside.center());
    QVERIFY(shown != hidden);
    QCOMPARE(f.Grid->Selection()->SheetRect(), (TXLRect{1, 1, 4, 4}));
    f.Key(Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(pixel(inside.center()), shown);
}

QTEST_MAIN(GridNotifyTest)
#include "gridnotify_test.moc"
