// The grid's plain state without a window: the walk to the next selectable
// cell over awkward sections, sizes under zoom, hit tests, scrolling to
// starts; and in a window the behaviours that need time or options: the
// auto-scroll timer, oPermEdit, page-break lines.

#include "gridtest.h"

#include "xlgrid/range.h"

#include <QBuffer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace xlgrid;
using namespace xlgridui;
using namespace xlgridui::test;

using TSheetSetup = std::function<void(TXLSheet&)>;
Q_DECLARE_METATYPE(TSheetSetup)
Q_DECLARE_METATYPE(TXLDirection)

namespace {

void ProtectAll(TXLSheet& s)
{
    for (int r = 0; r < s.RowCount(); ++r)
        for (int c = 0; c < s.ColCount(); ++c)
            s.SetProperty(c, r, pnStyles, static_cast<int32_t>(StyleBit(csProtect)));
}

}  // namespace

class GridStateTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stepToSelectable_data();
    void stepToSelectable();
    void scaledSizes_data();
    void scaledSizes();
    void scrollLandsOnStarts();
    void autoScrollWhileDragging();
    void permanentEditor();
    void pageBreakLines();
    void randomInputKeepsInvariants();
    void scrollBarsLandOnStarts();
    void backgroundPictureScrolls();
};

void GridStateTest::stepToSelectable_data()
{
    QTest::addColumn<TSheetSetup>("setup");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<TXLDirection>("dir");
    QTest::addColumn<QPoint>("expected");  // (-1, -1): the walk fails
    auto none = TSheetSetup([](TXLSheet&) {});
    QTest::newRow("right") << none << false << QPoint(0, 0) << dRight << QPoint(1, 0);
    QTest::newRow("edge without wrap fails") << none << false << QPoint(4, 0) << dRight << QPoint(-1, -1);
    QTest::newRow("down wraps to the next column") << none << true << QPoint(0, 4) << dDown << QPoint(1, 0);
    QTest::newRow("up wraps to the previous column") << none << true << QPoint(1, 0) << dUp << QPoint(0, 4);
    QTest::newRow("last cell wraps to the first") << none << true << QPoint(4, 4) << dRight << QPoint(0, 0);
    QTest::newRow("nothing selectable fails, no hang") << TSheetSetup(ProtectAll) << true << QPoint(2, 2) << dRight
                                                       << QPoint(-1, -1);
    QTest::newRow("hidden rows skipped down") << TSheetSetup([](TXLSheet& s) {
        s.SetVisible(1, sRows, false);
        s.SetVisible(2, sRows, false);
    }) << false << QPoint(0, 0) << dDown << QPoint(0, 3);
    QTest::newRow("covered cells pass as one block") << TSheetSetup([](TXLSheet& s) {
        TXLSectionRange(s, skClient, {1, 1, 4, 4}).Merge();
        s.SetProperty(1, 1, pnStyles, static_cast<int32_t>(StyleBit(csProtect)));
    }) << false << QPoint(0, 2) << dRight << QPoint(4, 2);
    QTest::newRow("wrap over a protected block, cycle found") << TSheetSetup([](TXLSheet& s) {
        ProtectAll(s);
        TXLSectionRange(s, skClient, {0, 0, 5, 5}).Merge();
    }) << true << QPoint(0, 0) << dLeft << QPoint(-1, -1);
}

void GridStateTest::stepToSelectable()
{
    QFETCH(TSheetSetup, setup);
    QFETCH(bool, wrap);
    QFETCH(QPoint, start);
    QFETCH(TXLDirection, dir);
    QFETCH(QPoint, expected);
    TXLSheet sheet;
    InstallContractFailures();
    xlgrid::testing::SheetContract contract(sheet);
    setup(sheet);
    TXLGridState st;
    st.SetSheet(&sheet);
    if (wrap)
        st.SetOptions(st.Options() | OptionBit(oWrapKeys));
    std::optional<TXLCellPos> got = st.StepToSelectable(skClient, {start.x(), start.y()}, dir, false);
    QPoint p = got ? QPoint(got->Col, got->Row) : QPoint(-1, -1);
    QCOMPARE(p, expected);
}

