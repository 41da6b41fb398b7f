// The grid's mouse and wheel, driven with real events: clicks and drags,
// title-band selections, dividers and sizing, zoom and wheel scrolling,
// right button, double-clicks on cells and dividers, hints.

#include "gridtest.h"

#include "xlgrid/manager.h"
#include "xlgrid/range.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace xlgrid;
using namespace xlgridui;
using namespace xlgridui::test;

Q_DECLARE_METATYPE(TXLRect)

class GridMouseTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clicks_data();
    void clicks();
    void dragSelects_data();
    void dragSelects();
    void dividerSizing_data();
    void dividerSizing();
    void sheetCorrectsDraggedSize();
    void dividerNeverInsideMergedBlock();
    void dividerDoubleClick();
    void ctrlWheelZooms_data();
    void ctrlWheelZooms();
    void wheelScrolls_data();
    void wheelScrolls();
    void rightButton();
    void doubleClickReactions();
    void designPaneSwitch();
    void hintShowsPointer();
};

void GridMouseTest::clicks_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QPoint>("click");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a plain cell") << "" << QPoint(2, 3) << "C4";
    QTest::newRow("read-only sheet is not selected") << "readonly" << QPoint(2, 3) << "A1";
    QTest::newRow("protected cell") << "protect" << QPoint(2, 3) << "A1";
    QTest::newRow("protected cell in design mode") << "protect-design" << QPoint(2, 3) << "C4";
    QTest::newRow("covered cell selects the block") << "merge" << QPoint(3, 3) << "C3";
}

void GridMouseTest::clicks()
{
    QFETCH(QString, setup);
    QFETCH(QPoint, click);
    QFETCH(QString, expected);
    TGridFixture f;
    if (setup == "readonly")
        f.Sheet.SetReadOnly(true);
    if (setup.startsWith("protect"))
        f.Sheet.SetProperty(2, 3, pnStyles, static_cast<int32_t>(StyleBit(csProtect)));
    if (setup == "protect-design")
        f.Grid->SetDesignMode(true);
    if (setup == "merge")
        TXLSectionRange(f.Sheet, skClient, {2, 2, 4, 4}).Merge();
    QSignalSpy clicked(f.Grid.get(), &TXLGrid::OnCellClick);
    f.Click(click);
    QCOMPARE(CellName(f.Grid->CurCell()), expected);
    QCOMPARE(clicked.size(), CellName(f.Grid->CurCell()) == expected && expected != "A1" ? 1 : clicked.size());
}

void GridMouseTest::dragSelects_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<TXLOptions>("options");
    QTest::addColumn<TXLRect>("expected");
    TXLOptions def = kDefaultOptions;
    QTest::newRow("a rectangle") << QPoint(1, 1) << QPoint(3, 2) << def << TXLRect{1, 1, 4, 3};
    QTest::newRow("backwards") << QPoint(3, 3) << QPoint(1, 0) << def << TXLRect{1, 0, 4, 4};
    QTest::newRow("without range select") << QPoint(1, 1) << QPoint(3, 2) << (def & ~OptionBit(oRangeSelect))
                                          << TXLRect{1, 1, 2, 2};
    QTest::newRow("row select") << QPoint(1, 1) << QPoint(3, 2) << (def | OptionBit(oRowSelect)) << TXLRect{0, 1, 5, 3};
    QTest::newRow("column titles select whole columns") << QPoint(1, -1) << QPoint(2, -1) << def << TXLRect{1, 0, 3, 5};
    QTest::newRow("row titles select whole rows") << QPoint(-1, 3) << QPoint(-1, 1) << def << TXLRect{0, 1, 5, 4};
    QTest::newRow("the corner selects the sheet") << QPoint(-1, -1) << QPoint(-1, -1) << def << TXLRect{0, 0, 5, 5};
}

