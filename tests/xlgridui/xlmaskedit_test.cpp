// The text editor: the sheet's edit masks as Qt input masks, typing into a
// mask, and the text that goes back into the cell.

#include "xleditstandin.h"

#include "xlgridui/xlmaskedit.h"

#include "xlgrid/sheet.h"

#include <QtTest>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TStandInGrid;

class TestXLMaskEdit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void translatesMask_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("qt");
        QTest::addColumn<QString>("literals");  // one letter per position: L literal, . field
        QTest::addColumn<bool>("save");
        QTest::newRow("digits and a dash") << "000-0000" << "999-9999;_" << "...L...." << true;
        QTest::newRow("optional digits") << "(999) 000" << "(000) 999;_" << "L...LL..." << true;
        QTest::newRow("letters") << "LLll" << "AAaa;_" << "...." << true;
        QTest::newRow("letters or digits, any") << "AaCc#" << "NnXx#;_" << "....." << true;
        QTest::newRow("case switches take no place") << ">LL<ll<>l" << ">AA<aa!a;_" << "....." << true;
        QTest::newRow("escaped mask letter") << "\\A0" << "\\A9;_" << "L." << true;
        QTest::newRow("Qt mask letters as literals") << "DH-0" << "\\D\\H-9;_" << "LLL." << true;
        QTest::newRow("date separators, ! ignored") << "!99/99/0000;1;_" << "00-00-9999;_" << "..L..L...." << true;
        QTest::newRow("time separator") << "00:00" << "99:99;_" << "..L.." << true;
        QTest::newRow("blank and no literals saved") << "cc_c;0;*" << "xx x;*" << "..L." << false;
        QTest::newRow("only one field") << "00;0" << "99;_" << ".." << false;
        QTest::newRow("Chinese literal") << "第00号" << "第99号;_" << "L..L" << true;
        QTest::newRow("no mask") << "" << "" << "" << true;
        QTest::newRow("only case switches") << "><" << "" << "" << true;
    }
    void translatesMask()
    {
        QFETCH(QString, mask);
        QFETCH(QString, qt);
        QFETCH(QString, literals);
        QFETCH(bool, save);
        TXLQtMask m = ToQtMask(mask.toStdString());
        QCOMPARE(m.Mask, qt);
        QString shown;
        for (bool literal : m.Literal)
            shown += literal ? QLatin1Char('L') : QLatin1Char('.');
        QCOMPARE(shown, literals);
        QCOMPARE(m.SaveLiterals, save);
    }

    void typesIntoMask_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("phone number") << "000-0000" << "1234567" << "123-4567";
        QTest::newRow("without literals") << "000-0000;0;_" << "1234567" << "1234567";
        QTest::newRow("digits only where digits go") << "000" << "1a2b3" << "123";
        QTest::newRow("letters only where letters go") << "LL" << "1ab" << "ab";
        QTest::newRow("a Chinese name fills letters") << "LLL" << "张三丰" << "张三丰";
        QTest::newRow("upper case") << ">LL" << "ab" << "AB";
        QTest::newRow("nothing typed stores nothing") << "000-0000" << "" << "";
    }
    void typesIntoMask()
    {
        QFETCH(QString, mask);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell& cell = grid.CellAt(0, 0);
        cell.SetEditor(2);
        cell.SetFormat(mask.toStdString());
        QVERIFY(grid.Open(0, 0, emEditing));
        auto* edit = qobject_cast<TXLMaskEdit*>(grid.Input());
        QVERIFY(edit);
        QCOMPARE(edit->cursorPosition(), 0);  // a mask starts at its first place
        xlgridui::testing::TypeChars(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(QString::fromStdString(cell.AsString()), stored);
    }

    // A masked cell opens on its shown text; without a mask the caret goes to the end.
    void loadsText()
    {
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell& masked = grid.CellAt(0, 0);
        masked.SetEditor(2);
        masked.SetFormat("000-0000;0;_");
        masked.SetAsString("1234567");
        QVERIFY(grid.Open(0, 0, emEditing));
        auto* edit = qobject_cast<QLineEdit*>(grid.Input());
        QCOMPARE(edit->text(), QStringLiteral("123-4567"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(QString::fromStdString(masked.AsString()), QStringLiteral("1234567"));  // unchanged
        TXLCell& plain = grid.CellAt(1, 0);
        plain.SetEditor(2);
        plain.SetAsString("班主任");
        QVERIFY(grid.Open(1, 0, emEditing));
        QVERIFY(edit->inputMask().isEmpty());
        QCOMPARE(edit->cursorPosition(), 3);
    }

    // With a mask, Left at the first place and Right after the last do not
    // run against the ends (a one-character selection stays).
    void caretStaysInMask_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("kept");
        QTest::newRow("left at the start") << "000" << int(Qt::Key_Left) << 0 << true;
        QTest::newRow("right at the end") << "000" << int(Qt::Key_Right) << 2 << true;
        QTest::newRow("left inside moves") << "000" << int(Qt::Key_Left) << 1 << false;
        QTest::newRow("no mask: left moves") << "" << int(Qt::Key_Left) << 0 << false;
    }
    void caretStaysInMask()
    {
        QFETCH(QString, mask);
        QFETCH(int, key);
        QFETCH(int, start);
        QFETCH(bool, kept);
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        TXLCell& cell = grid.CellAt(0, 0);
        cell.SetEditor(2);
        cell.SetFormat(mask.toStdString());
        cell.SetAsString("123");
        QVERIFY(grid.Open(0, 0, emEditing));
        auto* edit = qobject_cast<QLineEdit*>(grid.Input());
        if (key == Qt::Key_Right)
            edit->setSelection(start, 1);
        else
            edit->setSelection(start + 1, -1);
        QTest::keyClick(edit, static_cast<Qt::Key>(key));
        QCOMPARE(edit->hasSelectedText(), kept);
        QVERIFY(grid.Host().IsOpen());
    }
};

QTEST_MAIN(TestXLMaskEdit)
#include "xlmaskedit_test.moc"
