// The grid's key table driven with real key events: Enter and Tab walks,
// arrows over hidden columns, merged blocks and protected cells, Home/End,
// Page Up/Down, Shift extension, typing, F2, Esc, space and input methods.

#include "gridtest.h"

#include "xlgrid/range.h"

#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

using namespace xlgrid;
using namespace xlgridui;
using namespace xlgridui::test;

namespace {

// Named sheet set-ups of the tables.
enum TSetup { suPlain, suHiddenB, suMergedB1C2, suMergedD4E5, suHiddenE, suProtectC1, suHiddenStyleC1, su100Rows };

void Prepare(TGridFixture& f, TSetup setup)
{
    TXLSheet& s = f.Sheet;
    switch (setup) {
    case suPlain: break;
    case suHiddenB: s.SetVisible(1, sCols, false); break;
    case suMergedB1C2: TXLSectionRange(s, skClient, {1, 0, 3, 2}).Merge(); break;
    case suMergedD4E5: TXLSectionRange(s, skClient, {3, 3, 5, 5}).Merge(); break;
    case suHiddenE: s.SetVisible(4, sCols, false); break;
    case suProtectC1: s.SetProperty(2, 0, pnStyles, static_cast<int32_t>(StyleBit(csProtect))); break;
    case suHiddenStyleC1: s.SetProperty(2, 0, pnStyles, static_cast<int32_t>(StyleBit(csHidden))); break;
    case su100Rows: s.SetRowCount(100); break;
    }
}

struct TKeyStep {
    Qt::Key Key;
    Qt::KeyboardModifiers Mods = Qt::NoModifier;
};
using TKeys = QList<TKeyStep>;

}  // namespace

Q_DECLARE_METATYPE(TSetup)
Q_DECLARE_METATYPE(TKeys)
Q_DECLARE_METATYPE(TXLDirection)

class GridKeysTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enterWalk_data();
    void enterWalk();
    void moves_data();
    void moves();
    void shiftExtends_data();
    void shiftExtends();
    void selectRange_data();
    void selectRange();
    void typingOpensEditor_data();
    void typingOpensEditor();
    void editorKeys();
    void spaceTogglesBoolean();
    void inputMethod();
    void pageDownByPaneHeight();
    void tabOnlyWithTabKeys();
    void realEditor();
};

void GridKeysTest::enterWalk_data()
{
    QTest::addColumn<TXLDirection>("dir");
    QTest::addColumn<TKeys>("keys");
    QTest::addColumn<QStringList>("visits");
    TKeys enter{{Qt::Key_Return}};
    TKeys shiftEnter{{Qt::Key_Return, Qt::ShiftModifier}};
    QTest::newRow("right in A1:B2") << dRight << enter << QStringList{"B1", "A2", "B2", "A1", "B1"};
    QTest::newRow("down in A1:B2") << dDown << enter << QStringList{"A2", "B1", "B2", "A1"};
    QTest::newRow("shift reverses right") << dRight << shiftEnter << QStringList{"B2", "A2", "B1", "A1"};
    QTest::newRow("auto follows the last move (down)") << dAuto << enter << QStringList{"A2", "B1", "B2", "A1"};
    QTest::newRow("tab as enter") << dDown << TKeys{{Qt::Key_Tab}} << QStringList{"A2", "B1", "B2", "A1"};
}

// A selection of A1:B2 made with Shift+Right, Shift+Down; Enter walks it and keeps it.
void GridKeysTest::enterWalk()
{
    QFETCH(TXLDirection, dir);
    QFETCH(TKeys, keys);
    QFETCH(QStringList, visits);
    TGridFixture f;
    f.Grid->SetOption(oTabKeys, true);
    f.Grid->SetEnterDir(dir);
    f.Key(Qt::Key_Right, Qt::ShiftModifier);
    f.Key(Qt::Key_Down, Qt::ShiftModifier);  // dAuto: the last move is down
    QCOMPARE(f.Grid->Selection()->SheetRect(), (TXLRect{0, 0, 2, 2}));
    for (const QString& expected : visits) {
        for (const TKeyStep& k : keys)
            f.Key(k.Key, k.Mods);
        QCOMPARE(CellName(f.Grid->CurCell()), expected);
        QCOMPARE(f.Grid->Selection()->SheetRect(), (TXLRect{0, 0, 2, 2}));
    }
}

