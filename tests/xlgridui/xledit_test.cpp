// The editor host: which control opens for which cell, what it covers, how
// it closes, and the keys and text it passes on.

#include "xleditstandin.h"

#include "xlgridui/xlbutton.h"
#include "xlgridui/xldatetimeedit.h"
#include "xlgridui/xlmemo.h"
#include "xlgridui/xlnumedit.h"
#include "xlgridui/xlpickedit.h"

#include "xlgrid/xlerrors.h"
#include "xlpaint/qtconvert.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QtTest>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TStandInGrid;

namespace {

const TXLCellClass* ClassNamed(const QString& name)
{
    for (const TXLCellClass* c : {&TXLCString::Class(), &TXLCStrings::Class(), &TXLCInteger::Class(),
                                  &TXLCDouble::Class(), &TXLCCurrency::Class(), &TXLCDateTime::Class(),
                                  &TXLCBoolean::Class(), &TXLCPicture::Class(), &TXLCUrl::Class(),
                                  &TXLCGroup::Class(), &TXLCFormula::Class()})
        if (QString::fromStdString(c->Name) == name)
            return c;
    return nullptr;
}

// A widget that is no grid: it gives the host no parent.
class TNoWidget : public IXLEditGrid {
public:
    QWidget* GridWidget() override { return nullptr; }
    TXLSheet* EditedSheet() const override { return nullptr; }
    int GridScale() const override { return 100; }
    bool Edit3D() const override { return false; }
    QRect EditorCellRect(const TXLCell&) const override { return {}; }
    bool EditorKeyPress(QKeyEvent&) override { return false; }
    void EditorClosed() override {}
};

}  // namespace