void GridMouseTest::dragSelects()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(TXLOptions, options);
    QFETCH(TXLRect, expected);
    TGridFixture f;
    f.Grid->SetOptions(options);
    TXLView& pane = f.PaneOf(from);
    QTest::mousePress(&pane, Qt::LeftButton, Qt::NoModifier, f.CellCenter(from));
    QTest::mouseMove(&f.PaneOf(to), f.CellCenter(to));
    QTest::mouseRelease(&f.PaneOf(to), Qt::LeftButton, Qt::NoModifier, f.CellCenter(to));
    QCOMPARE(f.Grid->Selection()->SheetRect(), expected);
    QCOMPARE(f.Grid->Selection()->SectionIndex(), skClient);
}

void GridMouseTest::dividerSizing_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("drag");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<bool>("alt");
    QTest::addColumn<QList<int>>("widths");  // columns A to C afterwards
    QTest::newRow("wider") << 100 << 30 << false << false << QList<int>{60, 90, 60};
    QTest::newRow("never below 5") << 100 << -200 << false << false << QList<int>{60, 5, 60};
    QTest::newRow("Esc restores") << 100 << 40 << true << false << QList<int>{60, 60, 60};
    QTest::newRow("zoomed drag converts back") << 200 << 40 << false << false << QList<int>{60, 80, 60};
    QTest::newRow("Alt sizes the selection") << 100 << 20 << false << true << QList<int>{80, 80, 80};
}