void GridKeysTest::moves_data()
{
    QTest::addColumn<TSetup>("setup");
    QTest::addColumn<bool>("design");
    QTest::addColumn<TXLOptions>("options");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<TKeys>("keys");
    QTest::addColumn<QString>("expected");
    TXLOptions def = kDefaultOptions;
    TKeys right{{Qt::Key_Right}}, left{{Qt::Key_Left}}, down{{Qt::Key_Down}};
    QTest::newRow("hidden column skipped to the right") << suHiddenB << false << def << QPoint(0, 0) << right << "C1";
    QTest::newRow("hidden column skipped to the left") << suHiddenB << false << def << QPoint(2, 0) << left << "A1";
    QTest::newRow("merged block entered at its top-left") << suMergedB1C2 << false << def << QPoint(0, 1) << right << "B1";
    QTest::newRow("merged block left as a whole (right)") << suMergedB1C2 << false << def << QPoint(1, 0) << right << "D1";
    QTest::newRow("merged block left as a whole (down)") << suMergedB1C2 << false << def << QPoint(1, 0) << down << "B3";
    QTest::newRow("merged block entered from the right") << suMergedB1C2 << false << def << QPoint(3, 1) << left << "B1";
    QTest::newRow("ctrl+end onto a covered cell") << suMergedD4E5 << false << def << QPoint(0, 0)
                                                  << TKeys{{Qt::Key_End, Qt::ControlModifier}} << "D4";
    QTest::newRow("ctrl+end onto a hidden column") << suHiddenE << false << def << QPoint(0, 0)
                                                   << TKeys{{Qt::Key_End, Qt::ControlModifier}} << "D5";
    QTest::newRow("ctrl+home") << suPlain << false << def << QPoint(3, 3) << TKeys{{Qt::Key_Home, Qt::ControlModifier}}
                               << "A1";
    QTest::newRow("end of the row") << suHiddenE << false << def << QPoint(0, 2) << TKeys{{Qt::Key_End}} << "D3";
    QTest::newRow("home of the row") << suHiddenB << false << def << QPoint(3, 2) << TKeys{{Qt::Key_Home}} << "A3";
    QTest::newRow("protected cell skipped") << suProtectC1 << false << def << QPoint(1, 0) << right << "D1";
    QTest::newRow("protected cell in design mode") << suProtectC1 << true << def << QPoint(1, 0) << right << "C1";
    QTest::newRow("hidden-style cell skipped") << suHiddenStyleC1 << false << def << QPoint(1, 0) << right << "D1";
    QTest::newRow("hidden-style cell in design mode") << suHiddenStyleC1 << true << def << QPoint(1, 0) << right << "C1";
    QTest::newRow("no wrap at the row end") << suPlain << false << def << QPoint(4, 0) << right << "E1";
    QTest::newRow("wrap at the row end") << suPlain << false << (def | OptionBit(oWrapKeys)) << QPoint(4, 0) << right
                                         << "A2";
    QTest::newRow("wrap before the first cell") << suPlain << false << (def | OptionBit(oWrapKeys)) << QPoint(0, 0)
                                                << left << "E5";
    QTest::newRow("shift+arrow moves without range select")
        << suPlain << false << (def & ~OptionBit(oRangeSelect)) << QPoint(1, 1)
        << TKeys{{Qt::Key_Right, Qt::ShiftModifier}} << "C2";
    QTest::newRow("page down at the last page stops at the last row")
        << su100Rows << false << def << QPoint(0, 0)
        << TKeys{{Qt::Key_PageDown}, {Qt::Key_PageDown}, {Qt::Key_PageDown}, {Qt::Key_PageDown}, {Qt::Key_PageDown},
                 {Qt::Key_PageDown}, {Qt::Key_PageDown}, {Qt::Key_PageDown}, {Qt::Key_PageDown}}
        << "A100";
    QTest::newRow("page up returns") << su100Rows << false << def << QPoint(0, 0)
                                     << TKeys{{Qt::Key_PageDown}, {Qt::Key_PageUp}} << "A1";
    QTest::newRow("ctrl+page down to the last row") << su100Rows << false << def << QPoint(2, 3)
                                                    << TKeys{{Qt::Key_PageDown, Qt::ControlModifier}} << "C100";
    QTest::newRow("alt+arrow does nothing") << suPlain << false << def << QPoint(1, 1)
                                            << TKeys{{Qt::Key_Right, Qt::AltModifier}} << "B2";
}