class TestXLEdit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { xlpaint::InstallFontSubstitutions(); }

    void invalidParent()
    {
        TNoWidget none;
        try {
            TXLEdit host(none);
            QFAIL("a host without a grid widget was created");
        } catch (const EXLGridError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Invalid parent!"));
        }
    }

    void editorOfCell_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<int>("editor");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text 0") << "TXLCString" << 0 << "TXLPickEdit";
        QTest::newRow("text 1") << "TXLCString" << 1 << "TXLMemo";
        QTest::newRow("text 2") << "TXLCString" << 2 << "TXLMaskEdit";
        QTest::newRow("text 3 is stored as 0") << "TXLCString" << 3 << "TXLPickEdit";
        QTest::newRow("text -1 is stored as 0") << "TXLCString" << -1 << "TXLPickEdit";
        QTest::newRow("list 0") << "TXLCStrings" << 0 << "TXLMemo";
        QTest::newRow("list 1") << "TXLCStrings" << 1 << "TXLPickEdit";
        QTest::newRow("list 2") << "TXLCStrings" << 2 << "TXLComboBox";
        QTest::newRow("integer") << "TXLCInteger" << 0 << "TXLNumEdit";
        QTest::newRow("integer 5 is stored as 0") << "TXLCInteger" << 5 << "TXLNumEdit";
        QTest::newRow("double") << "TXLCDouble" << 0 << "TXLNumEdit";
        QTest::newRow("currency") << "TXLCCurrency" << 0 << "TXLNumEdit";
        QTest::newRow("formula") << "TXLCFormula" << 0 << "TXLNumEdit";
        QTest::newRow("date") << "TXLCDateTime" << 0 << "TXLDateTimeEdit";
        // Exact type: a link is a text cell underneath but has no editor.
        QTest::newRow("link") << "TXLCUrl" << 0 << "";
        QTest::newRow("boolean") << "TXLCBoolean" << 0 << "";
        QTest::newRow("group") << "TXLCGroup" << 0 << "";
        QTest::newRow("picture") << "TXLCPicture" << 0 << "";
    }
    void editorOfCell()
    {
        QFETCH(QString, cls);
        QFETCH(int, editor);
        QFETCH(QString, expected);
        TXLSheet sheet;
        TXLCell* cell = sheet.SetCellClass(0, 0, *ClassNamed(cls));
        cell->SetEditor(editor);
        QCOMPARE(QString::fromStdString(TXLEditorClasses::Instance().EditorOf(*cell)), expected);
        QCOMPARE(TXLEdit::HasEditor(cell->CellClass()), !expected.isEmpty());
    }

    void cellsWithoutEditorNeverOpen_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::newRow("boolean") << "TXLCBoolean";
        QTest::newRow("picture") << "TXLCPicture";
        QTest::newRow("link") << "TXLCUrl";
        QTest::newRow("group") << "TXLCGroup";
    }
    void cellsWithoutEditorNeverOpen()
    {
        QFETCH(QString, cls);
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        TXLCell* cell = sheet.SetCellClass(1, 1, *ClassNamed(cls));
        QVERIFY(!grid.Host().Open(*cell, emEditing));
        QVERIFY(!grid.Host().IsOpen());
        QVERIFY(!grid.Host().isVisible());
        QCOMPARE(grid.Host().Mode(), emNone);
        QCOMPARE(grid.Closed, 1);
        QVERIFY(!(cell->Flags() & TXLPersistent::kInEditor));
        QVERIFY(grid.focusPolicy() & Qt::TabFocus);
    }

    // Esc leaves every kind of cell as it was; Enter stores what was typed.
    void escapeAndEnter_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<int>("editor");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("pick edit") << "TXLCString" << 0 << "" << "张三" << "李四" << "李四";
        QTest::newRow("memo") << "TXLCString" << 1 << "" << "abc" << "xyz" << "xyz\r\n";
        QTest::newRow("mask edit") << "TXLCString" << 2 << "" << "abc" << "xyz" << "xyz";
        QTest::newRow("integer") << "TXLCInteger" << 0 << "" << "12" << "345" << "345";
        QTest::newRow("double") << "TXLCDouble" << 0 << "0.00" << "1.5" << "2.25" << "2.25";
        QTest::newRow("date") << "TXLCDateTime" << 0 << "yyyy-mm-dd" << "2024-03-05" << "2025-01-31"
                              << "2025-01-31";
    }
    void escapeAndEnter()
    {
        QFETCH(QString, cls);
        QFETCH(int, editor);
        QFETCH(QString, format);
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
            TXLSheet sheet;
            TStandInGrid grid(sheet);
            grid.show();
            QVERIFY(QTest::qWaitForWindowExposed(&grid));
            TXLCell* cell = sheet.SetCellClass(1, 1, *ClassNamed(cls));
            cell->SetEditor(editor);
            cell->SetFormat(format.toStdString());
            cell->SetAsString(before.toStdString());
            std::string old = cell->AsString();
            QVERIFY(grid.Host().Open(*cell, emEntering));
            QVERIFY(cell->Flags() & TXLPersistent::kInEditor);
            QVERIFY(!(grid.focusPolicy() & Qt::TabFocus));
            grid.Host().ForwardText(typed);
            QTest::keyClick(grid.Input(), static_cast<Qt::Key>(key));
            QVERIFY(!grid.Host().IsOpen());
            QCOMPARE(grid.Closed, 1);
            QVERIFY(grid.focusPolicy() & Qt::TabFocus);
            QVERIFY(!(cell->Flags() & TXLPersistent::kInEditor));
            if (key == Qt::Key_Escape)
                QCOMPARE(cell->AsString(), old);
            else if (cls == "TXLCDateTime")
                QCOMPARE(QString::fromStdString(cell->Text()), after);
            else
                QCOMPARE(QString::fromStdString(cell->AsString()), after);
        }
    }

    // A value the cell cannot take is dropped without a message.
    void storingErrorKeepsCell()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell* cell = sheet.SetCellClass(0, 0, TXLCInteger::Class());
        cell->SetAsInteger(7);
        QVERIFY(grid.Open(0, 0, emEntering));
        grid.Host().ForwardText("9");
        QTest::keyClicks(grid.Input(), "E9999999999");  // "E" refused; the rest is beyond 32 bits
        QCOMPARE(qobject_cast<QLineEdit*>(grid.Input())->text(), QStringLiteral("99999999999"));
        grid.Host().Close(true);
        QCOMPARE(cell->AsInteger(), 7);
        QCOMPARE(grid.Closed, 1);
        // A malformed number ("1-2") is dropped the same way.
        QVERIFY(grid.Open(0, 0, emEntering));
        grid.Host().ForwardText("1");
        QTest::keyClicks(grid.Input(), "-2");
        grid.Host().Close(true);
        QCOMPARE(cell->AsInteger(), 7);
    }

    void coversTheCell_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<bool>("sunken");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("grow");  // pixels added on each side of the cell rectangle
        QTest::newRow("plain") << int(frNone) << false << 100 << 0;
        QTest::newRow("flat frame") << int(frFlatUp) << false << 100 << -1;
        QTest::newRow("deep frame") << int(frDeepDown) << false << 100 << -2;
        QTest::newRow("3-D border") << int(frNone) << true << 100 << 2;
        QTest::newRow("3-D over a bevel") << int(frBevelUp) << true << 100 << 0;
        QTest::newRow("zoom 200") << int(frNone) << false << 200 << 0;
    }
    void coversTheCell()
    {
        QFETCH(int, frame);
        QFETCH(bool, sunken);
        QFETCH(int, scale);
        QFETCH(int, grow);
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        grid.Sunken = sunken;
        grid.Scale = scale;
        TXLCell& cell = grid.CellAt(1, 2);
        cell.SetFrame(static_cast<TXLFrame>(frame));
        QVERIFY(grid.Open(1, 2));
        QCOMPARE(grid.Host().geometry(), grid.PositionRect(1, 2).adjusted(-grow, -grow, grow, grow));
        QCOMPARE(grid.Host().font().pixelSize(), xlpaint::ToQFont(cell.Font(), scale).pixelSize());
    }

    void mergedBlockAndReposition()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell& cell = grid.CellAt(1, 1);
        cell.SetRange({1, 1, 3, 3});
        QVERIFY(grid.Open(1, 1));
        QRect block = grid.PositionRect(1, 1).united(grid.PositionRect(2, 2));
        QCOMPARE(grid.Host().geometry(), block);
        grid.Scale = 150;
        grid.Host().Reposition();
        QCOMPARE(grid.Host().geometry(), grid.PositionRect(1, 1).united(grid.PositionRect(2, 2)));
        QVERIFY(grid.Host().geometry().width() > block.width());
    }

    void takesCellColourAndFont()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell& plain = grid.CellAt(0, 0);
        TXLCell& yellow = grid.CellAt(1, 0);
        yellow.SetColor(RGBColor(255, 255, 0));
        TXLFont big = yellow.Font();
        big.Size = 14;
        big.Color = clBlue;
        yellow.SetFont(big);
        QVERIFY(grid.Open(1, 0));
        QCOMPARE(grid.Input()->palette().color(QPalette::Base), QColor(255, 255, 0));
        QCOMPARE(grid.Input()->palette().color(QPalette::Text), QColor(0, 0, 255));
        QCOMPARE(grid.Input()->font().pixelSize(), xlpaint::ToQFont(big).pixelSize());
        // Without a colour of its own the cell shows its section's base colour.
        QVERIFY(grid.Open(0, 0));
        QCOMPARE(grid.Host().Cell(), &plain);
        QCOMPARE(grid.Input()->palette().color(QPalette::Base),
                 xlpaint::ToQColor(sheet.BaseClientStyle().Color()));
    }

    // The control of a class is reused; another class replaces it, and the
    // old control goes once the event loop runs.
    void reusesControlOfSameClass()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        sheet.SetCellClass(0, 0, TXLCInteger::Class());
        sheet.SetCellClass(1, 0, TXLCDouble::Class());
        sheet.SetCellClass(2, 0, TXLCString::Class());
        QVERIFY(grid.Open(0, 0));
        QPointer<QWidget> first = grid.Host().Editor()->Widget();
        QVERIFY(grid.Open(1, 0));
        QCOMPARE(grid.Host().Editor()->Widget(), first.data());
        QCOMPARE(grid.Closed, 0);  // switching cells does not hand the focus back
        QVERIFY(grid.Open(2, 0));
        QVERIFY(grid.Host().Editor()->Widget() != first.data());
        QVERIFY(qobject_cast<TXLPickEdit*>(grid.Host().Editor()->Widget()));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
    }

    // Switching to another cell stores the first.
    void switchingStores()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell& a = grid.CellAt(0, 0);
        QVERIFY(grid.Open(0, 0, emEntering));
        grid.Host().ForwardText("甲");
        QVERIFY(grid.Open(0, 1, emEntering));
        QCOMPARE(QString::fromStdString(a.AsString()), QStringLiteral("甲"));
        QVERIFY(!(a.Flags() & TXLPersistent::kInEditor));
        QVERIFY(grid.Host().Cell()->Flags() & TXLPersistent::kInEditor);
    }

    // The editor offers its keys to the grid before it handles them; what the
    // grid does not take, the editor handles.
    void keysGoToGridFirst()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        grid.CellAt(0, 0).SetAsString("ab");
        QVERIFY(grid.Open(0, 0, emEditing));
        QTest::keyClick(grid.Input(), Qt::Key_Left);
        QTest::keyClick(grid.Input(), Qt::Key_X);
        QVERIFY(grid.Host().IsOpen());  // editing mode: arrows stay in the editor
        QCOMPARE(grid.Keys, (std::vector<int>{Qt::Key_Left, Qt::Key_X}));
        QCOMPARE(qobject_cast<QLineEdit*>(grid.Input())->text(), QStringLiteral("axb"));
        QTest::keyClick(grid.Input(), Qt::Key_F2);
        QCOMPARE(grid.Host().Mode(), emEntering);
        QTest::keyClick(grid.Input(), Qt::Key_Down);  // entering mode: the arrow leaves, storing
        QVERIFY(!grid.Host().IsOpen());
        QCOMPARE(QString::fromStdString(grid.CellAt(0, 0).AsString()), QStringLiteral("axb"));
    }

    // Typing into a selected cell: the typed text replaces the cell's text.
    void forwardedTextReplaces_data()
    {
        QTest::addColumn<int>("editor");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("pick edit, a letter") << 0 << "x" << "x";
        QTest::newRow("pick edit, committed Chinese") << 0 << "张三" << "张三";
        QTest::newRow("memo, committed Chinese") << 1 << "王五" << "王五\r\n";
        QTest::newRow("mask edit, a digit") << 2 << "7" << "7";
        QTest::newRow("backspace clears") << 2 << "\b" << "";
    }
    void forwardedTextReplaces()
    {
        QFETCH(int, editor);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell& cell = grid.CellAt(0, 0);
        cell.SetEditor(editor);
        cell.SetAsString("old text");
        QVERIFY(grid.Open(0, 0, emEntering));
        grid.Host().ForwardText(typed);
        QVERIFY(grid.Keys.empty());  // the grid had the key already
        grid.Host().Close(true);
        QCOMPARE(QString::fromStdString(cell.AsString()), stored);
    }

    // Text committed by an input method reaches the editor, after a pre-edit.
    void inputMethodCommit_data()
    {
        QTest::addColumn<int>("editor");
        QTest::addColumn<QString>("stored");
        QTest::newRow("pick edit") << 0 << "班级张三";
        QTest::newRow("memo") << 1 << "班级张三\r\n";
        QTest::newRow("mask edit") << 2 << "班级张三";
    }
    void inputMethodCommit()
    {
        QFETCH(int, editor);
        QFETCH(QString, stored);
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        TXLCell& cell = grid.CellAt(0, 0);
        cell.SetEditor(editor);
        cell.SetAsString("班级");
        QVERIFY(grid.Open(0, 0, emEditing));
        QWidget* input = grid.Input();
        QVERIFY(input->testAttribute(Qt::WA_InputMethodEnabled));
        QInputMethodEvent preedit(QStringLiteral("zhang"), {});
        QApplication::sendEvent(input, &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("张三"));
        QApplication::sendEvent(input, &commit);
        QTest::keyClick(input, Qt::Key_Return);
        QCOMPARE(QString::fromStdString(cell.AsString()), stored);
    }

    // A cell freed while it is open closes the editor without storing; the
    // host hears of it itself, as a user of the sheet while it is open.
    void freedCellCloses()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        grid.CellAt(2, 2).SetAsString("x");
        QVERIFY(grid.Open(2, 2, emEntering));
        grid.Host().ForwardText("y");
        // A format change keeps it open and follows the new alignment.
        grid.CellAt(2, 2).SetHorzAlign(haRight);
        QVERIFY(grid.Host().IsOpen());
        QVERIFY(qobject_cast<QLineEdit*>(grid.Input())->alignment() & Qt::AlignRight);
        sheet.SetRowCount(1);  // frees the cell
        QVERIFY(!grid.Host().IsOpen());
        QCOMPARE(grid.Closed, 1);
        grid.Host().Close(true);  // nothing left to store into
    }

    void sheetFreedWhileOpen()
    {
        auto sheet = std::make_unique<TXLSheet>();
        TStandInGrid grid(*sheet);
        QVERIFY(grid.Open(0, 0, emEntering));
        grid.Host().ForwardText("z");
        sheet.reset();
        QVERIFY(!grid.Host().IsOpen());
        QCOMPARE(grid.Closed, 1);
        QVERIFY(grid.focusPolicy() & Qt::TabFocus);
    }

    // The host's button follows the editor's answer and drives the editor.
    void buttonFollowsEditor()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell* n = sheet.SetCellClass(0, 0, TXLCInteger::Class());
        n->SetFormat("0|s");
        n->SetAsInteger(5);
        QVERIFY(grid.Open(0, 0));
        TXLButton* button = grid.Host().Button();
        QCOMPARE(button->Style(), esSpinner);
        QVERIFY(!button->isHidden());
        QCOMPARE(button->geometry().right(), grid.Host().ContentRect().right());
        QVERIFY(grid.Host().Editor()->Widget()->geometry().right() < button->geometry().left());
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(button->width() / 2, 1));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(button->width() / 2, 1));
        QCOMPARE(qobject_cast<QLineEdit*>(grid.Input())->text(), QStringLiteral("6"));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() - 2));
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() - 2));
        QCOMPARE(qobject_cast<QLineEdit*>(grid.Input())->text(), QStringLiteral("4"));
        grid.Host().Close(true);
        QCOMPARE(n->AsInteger(), 4);
        // A text cell has no button.
        QVERIFY(grid.Open(1, 0));
        QCOMPARE(button->Style(), esNormal);
        QVERIFY(button->isHidden());
    }

    // Screenshots for a person to look at: set FENBAN_SHOT_DIR and run under
    // a real X server (xvfb-run), where pop-ups can be grabbed from the screen.
    void screenshots()
    {
        QString dir = qEnvironmentVariable("FENBAN_SHOT_DIR");
        if (dir.isEmpty())
            QSKIP("FENBAN_SHOT_DIR not set");
        QDir().mkpath(dir);
        TXLSheet sheet;
        sheet.SetColCount(6);
        sheet.SetRowCount(12);
        sheet.SetColDefWidth(90);
        sheet.SetRowDefHeight(22);
        const char* names[] = {"张三", "李四", "王五", "赵六"};
        for (int r = 0; r < 4; ++r) {
            sheet.SetText(0, r, names[r]);
            sheet.SetCellClass(1, r, TXLCInteger::Class())->SetAsInteger(80 + r * 3);
        }
        TXLCell* num = sheet.SetCellClass(1, 1, TXLCDouble::Class());
        num->SetFormat("0.00|s");
        num->SetAsFloat(87.5);
        TXLCell* date = sheet.SetCellClass(2, 1, TXLCDateTime::Class());
        date->SetFormat("yyyy-mm-dd|c");
        date->SetAsString("2024-09-01");
        auto* list = static_cast<TXLCStrings*>(sheet.SetCellClass(3, 1, TXLCStrings::Class()));
        list->SetAsString("男\r\n女\r\n");
        list->SetAsInteger(1);
        list->SetEditor(1);

        TStandInGrid grid(sheet);
        grid.resize(560, 300);
        grid.move(40, 40);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        auto shoot = [&](const QString& name) {
            QTest::qWait(150);
            QPixmap shot = grid.screen()->grabWindow(0, 30, 30, 580, 420);
            if (shot.isNull() || QGuiApplication::platformName() == QLatin1String("offscreen"))
                shot = grid.grab();
            QVERIFY(shot.save(dir + "/" + name + ".png"));
            // The host and its neighbourhood enlarged four times, to see the glyphs.
            QRect host = grid.Host().geometry().adjusted(-20, -10, 20, 10);
            QPixmap near = grid.grab(host);
            QVERIFY(near.scaled(near.size() * 4, Qt::KeepAspectRatio, Qt::FastTransformation)
                        .save(dir + "/" + name + "-zoom.png"));
        };
        QVERIFY(grid.Open(1, 1, emEditing));
        QTest::keyClick(grid.Input(), Qt::Key_Up, Qt::ShiftModifier);
        shoot("numedit-spinner");
        QVERIFY(grid.Open(2, 1, emEditing));
        static_cast<TXLDateTimeEdit*>(grid.Host().Editor())->DropDown();
        shoot("dateedit-calendar");
        grid.Host().Close(false);
        QVERIFY(grid.Open(3, 1, emEditing));
        static_cast<TXLPickEdit*>(grid.Host().Editor())->showPopup();
        shoot("pickedit-list");
        grid.Host().Close(false);
    }
};

QTEST_MAIN(TestXLEdit)
#include "xledit_test.moc"