// Dragging the divider after column B in the column-title band.
void GridMouseTest::dividerSizing()
{
    QFETCH(int, scale);
    QFETCH(int, drag);
    QFETCH(bool, escape);
    QFETCH(bool, alt);
    QFETCH(QList<int>, widths);
    TGridFixture f;
    f.Grid->SetOption(oColSizing, true);
    f.Grid->SetScale(scale);
    if (alt) {
        f.Click({0, 0});
        QTest::mouseClick(&f.Client(), Qt::LeftButton, Qt::ShiftModifier, f.CellCenter({2, 0}));
    }
    TXLView& titles = f.Pane(skTitleRows);
    QRect b = f.CellRect({1, -1});
    QPoint start(b.right() + 1, b.center().y());
    QTest::mouseMove(&titles, start - QPoint(20, 0));
    QTest::mouseMove(&titles, start);
    QCOMPARE(titles.cursor().shape(), Qt::SplitHCursor);
    QTest::mousePress(&titles, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(&titles, start + QPoint(drag / 2, 0));
    QTest::mouseMove(&titles, start + QPoint(drag, 0));
    QVERIFY(f.Grid->Tracker().Sizing());
    QCOMPARE(f.Sheet.Sizes(1, sCols), 60);  // stored only on release
    if (escape)
        f.Key(Qt::Key_Escape);
    QTest::mouseRelease(&titles, Qt::LeftButton, alt ? Qt::AltModifier : Qt::NoModifier, start + QPoint(drag, 0));
    QList<int> got;
    for (int c = 0; c < 3; ++c)
        got << f.Sheet.Sizes(c, sCols);
    QCOMPARE(got, widths);
}

// The sheet's OnSizing handler sees the dragged size; the tracking line and the stored size follow it.
void GridMouseTest::sheetCorrectsDraggedSize()
{
    TGridFixture f;
    f.Grid->SetOption(oRowSizing, true);
    std::vector<int> asked;
    f.Sheet.OnSizing = [&asked](TXLSheet&, TXLAxis, int& size, int index) {
        asked.push_back(index);
        size = (size + 5) / 10 * 10;
    };
    TXLView& titles = f.Pane(skTitleCols);
    QRect r = f.CellRect({-1, 2});
    QPoint at(r.center().x(), r.bottom() + 1);
    QTest::mousePress(&titles, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseMove(&titles, at + QPoint(0, 12));
    QCOMPARE(f.Grid->Tracker().CurSize(), 30);
    QTest::mouseRelease(&titles, Qt::LeftButton, Qt::NoModifier, at + QPoint(0, 12));
    QCOMPARE(f.Sheet.Sizes(2, sRows), 30);
    QVERIFY(!asked.empty());
    QCOMPARE(asked.front(), 2);
}

void GridMouseTest::dividerNeverInsideMergedBlock()
{
    TGridFixture f;
    f.Grid->SetOption(oColSizing, true);
    f.Sheet.SetTitleRows(2);
    TXLSectionRange(f.Sheet, skTitleRows, {1, 0, 3, 1}).Merge();  // B:C merged in the upper title row
    f.Settle();
    QRect upper = f.CellRect({1, -2}), lower = f.CellRect({1, -1});
    const TXLGridState& st = f.Grid->State();
    QCOMPARE(st.HitTest(skTitleRows, {upper.right() + 1, upper.center().y()}).What, TXLHit::OnCell);
    TXLHit below = st.HitTest(skTitleRows, {lower.right() + 1, lower.center().y()});
    QCOMPARE(below.What, TXLHit::ColDivider);
    QCOMPARE(below.Index, 1);
    // Within 3 pixels on either side; a client pane outside design mode has none.
    QCOMPARE(st.HitTest(skTitleRows, {lower.right() - 2, lower.center().y()}).What, TXLHit::ColDivider);
    QCOMPARE(st.HitTest(skTitleRows, {lower.right() + 4, lower.center().y()}).What, TXLHit::ColDivider);
    QCOMPARE(st.HitTest(skTitleRows, {lower.right() + 5, lower.center().y()}).What, TXLHit::OnCell);
    QCOMPARE(st.HitTest(skClient, {lower.right() + 1, 5}).What, TXLHit::OnCell);
    f.Sheet.SetReadOnly(true);
    QCOMPARE(st.HitTest(skTitleRows, {lower.right() + 1, lower.center().y()}).What, TXLHit::None);
}

void GridMouseTest::dividerDoubleClick()
{
    TGridFixture f;
    f.Grid->SetOptions(kDefaultOptions | OptionBit(oColSizing) | OptionBit(oRowSizing));
    QSignalSpy cols(f.Grid.get(), &TXLGrid::OnColDblClick);
    QSignalSpy rows(f.Grid.get(), &TXLGrid::OnRowDblClick);
    QRect c = f.CellRect({2, -1});
    QTest::mouseDClick(&f.Pane(skTitleRows), Qt::LeftButton, Qt::NoModifier, {c.right() + 1, c.center().y()});
    QCOMPARE(cols.size(), 1);
    QCOMPARE(cols.first().first().toPoint().x(), 2);
    QRect r = f.CellRect({-1, 3});
    QTest::mouseDClick(&f.Pane(skTitleCols), Qt::LeftButton, Qt::NoModifier, {r.center().x(), r.bottom() + 1});
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().first().toPoint().y(), 3);
    // The title column's own divider counts from -1.
    QRect corner = f.CellRect({-1, -1});
    QTest::mouseDClick(&f.Pane(skCorner), Qt::LeftButton, Qt::NoModifier, {corner.right() + 1, corner.center().y()});
    QCOMPARE(cols.size(), 2);
    QCOMPARE(cols.last().first().toPoint().x(), -1);
    QCOMPARE(f.Sheet.Sizes(2, sCols), 60);
    QVERIFY(!f.Grid->Tracker().Active());
}

void GridMouseTest::ctrlWheelZooms_data()
{
    QTest::addColumn<int>("delta");
    QTest::addColumn<QList<int>>("scales");
    QTest::newRow("up") << 120 << QList<int>{125, 150, 175, 200, 200};
    QTest::newRow("down") << -120 << QList<int>{85, 70, 55, 40, 25, 25};
    QTest::newRow("half steps add up") << 60 << QList<int>{100, 125, 125, 150};
}

void GridMouseTest::ctrlWheelZooms()
{
    QFETCH(int, delta);
    QFETCH(QList<int>, scales);
    TGridFixture f;
    QSignalSpy changed(f.Grid.get(), &TXLGrid::OnScaleChanged);
    QList<int> got;
    for (int i = 0; i < scales.size(); ++i) {
        Wheel(&f.Client(), {20, 20}, delta, Qt::ControlModifier);
        got << f.Grid->Scale();
    }
    QCOMPARE(got, scales);
    QCOMPARE(f.Grid->State().Sizes().List(sCols, bdClient).DiffItem(0), 60 * f.Grid->Scale() / 100);
    QVERIFY(!changed.isEmpty());
    f.Grid->SetOption(oFixScale, true);
    int before = f.Grid->Scale();
    Wheel(&f.Client(), {20, 20}, delta, Qt::ControlModifier);
    QCOMPARE(f.Grid->Scale(), before);
}

void GridMouseTest::wheelScrolls_data()
{
    QTest::addColumn<QList<int>>("deltas");
    QTest::addColumn<int>("topRow");
    // One step: n = (120 / 2) / 15 = 4; down scrolls 1 - (-4) = 5 rows.
    QTest::newRow("one step down") << QList<int>{-120} << 5;
    QTest::newRow("two steps down") << QList<int>{-120, -120} << 10;
    QTest::newRow("down then up") << QList<int>{-120, -120, 120} << 5;
    QTest::newRow("small deltas add up") << QList<int>{-30, -30, -30} << 0;
    QTest::newRow("four small deltas make a step") << QList<int>{-30, -30, -30, -30} << 5;
    QTest::newRow("a small upward delta never scrolls down") << QList<int>{-120, 10} << 5;
    QTest::newRow("at the top nothing") << QList<int>{120} << 0;
}

void GridMouseTest::wheelScrolls()
{
    QFETCH(QList<int>, deltas);
    QFETCH(int, topRow);
    TGridFixture f(5, 200);
    for (int d : deltas)
        Wheel(&f.Client(), {20, 20}, d);
    QCOMPARE(f.Grid->State().ScrollY(), int64_t(topRow) * 15);
}

void GridMouseTest::rightButton()
{
    TGridFixture f;
    f.Click({1, 1});
    QTest::mouseClick(&f.Client(), Qt::LeftButton, Qt::ShiftModifier, f.CellCenter({3, 3}));
    // Inside the selection: nothing moves.
    QTest::mouseClick(&f.Client(), Qt::RightButton, Qt::NoModifier, f.CellCenter({2, 2}));
    QCOMPARE(CellName(f.Grid->CurCell()), QString("B2"));
    QCOMPARE(f.Grid->Selection()->SheetRect(), (TXLRect{1, 1, 4, 4}));
    // Outside: that cell becomes current first.
    QTest::mouseClick(&f.Client(), Qt::RightButton, Qt::NoModifier, f.CellCenter({4, 0}));
    QCOMPARE(CellName(f.Grid->CurCell()), QString("E1"));
    QCOMPARE(f.Grid->Selection()->SheetRect(), (TXLRect{4, 0, 5, 1}));
    // The pop-up menu comes on release over the used area only.
    QMenu menu;
    menu.addAction(QStringLiteral("复制"));
    f.Grid->SetPopupMenu(&menu);
    QPoint beyond(f.CellRect({4, 4}).right() + 20, f.CellRect({4, 4}).bottom() + 20);
    QTest::mouseClick(&f.Client(), Qt::RightButton, Qt::NoModifier, beyond);
    QVERIFY(!menu.isVisible());
    QTest::mouseClick(&f.Client(), Qt::RightButton, Qt::NoModifier, f.CellCenter({1, 1}));
    QVERIFY(menu.isVisible());
    menu.hide();
}

void GridMouseTest::doubleClickReactions()
{
    TGridFixture f;
    std::vector<std::string> opened;
    auto saved = TXLManager::Instance().OpenUrl;
    TXLManager::Instance().OpenUrl = [&opened](const std::string& t) { opened.push_back(t); };
    f.Sheet.SetCellClass(1, 1, TXLCBoolean::Class());
    f.Sheet.SetCellClass(2, 2, TXLCUrl::Class());
    f.Sheet.SetText(2, 2, "https://example.org/");
    f.Sheet.SetText(3, 3, "写好的");
    QSignalSpy dbl(f.Grid.get(), &TXLGrid::OnCellDblClick);

    f.DoubleClick({1, 1});
    QCOMPARE(f.Sheet.FindCell(1, 1)->AsBoolean(), true);
    QVERIFY(f.Host->Log.isEmpty());
    f.DoubleClick({2, 2});
    QCOMPARE(opened, (std::vector<std::string>{"https://example.org/"}));
    f.DoubleClick({3, 3});
    QCOMPARE(f.Host->Log, (QStringList{"open(3,3)=editing"}));
    QTest::keyClick(f.Host->Editor(), Qt::Key_Escape);
    f.DoubleClick({4, 4});
    QCOMPARE(f.Host->Log.last(), QString("open(4,4)=entering"));  // an empty cell is entered
    QCOMPARE(dbl.size(), 4);
    TXLManager::Instance().OpenUrl = saved;
}

// Design mode: Ctrl+press makes a title pane current; a plain press brings the cursor back.
void GridMouseTest::designPaneSwitch()
{
    TGridFixture f;
    f.Grid->SetDesignMode(true);
    QTest::mouseClick(&f.Pane(skTitleRows), Qt::LeftButton, Qt::ControlModifier, f.CellCenter({2, -1}));
    QCOMPARE(f.Grid->CurCell(), QPoint(2, -1));
    QCOMPARE(f.Grid->Selection()->SectionIndex(), skTitleRows);
    f.Key(Qt::Key_Right);
    QCOMPARE(f.Grid->CurCell(), QPoint(3, -1));
    f.Click({1, 1});
    QCOMPARE(f.Grid->CurCell(), QPoint(1, 1));
    QCOMPARE(f.Grid->Selection()->SectionIndex(), skClient);
    // Outside design mode a title click selects the column and keeps the cursor in the client pane.
    f.Grid->SetDesignMode(false);
    QTest::mouseClick(&f.Pane(skTitleRows), Qt::LeftButton, Qt::ControlModifier, f.CellCenter({2, -1}));
    QCOMPARE(f.Grid->CurCell(), QPoint(2, 0));
}

void GridMouseTest::hintShowsPointer()
{
    TGridFixture f;
    f.Sheet.Cells(2, 1)->SetHint("请填写学号");
    f.Settle();
    QTest::mouseMove(&f.Client(), f.CellCenter({2, 1}));
    TXLHintWindow* hint = f.Grid->HintWindow();
    QVERIFY(hint->isVisible());
    QCOMPARE(hint->Text(), QStringLiteral("请填写学号"));
    QRect cell = f.CellRect({2, 1});
    TXLHintGeometry g = TXLHintGeometry::ForCell(cell, hint->size());
    QCOMPARE(g.Anchor, QPoint(cell.left() + cell.width() - 2, cell.top() + 1));
    QCOMPARE(g.Window.topLeft(), g.Anchor + QPoint(14, -11));
    QCOMPARE(hint->pos(), f.Client().mapToGlobal(g.Window.topLeft()));
    // The pointer is drawn by the pane: a black pixel at the anchor.
    f.Settle();
    QImage shot = f.Client().grab().toImage();
    QCOMPARE(QColor(shot.pixel(g.Anchor)), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(g.Shadow.bottomRight())), QColor(Qt::black));
    // Moving to a cell without a hint hides it and repaints what the pointer covered.
    f.Settle();
    QTest::mouseMove(&f.Client(), f.CellCenter({0, 3}));
    QVERIFY(!hint->isVisible());
    f.Settle();
    shot = f.Client().grab().toImage();
    QVERIFY(QColor(shot.pixel(g.Shadow.bottomRight())) != QColor(Qt::black));
}

QTEST_MAIN(GridMouseTest)
#include "gridmouse_test.moc"