void GridKeysTest::moves()
{
    QFETCH(TSetup, setup);
    QFETCH(bool, design);
    QFETCH(TXLOptions, options);
    QFETCH(QPoint, start);
    QFETCH(TKeys, keys);
    QFETCH(QString, expected);
    TGridFixture f;
    Prepare(f, setup);
    f.Grid->SetOptions(options);
    f.Grid->SetDesignMode(design);
    f.Grid->SetCurCell(start);
    QCOMPARE(CellName(f.Grid->CurCell()), CellName(start));
    for (const TKeyStep& k : keys)
        f.Key(k.Key, k.Mods);
    QCOMPARE(CellName(f.Grid->CurCell()), expected);
    // The current cell is always scrolled into view.
    QRect cell = f.CellRect(f.Grid->CurCell());
    QVERIFY2(f.Client().rect().contains(cell), qPrintable(QStringLiteral("%1 not shown").arg(expected)));
}

void GridKeysTest::shiftExtends_data()
{
    QTest::addColumn<TSetup>("setup");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<TKeys>("keys");
    QTest::addColumn<TXLRect>("expected");
    QTest::newRow("grows right") << suPlain << QPoint(0, 0)
                                 << TKeys{{Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}}
                                 << TXLRect{0, 0, 3, 1};
    QTest::newRow("grows then shrinks") << suPlain << QPoint(0, 0)
                                        << TKeys{{Qt::Key_Right, Qt::ShiftModifier},
                                                 {Qt::Key_Right, Qt::ShiftModifier},
                                                 {Qt::Key_Left, Qt::ShiftModifier}}
                                        << TXLRect{0, 0, 2, 1};
    QTest::newRow("grows left of the cursor") << suPlain << QPoint(2, 2)
                                              << TKeys{{Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Up, Qt::ShiftModifier}}
                                              << TXLRect{1, 1, 3, 3};
    QTest::newRow("over a hidden column") << suHiddenB << QPoint(0, 0) << TKeys{{Qt::Key_Right, Qt::ShiftModifier}}
                                          << TXLRect{0, 0, 3, 1};
    QTest::newRow("widened to a merged block") << suMergedB1C2 << QPoint(0, 0)
                                               << TKeys{{Qt::Key_Right, Qt::ShiftModifier}} << TXLRect{0, 0, 3, 2};
    QTest::newRow("shift+end to the last column") << suPlain << QPoint(1, 1) << TKeys{{Qt::Key_End, Qt::ShiftModifier}}
                                                  << TXLRect{1, 1, 5, 2};
    QTest::newRow("shift+home to the first column") << suPlain << QPoint(3, 1)
                                                    << TKeys{{Qt::Key_Home, Qt::ShiftModifier}} << TXLRect{0, 1, 4, 2};
    QTest::newRow("shift+page down does nothing") << suPlain << QPoint(1, 1)
                                                  << TKeys{{Qt::Key_PageDown, Qt::ShiftModifier}} << TXLRect{1, 1, 2, 2};
}

void GridKeysTest::shiftExtends()
{
    QFETCH(TSetup, setup);
    QFETCH(QPoint, start);
    QFETCH(TKeys, keys);
    QFETCH(TXLRect, expected);
    TGridFixture f;
    Prepare(f, setup);
    f.Grid->SetCurCell(start);
    QSignalSpy selChanged(f.Grid.get(), &TXLGrid::OnSelChanged);
    for (const TKeyStep& k : keys)
        f.Key(k.Key, k.Mods);
    QCOMPARE(f.Grid->Selection()->SheetRect(), expected);
    QCOMPARE(CellName(f.Grid->CurCell()), CellName(start));
    QCOMPARE(selChanged.isEmpty(), expected == (TXLRect{start.x(), start.y(), start.x() + 1, start.y() + 1}));
}