void GridStateTest::scaledSizes_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("width");      // the 60-pixel default
    QTest::addColumn<int>("odd");        // a stored 37
    QTest::addColumn<int>("title");      // the default title column
    QTest::newRow("100 is exact") << 100 << 60 << 37 << 60;
    QTest::newRow("125") << 125 << 75 << 46 << 75;
    QTest::newRow("25") << 25 << 15 << 9 << 15;
    QTest::newRow("below 25 is raised") << 5 << 15 << 9 << 15;
    QTest::newRow("500") << 500 << 300 << 185 << 300;
}

void GridStateTest::scaledSizes()
{
    QFETCH(int, scale);
    QFETCH(int, width);
    QFETCH(int, odd);
    QFETCH(int, title);
    TXLSheet sheet;
    InstallContractFailures();
    xlgrid::testing::SheetContract contract(sheet);
    sheet.SetRowCount(1000000);
    sheet.SetSizes(2, sCols, 37);
    sheet.SetVisible(3, sCols, false);
    TXLGridState st;
    st.SetSheet(&sheet);
    st.SetScale(scale);
    const TXLSizeList& cols = st.Sizes().List(sCols, bdClient);
    QCOMPARE(cols.DiffItem(0), width);
    QCOMPARE(cols.DiffItem(2), odd);
    QCOMPARE(cols.DiffItem(3), 0);
    QCOMPARE(st.Sizes().List(sCols, bdTitle).DiffItem(0), title);
    QCOMPARE(st.Sizes().Count(sRows, bdClient), 1000000);
    QCOMPARE(st.Sizes().Extent(sRows, bdClient), int64_t(1000000) * TXLGridSizes::Scaled(15, st.Scale()));
}

void GridStateTest::scrollLandsOnStarts()
{
    TXLSheet sheet;
    InstallContractFailures();
    xlgrid::testing::SheetContract contract(sheet);
    sheet.SetRowCount(1000);
    sheet.SetSizes(0, sRows, 40);
    TXLGridState st;
    st.SetSheet(&sheet);
    st.SetViewport(300, 200);
    QCOMPARE(st.SnapToStart(sRows, 39), int64_t(0));
    QCOMPARE(st.SnapToStart(sRows, 41), int64_t(40));
    st.ScrollLines(sRows, 1);
    QCOMPARE(st.ScrollY(), int64_t(40));
    st.ScrollLines(sRows, 2);
    QCOMPARE(st.ScrollY(), int64_t(70));
    st.ScrollLines(sRows, -3);
    QCOMPARE(st.ScrollY(), int64_t(0));
    st.ScrollTo(0, int64_t(1) << 40);
    QCOMPARE(st.ScrollY(), st.MaxScroll(sRows));
    // Zooming keeps the first visible row first.
    st.ScrollTo(0, 40 + 15 * 10);
    st.SetScale(200);
    QCOMPARE(st.ScrollY(), int64_t(80 + 30 * 10));
}

