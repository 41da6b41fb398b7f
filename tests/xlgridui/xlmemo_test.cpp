// The memo: lines in, lines out with CR LF, and its height following the text.

#include "xleditstandin.h"

#include "xlgridui/xlmemo.h"

#include "xlgrid/sheet.h"

#include <QtTest>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TStandInGrid;

class TestXLMemo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadAndStore_data()
    {
        QTest::addColumn<bool>("list");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("typed");  // appended at the end; "\n" is a new line
        QTest::addColumn<QString>("stored");
        QTest::newRow("text, one line") << false << "abc" << "abc" << "d" << "abcd\r\n";
        QTest::newRow("text, CR LF lines") << false << "a\r\nb" << "a\nb" << "" << "a\r\nb\r\n";
        QTest::newRow("text, lone LF and CR") << false << "a\nb\rc" << "a\nb\nc" << "" << "a\r\nb\r\nc\r\n";
        QTest::newRow("text, closing break ends the line") << false << "a\r\n" << "a" << "" << "a\r\n";
        QTest::newRow("text, empty line kept") << false << "a\r\n\r\nb" << "a\n\nb" << "" << "a\r\n\r\nb\r\n";
        QTest::newRow("text, a typed new line") << false << "甲" << "甲" << "\n乙" << "甲\r\n乙\r\n";
        QTest::newRow("text, empty") << false << "" << "" << "" << "";
        QTest::newRow("list lines") << true << "男\r\n女\r\n" << "男\n女" << "\n未知" << "男\r\n女\r\n未知\r\n";
    }
    void loadAndStore()
    {
        QFETCH(bool, list);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TXLSheet sheet;
        TStandInGrid grid(sheet);
        grid.TakeKeys = false;  // Enter goes into the memo here
        TXLCell* cell = sheet.SetCellClass(0, 0, list ? TXLCStrings::Class() : TXLCString::Class());
        cell->SetEditor(list ? 0 : 1);
        cell->SetAsString(value.toStdString());
        QVERIFY(grid.Open(0, 0, emEditing));
        auto* memo = qobject_cast<TXLMemo*>(grid.Host().Editor()->Widget());
        QVERIFY(memo);
        QCOMPARE(memo->toPlainText(), shown);
        QCOMPARE(memo->textCursor().position(), static_cast<int>(shown.size()));
        for (QChar c : typed) {
            if (c == QLatin1Char('\n'))
                QTest::keyClick(memo, Qt::Key_Return);
            else
                xlgridui::testing::TypeChars(memo, QString(c));
        }
        grid.Host().Close(true);
        QCOMPARE(QString::fromStdString(cell->AsString()), stored);
    }

    // The memo grows with its lines inside a tall host, never beyond it.
    void heightFollowsText()
    {
        TXLSheet sheet;
        sheet.SetRowDefHeight(120);
        TStandInGrid grid(sheet);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        TXLCell& cell = grid.CellAt(0, 0);
        cell.SetEditor(1);
        cell.SetAsString("one");
        QVERIFY(grid.Open(0, 0, emEditing));
        QWidget* memo = grid.Host().Editor()->Widget();
        int one = memo->height();
        QVERIFY(one < grid.Host().height());
        grid.TakeKeys = false;
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, "two");
        QVERIFY(memo->height() > one);
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(memo, Qt::Key_Return);
        QCOMPARE(memo->height(), grid.Host().ContentRect().height());
        // Bottom alignment puts a short memo at the bottom of the host.
        grid.Host().Close(false);
        cell.SetVertAlign(vaBottom);
        QVERIFY(grid.Open(0, 0, emEditing));
        QCOMPARE(memo->geometry().bottom(), grid.Host().ContentRect().bottom());
    }
};

QTEST_MAIN(TestXLMemo)
#include "xlmemo_test.moc"