// A range chosen by a command (a paste, an action) is selected as a
// Shift+click would select it.
void GridKeysTest::selectRange_data()
{
    QTest::addColumn<TSetup>("setup");
    QTest::addColumn<bool>("design");
    QTest::addColumn<int>("section");
    QTest::addColumn<TXLRect>("rect");
    QTest::addColumn<TXLRect>("expected");  // sheet coordinates
    QTest::addColumn<QString>("current");
    QTest::newRow("inside") << suPlain << false << int(skClient) << TXLRect{1, 1, 3, 3} << TXLRect{1, 1, 3, 3} << "B2";
    QTest::newRow("clamped into the section") << suPlain << false << int(skClient) << TXLRect{3, 3, 9, 9}
                                              << TXLRect{3, 3, 5, 5} << "D4";
    QTest::newRow("widened over a merged block") << suMergedB1C2 << false << int(skClient) << TXLRect{0, 1, 2, 3}
                                                 << TXLRect{0, 0, 3, 3} << "A1";
    QTest::newRow("empty: nothing") << suPlain << false << int(skClient) << TXLRect{2, 2, 2, 4} << TXLRect{0, 0, 1, 1}
                                    << "A1";
    QTest::newRow("outside: nothing") << suPlain << false << int(skClient) << TXLRect{7, 7, 9, 9}
                                      << TXLRect{0, 0, 1, 1} << "A1";
    QTest::newRow("title section only in design mode") << suPlain << false << int(skTitleRows)
                                                        << TXLRect{0, 0, 2, 1} << TXLRect{0, 0, 1, 1} << "A1";
    QTest::newRow("title section in design mode") << suPlain << true << int(skTitleRows) << TXLRect{1, 0, 3, 1}
                                                  << TXLRect{1, -1, 3, 0} << "(1,-1)";
}

void GridKeysTest::selectRange()
{
    QFETCH(TSetup, setup);
    QFETCH(bool, design);
    QFETCH(int, section);
    QFETCH(TXLRect, rect);
    QFETCH(TXLRect, expected);
    QFETCH(QString, current);
    TGridFixture f;
    f.Sheet.SetTitleRows(1);
    Prepare(f, setup);
    f.Grid->SetDesignMode(design);
    f.Grid->SetCurCell({0, 0});
    f.Grid->SelectRange(TXLSectionKind(section), rect);
    QCOMPARE(f.Grid->Selection()->SheetRect(), expected);
    QCOMPARE(CellName(f.Grid->CurCell()), current);
}

void GridKeysTest::typingOpensEditor_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("a character") << "type" << QStringList{"open(1,1)=entering", "text:x"};
    QTest::newRow("F2") << "f2" << QStringList{"open(1,1)=editing"};
    QTest::newRow("Backspace") << "backspace" << QStringList{"open(1,1)=entering", "text:\b"};
    QTest::newRow("read-only option") << "readonly" << QStringList{};
    QTest::newRow("read-only option in design mode") << "readonly-design" << QStringList{"open(1,1)=entering", "text:x"};
    QTest::newRow("read-only sheet") << "readonly-sheet" << QStringList{};
    QTest::newRow("read-only cell") << "readonly-cell" << QStringList{};
    QTest::newRow("boolean cell has no editor") << "boolean" << QStringList{};
}

