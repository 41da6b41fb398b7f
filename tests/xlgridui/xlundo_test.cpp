// Undo and redo: every kind of change comes back exactly (the sheet stream
// before and after compared byte for byte), in order, within the bounds.

#include "xlgridui/xlundo.h"

#include "xlgrid/range.h"
#include "xlgrid/sheetstream.h"

#include <QTest>

#include <QPoint>

#include <functional>

using namespace xlgrid;
using xlgridui::TXLUndoLimits;
using xlgridui::TXLUndoStack;

namespace {

using Change = std::function<void(TXLSheet&)>;

void Roster(TXLSheet& sheet)
{
    sheet.SetColCount(4);
    sheet.SetRowCount(6);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 4; ++c)
            sheet.SetText(c, r, "r" + std::to_string(r) + "c" + std::to_string(c));
    sheet.SetModified(false);
}

// Two steps, the second made with nothing painted after the first: both are
// recorded and come back in order. `unpainted`, when given, is a cell the
// first step changed whose repaint request is still open.
void TwoStepsComeBack(const Change& first, const Change& second, QPoint unpainted)
{
    TXLSheet sheet;
    Roster(sheet);
    TXLUndoStack undo(sheet);
    const std::string start = SaveSheetToString(sheet);
    first(sheet);
    QVERIFY(undo.Commit());
    const std::string one = SaveSheetToString(sheet);
    if (unpainted.x() >= 0)
        QVERIFY(sheet.FindCell(unpainted.x(), unpainted.y())->RepaintAsked());  // no second request will come
    second(sheet);
    QVERIFY(undo.Dirty());
    QVERIFY(undo.Commit());
    const std::string two = SaveSheetToString(sheet);
    QVERIFY(two != one);
    QCOMPARE(undo.UndoCount(), size_t(2));
    undo.Undo();
    QVERIFY(SaveSheetToString(sheet) == one);
    undo.Undo();
    QVERIFY(SaveSheetToString(sheet) == start);
    undo.Redo();
    QVERIFY(SaveSheetToString(sheet) == one);
    undo.Redo();
    QVERIFY(SaveSheetToString(sheet) == two);
}

}  // namespace

Q_DECLARE_METATYPE(Change)

class UndoTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void EveryChangeComesBack_data()
    {
        QTest::addColumn<Change>("change");
        QTest::newRow("text") << Change([](TXLSheet& s) { s.SetText(1, 1, "张三"); });
        QTest::newRow("text in a new cell beyond the data") << Change([](TXLSheet& s) {
            s.SetColCount(8);
            s.SetText(7, 0, "x");
        });
        QTest::newRow("bold") << Change([](TXLSheet& s) {
            TXLSelection sel(s, skClient, {0, 0, 2, 2});
            TXLFont f = sel.Font();
            f.Style = fsBold;
            sel.SetFont(f, fsBold);
        });
        QTest::newRow("fill colour") << Change([](TXLSheet& s) {
            TXLSelection(s, skClient, {1, 1, 3, 4}).SetProperty(pnColor, static_cast<int32_t>(0xFFE4DD));
        });
        QTest::newRow("borders") << Change([](TXLSheet& s) {
            TXLSelection(s, skClient, {0, 0, 3, 3}).SetSides(0x3F, TXLLine{2, clRed});
        });
        QTest::newRow("merge") << Change([](TXLSheet& s) { TXLSelection(s, skClient, {0, 0, 3, 1}).Merge(); });
        QTest::newRow("insert rows") << Change([](TXLSheet& s) { s.InsertRows(2, 3); });
        QTest::newRow("delete columns") << Change([](TXLSheet& s) { s.InsertCols(1, -2); });
        QTest::newRow("column width") << Change([](TXLSheet& s) { s.SetSizes(2, sCols, 140); });
        QTest::newRow("hidden row") << Change([](TXLSheet& s) { s.SetVisible(3, sRows, false); });
        QTest::newRow("margins") << Change([](TXLSheet& s) { s.SetPrintMargins({10, 20, 30, 40}); });
        QTest::newRow("clear contents") << Change([](TXLSheet& s) {
            TXLSelection(s, skClient, {0, 0, 4, 6}).ClearRange(crContents);
        });
        QTest::newRow("row count to 0") << Change([](TXLSheet& s) { s.SetRowCount(0); });
        QTest::newRow("title rows") << Change([](TXLSheet& s) { s.SetTitleRows(3); });
        QTest::newRow("whole import replaces the cells") << Change([](TXLSheet& s) {
            TXLUpdateGuard guard(s);
            s.ClearCells();
            s.SetColCount(2);
            s.SetRowCount(300);
            for (int r = 0; r < 300; ++r)
                s.SetText(0, r, std::to_string(r));
        });
    }

    void EveryChangeComesBack()
    {
        QFETCH(Change, change);
        TXLSheet sheet;
        Roster(sheet);
        TXLUndoStack undo(sheet);
        const std::string before = SaveSheetToString(sheet);
        change(sheet);
        QVERIFY(undo.Dirty());
        QVERIFY(undo.Commit());
        const std::string after = SaveSheetToString(sheet);
        QVERIFY(before != after);
        QCOMPARE(undo.UndoCount(), size_t(1));

        undo.Undo();
        QVERIFY(SaveSheetToString(sheet) == before);
        QVERIFY(!undo.CanUndo());
        QVERIFY(undo.CanRedo());
        QVERIFY(!undo.Dirty());  // the restore itself is no change to record
        undo.Redo();
        QVERIFY(SaveSheetToString(sheet) == after);
        QVERIFY(!undo.CanRedo());
        undo.Undo();
        QVERIFY(SaveSheetToString(sheet) == before);
    }

    // A step follows an earlier one on the same cells that nothing painted
    // in between (so the sheet sent no second repaint request).
    void EveryChangeAfterAnUnpaintedStep_data() { EveryChangeComesBack_data(); }
    void EveryChangeAfterAnUnpaintedStep()
    {
        QFETCH(Change, change);
        const Change first = [](TXLSheet& s) {
            s.SetText(1, 1, "first");
            TXLSelection(s, skClient, {0, 0, 3, 3}).SetProperty(pnColor, static_cast<int32_t>(0xC0FFC0));
        };
        TwoStepsComeBack(first, change, {1, 1});
    }

    // One cell changed twice with no paint between: two steps, undone in order.
    void OneCellTwiceWithoutPaint_data()
    {
        QTest::addColumn<Change>("first");
        QTest::addColumn<Change>("second");
        QTest::newRow("value") << Change([](TXLSheet& s) { s.SetText(2, 2, "甲"); })
                               << Change([](TXLSheet& s) { s.SetText(2, 2, "乙"); });
        QTest::newRow("fill colour") << Change([](TXLSheet& s) {
            TXLSelection(s, skClient, {2, 2, 3, 3}).SetProperty(pnColor, 0x0000FF);
        }) << Change([](TXLSheet& s) { TXLSelection(s, skClient, {2, 2, 3, 3}).SetProperty(pnColor, 0x00FF00); });
        QTest::newRow("font") << Change([](TXLSheet& s) {
            TXLSelection sel(s, skClient, {2, 2, 3, 3});
            TXLFont f = sel.Font();
            f.Style = fsBold;
            sel.SetFont(f, fsBold);
        }) << Change([](TXLSheet& s) {
            TXLSelection sel(s, skClient, {2, 2, 3, 3});
            TXLFont f = sel.Font();
            f.Style = fsItalic;
            sel.SetFont(f, fsBold | fsItalic);
        });
        QTest::newRow("border") << Change([](TXLSheet& s) {
            TXLSelection(s, skClient, {2, 2, 3, 3}).SetSides(0x0F, TXLLine{1, clBlack});
        }) << Change([](TXLSheet& s) { TXLSelection(s, skClient, {2, 2, 3, 3}).SetSides(0x0F, TXLLine{3, clRed}); });
        QTest::newRow("value then format") << Change([](TXLSheet& s) { s.SetText(2, 2, "丙"); })
                                           << Change([](TXLSheet& s) {
                                                  TXLSelection(s, skClient, {2, 2, 3, 3}).SetProperty(pnColor, 0x00FFFF);
                                              });
    }
    void OneCellTwiceWithoutPaint()
    {
        QFETCH(Change, first);
        QFETCH(Change, second);
        const bool value = QByteArray(QTest::currentDataTag()).startsWith("value");
        TwoStepsComeBack(first, second, value ? QPoint(2, 2) : QPoint(-1, -1));
    }

    void StepsComeBackInOrder()
    {
        TXLSheet sheet;
        Roster(sheet);
        TXLUndoStack undo(sheet);
        std::vector<std::string> states{SaveSheetToString(sheet)};
        for (int i = 0; i < 5; ++i) {
            sheet.SetText(0, i, "step" + std::to_string(i));
            undo.Commit();
            states.push_back(SaveSheetToString(sheet));
        }
        for (int i = 4; i >= 0; --i) {
            undo.Undo();
            QVERIFY(SaveSheetToString(sheet) == states[size_t(i)]);
        }
        for (int i = 1; i <= 5; ++i) {
            undo.Redo();
            QVERIFY(SaveSheetToString(sheet) == states[size_t(i)]);
        }
    }

    void UndoCommitsWhatIsPending()
    {
        TXLSheet sheet;
        Roster(sheet);
        TXLUndoStack undo(sheet);
        const std::string before = SaveSheetToString(sheet);
        sheet.SetText(0, 0, "typed");
        QVERIFY(undo.CanUndo());
        undo.Undo();  // no Commit in between: the pending change is one step
        QVERIFY(SaveSheetToString(sheet) == before);
        undo.Redo();
        QCOMPARE(sheet.FindCell(0, 0)->AsString(), std::string("typed"));
    }

    void NewChangeDropsRedo()
    {
        TXLSheet sheet;
        Roster(sheet);
        TXLUndoStack undo(sheet);
        sheet.SetText(0, 0, "a");
        undo.Commit();
        undo.Undo();
        sheet.SetText(0, 0, "b");
        undo.Commit();
        QVERIFY(!undo.CanRedo());
        QCOMPARE(undo.UndoCount(), size_t(1));
    }

    void ChangeThatChangesNothingIsNoStep()
    {
        TXLSheet sheet;
        Roster(sheet);
        TXLUndoStack undo(sheet);
        sheet.SetText(0, 0, "x");
        sheet.SetText(0, 0, "r0c0");
        QVERIFY(!undo.Commit());
        QCOMPARE(undo.UndoCount(), size_t(0));
    }

    void StepsAreBounded_data()
    {
        QTest::addColumn<int>("maxSteps");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("undoable");
        QTest::newRow("100 steps keep the newest 100") << 100 << (64 << 20) << 130 << 100;
        QTest::newRow("3 steps") << 3 << (64 << 20) << 5 << 3;
        QTest::newRow("bytes allow two states") << 100 << 0 << 4 << 1;
    }

    void StepsAreBounded()
    {
        QFETCH(int, maxSteps);
        QFETCH(int, maxBytes);
        QFETCH(int, changes);
        QFETCH(int, undoable);
        TXLSheet sheet;
        Roster(sheet);
        TXLUndoLimits limits;
        limits.MaxSteps = size_t(maxSteps);
        limits.MaxBytes = size_t(maxBytes);
        TXLUndoStack undo(sheet, limits);
        std::vector<std::string> states{SaveSheetToString(sheet)};
        for (int i = 0; i < changes; ++i) {
            sheet.SetText(1, 1, "v" + std::to_string(i));
            undo.Commit();
            states.push_back(SaveSheetToString(sheet));
        }
        QCOMPARE(int(undo.UndoCount()), undoable);
        for (int i = 0; i < undoable; ++i)
            undo.Undo();
        QVERIFY(!undo.CanUndo());
        QVERIFY(SaveSheetToString(sheet) == states[size_t(changes - undoable)]);
    }

    void ChangesTheSheetDoesNotMarkStillModifyIt()
    {
        TXLSheet sheet;
        Roster(sheet);
        TXLUndoStack undo(sheet);
        sheet.SetSizes(2, sCols, 140);
        QVERIFY(undo.Commit());
        QVERIFY(sheet.Modified());  // the close question must ask
        undo.Undo();
        QVERIFY(!sheet.Modified());
        // Written and written back: no step, and not modified.
        sheet.SetText(0, 0, "x");
        sheet.SetText(0, 0, "r0c0");
        QVERIFY(!undo.Commit());
        QVERIFY(!sheet.Modified());
    }

    void ModifiedFollowsTheSavedState()
    {
        TXLSheet sheet;
        Roster(sheet);
        TXLUndoStack undo(sheet);
        sheet.SetText(0, 0, "a");
        undo.Commit();
        QVERIFY(sheet.Modified());
        undo.Undo();
        QVERIFY(!sheet.Modified());  // back at the state the window opened with
        undo.Redo();
        QVERIFY(sheet.Modified());
        undo.MarkClean();
        undo.Undo();
        QVERIFY(sheet.Modified());
        undo.Redo();
        QVERIFY(!sheet.Modified());
    }

    void SheetDestroyedFirst()
    {
        auto sheet = std::make_unique<TXLSheet>();
        TXLUndoStack undo(*sheet);
        sheet->SetText(0, 0, "a");
        sheet.reset();
        QVERIFY(!undo.Commit());
    }
};

QTEST_GUILESS_MAIN(UndoTest)
#include "xlundo_test.moc"
