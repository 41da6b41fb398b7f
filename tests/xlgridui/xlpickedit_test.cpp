// The pick edit and the combo box: list cells load their entries and store
// the chosen item; other cells go through their text.

#include "xleditstandin.h"

#include "xlgridui/xlpickedit.h"

#include "xlgrid/sheet.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QtTest>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TStandInGrid;

namespace {

struct Fixture {
    TXLSheet sheet;
    TStandInGrid grid{sheet};
    TXLCStrings* list;

    explicit Fixture(int editor, int item = 1)
    {
        list = static_cast<TXLCStrings*>(sheet.SetCellClass(1, 1, TXLCStrings::Class()));
        list->SetAsString("一班\r\n二班\r\nClass C\r\n");
        list->SetAsInteger(item);
        list->SetEditor(editor);
        grid.show();
    }
    TXLPickEdit* Pick() { return static_cast<TXLPickEdit*>(grid.Host().Editor()); }
};

}  // namespace

class TestXLPickEdit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadsList_data()
    {
        QTest::addColumn<int>("editor");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("shown");
        QTest::newRow("pick edit") << 1 << 1 << "二班";
        QTest::newRow("combo box") << 2 << 0 << "一班";
        QTest::newRow("pick edit, item outside the list") << 1 << 7 << "";
        QTest::newRow("combo box, no item") << 2 << -1 << "";
    }
    void loadsList()
    {
        QFETCH(int, editor);
        QFETCH(int, item);
        QFETCH(QString, shown);
        Fixture f(editor, item);
        QVERIFY(f.grid.Open(1, 1, emEditing));
        QCOMPARE(f.Pick()->count(), 3);
        QCOMPARE(f.Pick()->itemText(2), QStringLiteral("Class C"));
        QCOMPARE(f.Pick()->currentText(), shown);
        QCOMPARE(f.grid.Host().Button()->Style(), esDropDown);
        QCOMPARE(f.Pick()->isEditable(), editor == 1);
        // The box's own arrow lies under the host's button or beyond the host.
        QVERIFY(f.Pick()->geometry().right() > f.grid.Host().Button()->geometry().left());
    }

    // The typed text picks the entry that equals it in any letter case.
    void pickEditStoresTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("item");
        QTest::newRow("exact") << "一班" << 0;
        QTest::newRow("other case") << "class c" << 2;
        QTest::newRow("no such entry") << "三班" << -1;
    }
    void pickEditStoresTyped()
    {
        QFETCH(QString, typed);
        QFETCH(int, item);
        Fixture f(1);
        QVERIFY(f.grid.Open(1, 1, emEntering));
        f.grid.Host().ForwardText(typed);
        QTest::keyClick(f.grid.Input(), Qt::Key_Return);
        QCOMPARE(f.list->ItemIndex(), item);
        QCOMPARE(f.list->Items().size(), size_t(3));  // the list itself is left alone
    }

    // Choosing from the dropped-down list with the mouse.
    void choosesFromList_data()
    {
        QTest::addColumn<int>("editor");
        QTest::newRow("pick edit") << 1;
        QTest::newRow("combo box") << 2;
    }
    void choosesFromList()
    {
        QFETCH(int, editor);
        Fixture f(editor, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QVERIFY(f.grid.Open(1, 1, emEditing));
        TXLButton* button = f.grid.Host().Button();
        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
        QAbstractItemView* view = f.Pick()->view();
        QTRY_VERIFY(view->isVisible());
        QVERIFY(f.Pick()->DropDownOpen());
        // A list that opened under the mouse ignores a release that comes too soon.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QPoint third(8, view->visualRect(view->model()->index(2, 0)).center().y());
        QTest::mouseMove(view->viewport(), third);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, third);
        QTRY_VERIFY(!view->isVisible());
        QVERIFY(f.grid.Host().IsOpen());
        QCOMPARE(f.Pick()->currentText(), QStringLiteral("Class C"));
        QTest::keyClick(f.grid.Input(), Qt::Key_Return);
        QCOMPARE(f.list->ItemIndex(), 2);
    }

    // Down in editing mode moves through the list; Esc leaves the item alone.
    void keysInList()
    {
        Fixture f(2, 0);
        QVERIFY(f.grid.Open(1, 1, emEditing));
        QTest::keyClick(f.grid.Input(), Qt::Key_Down);
        QCOMPARE(f.Pick()->currentIndex(), 1);
        QTest::keyClick(f.grid.Input(), Qt::Key_Escape);
        QCOMPARE(f.list->ItemIndex(), 0);
        QVERIFY(f.grid.Open(1, 1, emEditing));
        QTest::keyClick(f.grid.Input(), Qt::Key_Down);
        QTest::keyClick(f.grid.Input(), Qt::Key_Tab);
        QCOMPARE(f.list->ItemIndex(), 1);
    }

    // Esc in the open list closes only the list; Esc in the editor then
    // closes the editor without storing.
    void escapeInList_data()
    {
        QTest::addColumn<int>("editor");
        QTest::newRow("pick edit") << 1;
        QTest::newRow("combo box") << 2;
    }
    void escapeInList()
    {
        QFETCH(int, editor);
        Fixture f(editor, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QVERIFY(f.grid.Open(1, 1, emEditing));
        QTest::keyClick(f.grid.Input(), Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView* view = f.Pick()->view();
        QTRY_VERIFY(view->isVisible());
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Escape);
        QTRY_VERIFY(!view->isVisible());
        QVERIFY(f.grid.Host().IsOpen());
        QCOMPARE(f.grid.Keys, (std::vector<int>{Qt::Key_Alt, Qt::Key_Down}));  // the list's keys are its own
        QTest::keyClick(f.grid.Input(), Qt::Key_Escape);
        QVERIFY(!f.grid.Host().IsOpen());
        QCOMPARE(f.list->ItemIndex(), 0);
    }

    // A text cell in the pick edit: its text, an empty list, no button.
    void textCell()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell& cell = grid.CellAt(0, 0);
        cell.SetAsString("张三");
        QVERIFY(grid.Open(0, 0, emEditing));
        auto* pick = qobject_cast<TXLPickEdit*>(grid.Host().Editor()->Widget());
        QVERIFY(pick);
        QCOMPARE(pick->count(), 0);
        QCOMPARE(pick->currentText(), QStringLiteral("张三"));
        QCOMPARE(grid.Host().Button()->Style(), esNormal);
        QCOMPARE(qobject_cast<QLineEdit*>(grid.Input())->cursorPosition(), 2);
        xlgridui::testing::TypeChars(grid.Input(), QStringLiteral("丰"));
        QTest::keyClick(grid.Input(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(cell.AsString()), QStringLiteral("张三丰"));
    }
};

QTEST_MAIN(TestXLPickEdit)
#include "xlpickedit_test.moc"