void GridKeysTest::typingOpensEditor()
{
    QFETCH(QString, how);
    QFETCH(QStringList, log);
    TGridFixture f;
    f.Grid->SetCurCell({1, 1});
    if (how.startsWith("readonly") && how != "readonly-sheet" && how != "readonly-cell")
        f.Grid->SetOption(oReadOnly, true);
    if (how == "readonly-design")
        f.Grid->SetDesignMode(true);
    if (how == "readonly-sheet")
        f.Sheet.SetReadOnly(true);
    if (how == "readonly-cell")
        f.Sheet.SetProperty(1, 1, pnStyles, static_cast<int32_t>(StyleBit(csReadOnly)));
    if (how == "boolean")
        f.Sheet.SetCellClass(1, 1, TXLCBoolean::Class());
    QSignalSpy modeChanged(f.Grid.get(), &TXLGrid::OnEditModeChanged);
    if (how == "f2")
        f.Key(Qt::Key_F2);
    else if (how == "backspace")
        f.Key(Qt::Key_Backspace);
    else
        QTest::keyClicks(f.Grid.get(), "x");
    QCOMPARE(f.Host->Log, log);
    QCOMPARE(f.Grid->EditMode() != emNone, !log.isEmpty());
    QCOMPARE(modeChanged.size(), log.isEmpty() ? 0 : 1);
}

// Keys inside the open editor: arrows leave in entering mode and stay in
// editing mode, F2 switches, Enter stores and moves, Esc drops.
void GridKeysTest::editorKeys()
{
    TGridFixture f;
    f.Grid->SetCurCell({1, 1});
    QTest::keyClicks(f.Grid.get(), "a");
    QLineEdit* edit = f.Host->Editor();
    QVERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Right);
    QCOMPARE(CellName(f.Grid->CurCell()), QString("C2"));
    QCOMPARE(f.Sheet.FindCell(1, 1)->AsString(), std::string("a"));
    QCOMPARE(f.Grid->EditMode(), emNone);

    f.Key(Qt::Key_F2);
    QCOMPARE(f.Grid->EditMode(), emEditing);
    QTest::keyClick(edit, Qt::Key_Left);
    QCOMPARE(CellName(f.Grid->CurCell()), QString("C2"));
    QTest::keyClick(edit, Qt::Key_F2);
    QCOMPARE(f.Grid->EditMode(), emEntering);
    QTest::keyClicks(edit, "zz");
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(f.Grid->EditMode(), emNone);
    QVERIFY(f.Sheet.FindCell(2, 1) == nullptr || f.Sheet.FindCell(2, 1)->AsString().empty());
    QVERIFY(f.Grid->hasFocus());

    QTest::keyClicks(f.Grid.get(), "q");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f.Sheet.FindCell(2, 1)->AsString(), std::string("q"));
    QCOMPARE(CellName(f.Grid->CurCell()), QString("D2"));  // Enter follows the last move: right
    QCOMPARE(f.Host->Log.last(), QString("close:store"));
}

void GridKeysTest::spaceTogglesBoolean()
{
    TGridFixture f;
    f.Sheet.SetCellClass(2, 2, TXLCBoolean::Class());
    f.Grid->SetCurCell({2, 2});
    f.Key(Qt::Key_Space);
    QCOMPARE(f.Sheet.FindCell(2, 2)->AsBoolean(), true);
    f.Key(Qt::Key_Space);
    QCOMPARE(f.Sheet.FindCell(2, 2)->AsBoolean(), false);
    QVERIFY(f.Host->Log.isEmpty());
    f.Sheet.SetReadOnly(true);
    f.Key(Qt::Key_Space);
    QCOMPARE(f.Sheet.FindCell(2, 2)->AsBoolean(), false);
}

// A teacher types a name through an input method: the composing text shows
// in the cell, the committed text opens the editor in entering mode.
void GridKeysTest::inputMethod()
{
    TGridFixture f;
    f.Grid->SetCurCell({1, 2});
    QVERIFY(f.Grid->testAttribute(Qt::WA_InputMethodEnabled));
    QVERIFY(f.Grid->inputMethodQuery(Qt::ImEnabled).toBool());
    QRect cursor = f.Grid->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QCOMPARE(cursor, f.CellRect({1, 2}).translated(f.Client().pos()));

    f.Settle();
    QInputMethodEvent compose(QStringLiteral("zhang san"), {});
    QApplication::sendEvent(f.Grid.get(), &compose);
    QCOMPARE(f.Grid->PreeditText(), QStringLiteral("zhang san"));
    QVERIFY(f.Host->Log.isEmpty());
    f.Settle();

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("张三"));
    QApplication::sendEvent(f.Grid.get(), &commit);
    QCOMPARE(f.Host->Log, (QStringList{"open(1,2)=entering", "text:张三"}));
    QVERIFY(f.Grid->PreeditText().isEmpty());
    QTest::keyClick(f.Host->Editor(), Qt::Key_Return);
    QCOMPARE(f.Sheet.FindCell(1, 2)->AsString(), std::string("张三"));

    // Not editable: no composing shown, nothing opens.
    f.Grid->SetOption(oReadOnly, true);
    QVERIFY(!f.Grid->inputMethodQuery(Qt::ImEnabled).toBool());
    QInputMethodEvent again(QStringLiteral("li"), {});
    QApplication::sendEvent(f.Grid.get(), &again);
    QVERIFY(f.Grid->PreeditText().isEmpty());
}