// Dragging below the client pane scrolls a row every 40 ms and extends the selection.
void GridStateTest::autoScrollWhileDragging()
{
    TGridFixture f(5, 200);
    TXLView& client = f.Client();
    QTest::mousePress(&client, Qt::LeftButton, Qt::NoModifier, f.CellCenter({1, 1}));
    QPoint below(f.CellCenter({1, 1}).x(), client.height() + 20);
    QMouseEvent move(QEvent::MouseMove, QPointF(below), QPointF(client.mapToGlobal(below)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&client, &move);
    QTest::qWait(250);
    int64_t scrolled = f.Grid->State().ScrollY();
    QVERIFY2(scrolled >= 15 * 3, qPrintable(QString::number(scrolled)));
    QVERIFY(f.Grid->Selection()->SheetRect().Bottom > client.height() / 15);
    QTest::mouseRelease(&client, Qt::LeftButton, Qt::NoModifier, below);
    QTest::qWait(100);
    int64_t after = f.Grid->State().ScrollY();
    QTest::qWait(100);
    QCOMPARE(f.Grid->State().ScrollY(), after);
}

// With oPermEdit the editor follows the current cell and reopens after sizing.
void GridStateTest::permanentEditor()
{
    TGridFixture f;
    f.Grid->SetOptions(kDefaultOptions | OptionBit(oPermEdit) | OptionBit(oColSizing));
    f.Click({1, 1});
    QCOMPARE(f.Grid->EditMode(), emEntering);
    QTest::keyClick(f.Host->Editor(), Qt::Key_Down);
    QCOMPARE(f.Grid->CurCell(), QPoint(1, 2));
    QCOMPARE(f.Host->OpenCell(), QPoint(1, 2));
    QCOMPARE(f.Grid->EditMode(), emEntering);
    TXLView& titles = f.Pane(skTitleRows);
    QRect b = f.CellRect({0, -1});
    QPoint at(b.right() + 1, b.center().y());
    QTest::mousePress(&titles, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(f.Grid->EditMode(), emNone);
    QTest::mouseMove(&titles, at + QPoint(10, 0));
    QTest::mouseRelease(&titles, Qt::LeftButton, Qt::NoModifier, at + QPoint(10, 0));
    QCOMPARE(f.Sheet.Sizes(0, sCols), 70);
    QCOMPARE(f.Grid->EditMode(), emEntering);
}

// oPageBreak: the printed area is framed in blue at the last breaks.
void GridStateTest::pageBreakLines()
{
    TGridFixture f(3, 4);
    f.Sheet.SetColDefWidth(80);
    f.Grid->SetOption(oPageBreak, true);
    f.Settle();
    QImage shot = f.Client().grab().toImage();
    QRect last = f.CellRect({2, 3});
    QPoint frame(last.right(), last.center().y());  // one pixel left of the end of the last column strip
    QColor c(shot.pixel(frame));
    QVERIFY2(c.blue() > 200 && c.red() < 80, qPrintable(c.name()));
    QColor under(shot.pixel(last.center().x(), last.bottom()));
    QVERIFY2(under.blue() > 200 && under.red() < 80, qPrintable(under.name()));
    f.Grid->SetOption(oPageBreak, false);
    f.Settle();
    shot = f.Client().grab().toImage();
    QVERIFY(QColor(shot.pixel(frame)).red() > 80 || QColor(shot.pixel(frame)).blue() < 200);
}

// A long seeded run of keys, clicks, wheels and sheet changes over merged
// blocks and hidden rows: the cursor and the selection always stay sound.
void GridStateTest::randomInputKeepsInvariants()
{
    TGridFixture f(12, 60);
    TXLSheet& s = f.Sheet;
    TXLSectionRange(s, skClient, {2, 2, 5, 4}).Merge();
    TXLSectionRange(s, skClient, {6, 10, 7, 20}).Merge();
    s.SetVisible(5, sRows, false);
    s.SetVisible(8, sCols, false);
    s.SetProperty(3, 7, pnStyles, static_cast<int32_t>(StyleBit(csProtect)));
    f.Grid->SetOptions(kDefaultOptions | OptionBit(oWrapKeys) | OptionBit(oColSizing) | OptionBit(oRowSizing));
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End,
                            Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Return};
    const Qt::KeyboardModifiers mods[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    const TXLGridState& st = f.Grid->State();
    QSignalSpy moved(f.Grid.get(), &TXLGrid::OnCurChanged);
    for (int step = 0; step < 1500; ++step) {
        switch (next(10)) {
        case 0: case 1: case 2: case 3: case 4:
            f.Key(keys[next(9)], mods[next(3)]);
            break;
        case 5: {
            QPoint p(int(next(f.Client().width())), int(next(f.Client().height())));
            QTest::mouseClick(&f.Client(), Qt::LeftButton, next(2) ? Qt::ShiftModifier : Qt::NoModifier, p);
            break;
        }
        case 6: Wheel(&f.Client(), {10, 10}, next(2) ? 120 : -120, next(4) == 0 ? Qt::ControlModifier : Qt::NoModifier); break;
        case 7: s.SetRowCount(20 + int(next(60))); break;
        case 8: s.SetColCount(3 + int(next(12))); break;
        case 9: f.Grid->SetDesignMode(next(2)); break;
        }
        TXLSectionKind pane = st.CurPane();
        const TXLPaneState& p = st.Pane(pane);
        TXLRect bounds = st.Bounds(pane);
        QString where = QStringLiteral("step %1").arg(step);
        if (bounds.IsEmpty())
            continue;
        QVERIFY2(bounds.Contains(p.Cur.Col, p.Cur.Row), qPrintable(where));
        TXLRect block = st.BlockAt(pane, p.Cur.Col, p.Cur.Row);
        QVERIFY2(block.Left == p.Cur.Col && block.Top == p.Cur.Row, qPrintable(where));
        QVERIFY2(p.Sel.Left <= block.Left && p.Sel.Top <= block.Top && p.Sel.Right >= block.Right
                     && p.Sel.Bottom >= block.Bottom,
                 qPrintable(where));
        QVERIFY2(p.Sel.Intersect(bounds) == p.Sel, qPrintable(where));
        QVERIFY2(st.Widen(pane, p.Sel) == p.Sel, qPrintable(where));
        QVERIFY2(st.ScrollY() >= 0 && st.ScrollY() <= st.MaxScroll(sRows), qPrintable(where));
        QVERIFY2(p.Selection && p.Selection->Rect() == p.Sel, qPrintable(where));
    }
    QVERIFY(moved.size() > 300);
}

void GridStateTest::scrollBarsLandOnStarts()
{
    TGridFixture f(5, 100);
    f.Sheet.SetSizes(0, sRows, 40);
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : f.Grid->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical)
            bar = b;
    QVERIFY(bar);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(f.Grid->State().ScrollY(), int64_t(40));
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(f.Grid->State().ScrollY(), int64_t(55));
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    int64_t y = f.Grid->State().ScrollY();
    QCOMPARE(f.Grid->State().SnapToStart(sRows, y), y);
    bar->setValue(133);  // a thumb drag lands on the start of the row it shows
    QCOMPARE(f.Grid->State().ScrollY(), int64_t(130));
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(f.Grid->State().ScrollY(), f.Grid->State().MaxScroll(sRows));
    QCOMPARE(bar->value(), int(f.Grid->State().ScrollY()));
}

// The sheet's background picture is tiled from the sheet origin under empty cells.
void GridStateTest::backgroundPictureScrolls()
{
    TGridFixture f(5, 100);
    QImage tile(10, 10, QImage::Format_RGB32);
    tile.fill(QColor(255, 0, 0));
    for (int x = 0; x < 10; ++x)
        tile.setPixel(x, 0, qRgb(0, 0, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    tile.save(&buffer, "PNG");
    TXLPicture picture;
    picture.Kind = "PNG";
    picture.Data = bytes.toStdString();
    f.Sheet.SetBackground(picture);
    f.Settle();
    QImage shot = f.Client().grab().toImage();
    QCOMPARE(QColor(shot.pixel(25, 25)), QColor(255, 0, 0));
    QCOMPARE(QColor(shot.pixel(25, 20)), QColor(0, 0, 255));
    f.Grid->SetCurCell({0, 60});  // scrolled by whole 15-pixel rows: the tile moves along
    f.Settle();
    int64_t dy = f.Grid->State().ScrollY() % 10;
    shot = f.Client().grab().toImage();
    QCOMPARE(QColor(shot.pixel(25, int(20 - dy + 10) % 10 + 20)), QColor(0, 0, 255));
}

QTEST_MAIN(GridStateTest)
#include "gridstate_test.moc"