// Page Down scrolls by the pane's height snapped to a row start and moves
// the current row by the same distance.
void GridKeysTest::pageDownByPaneHeight()
{
    TGridFixture f;
    f.Sheet.SetRowCount(100);
    f.Grid->SetCurCell({1, 2});
    int rows = f.Grid->State().ViewHeight() / f.Sheet.RowDefHeight();
    f.Key(Qt::Key_PageDown);
    QCOMPARE(f.Grid->Row(), 2 + rows);
    QCOMPARE(f.Grid->State().ScrollY(), int64_t(rows) * f.Sheet.RowDefHeight());
    f.Key(Qt::Key_PageUp);
    QCOMPARE(f.Grid->Row(), 2);
    QCOMPARE(f.Grid->State().ScrollY(), int64_t(0));
}

void GridKeysTest::tabOnlyWithTabKeys()
{
    TGridFixture f;
    f.Grid->SetEnterDir(dRight);
    f.Key(Qt::Key_Tab);
    QCOMPARE(CellName(f.Grid->CurCell()), QString("A1"));
    f.Grid->SetOption(oTabKeys, true);
    f.Key(Qt::Key_Tab);
    QCOMPARE(CellName(f.Grid->CurCell()), QString("B1"));
    f.Key(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(CellName(f.Grid->CurCell()), QString("A1"));
}

// The grid with its own in-cell editor host: typing, Enter storing and
// moving, F2, Esc dropping.
void GridKeysTest::realEditor()
{
    TGridFixture f(5, 5, false);
    f.Grid->SetCurCell({1, 1});
    QTest::keyClicks(f.Grid.get(), "7");
    QCOMPARE(f.Grid->EditMode(), emEntering);
    QWidget* input = QApplication::focusWidget();
    QVERIFY(input && input != f.Grid.get());
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(f.Sheet.FindCell(1, 1)->AsString(), std::string("7"));
    QCOMPARE(f.Grid->CurCell(), QPoint(1, 2));
    QCOMPARE(f.Grid->EditMode(), emNone);
    QVERIFY(f.Grid->hasFocus());

    f.Grid->SetCurCell({2, 2});
    f.Key(Qt::Key_F2);
    QCOMPARE(f.Grid->EditMode(), emEditing);
    QTest::keyClicks(QApplication::focusWidget(), "xyz");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(f.Grid->EditMode(), emNone);
    QVERIFY(f.Sheet.FindCell(2, 2) == nullptr || f.Sheet.FindCell(2, 2)->AsString().empty());

    // A name committed by an input method opens the real editor in entering
    // mode with that text, and Enter stores it.
    f.Grid->SetCurCell({0, 3});
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("张三"));
    QApplication::sendEvent(f.Grid.get(), &commit);
    QCOMPARE(f.Grid->EditMode(), emEntering);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(f.Sheet.FindCell(0, 3)->AsString(), std::string("张三"));

    // Boolean cells have no editor: typing opens nothing.
    f.Sheet.SetCellClass(3, 3, TXLCBoolean::Class());
    f.Grid->SetCurCell({3, 3});
    QTest::keyClicks(f.Grid.get(), "x");
    QCOMPARE(f.Grid->EditMode(), emNone);
}

QTEST_MAIN(GridKeysTest)
#include "gridkeys_test.moc"
