// The number editor: what it shows, what it lets in, how it steps, what it
// stores, and the references that grid clicks put into a formula.

#include "xleditstandin.h"

#include "xlgridui/xlnumedit.h"

#include "xlgrid/sheet.h"

#include <QInputMethodEvent>
#include <QLocale>
#include <QtTest>

#include <clocale>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TStandInGrid;

namespace {

const TXLCellClass& NumberClass(const QString& name)
{
    if (name == "integer")
        return TXLCInteger::Class();
    if (name == "currency")
        return TXLCCurrency::Class();
    if (name == "formula")
        return TXLCFormula::Class();
    return TXLCDouble::Class();
}

struct Fixture {
    TXLSheet sheet;
    TStandInGrid grid{sheet};
    TXLCell* cell = nullptr;

    Fixture(const QString& cls, const QString& format, const QString& value, int col = 2, int row = 2)
    {
        cell = sheet.SetCellClass(col, row, NumberClass(cls));
        cell->SetFormat(format.toStdString());
        if (!value.isEmpty())
            cell->SetAsString(value.toStdString());
    }
    TXLNumEdit* Edit() { return static_cast<TXLNumEdit*>(grid.Host().Editor()); }
    QString Text() { return Edit()->text(); }
};

}  // namespace

class TestXLNumEdit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsAndReadsFormat_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("integerOnly");
        QTest::addColumn<double>("step");
        QTest::addColumn<bool>("spinner");
        QTest::newRow("integer, no format") << "integer" << "" << "12" << "12" << true << 1.0 << false;
        QTest::newRow("double, no format") << "double" << "" << "1.5" << "1.5" << false << 1.0 << false;
        QTest::newRow("0.00 steps by 0.01") << "double" << "0.00" << "1.5" << "1.50" << false << 0.01 << false;
        QTest::newRow("grouping, spinner") << "double" << "#,##0.00|s" << "1234.5" << "1,234.50" << false << 0.01
                                           << true;
        QTest::newRow("percent edits unscaled") << "double" << "0.##%" << "0.256" << "0.256" << false << 0.0001
                                                << false;
        QTest::newRow("0 is integer-only") << "double" << "0|S" << "2.6" << "3" << true << 1.0 << true;
        QTest::newRow("editing format") << "double" << "0.00|0.0" << "1.25" << "1.3" << false << 0.1 << false;
        QTest::newRow("editing format with spinner") << "double" << "0|s0.000" << "2" << "2.000" << false << 0.001
                                                     << true;
        QTest::newRow("currency picture") << "currency" << "$# ##0.00" << "1234.5" << "1234.50" << false << 0.01
                                          << false;
        QTest::newRow("only the first section") << "double" << "0.0;(0.000)" << "-2" << "-2.0" << false << 0.1
                                                << false;
        QTest::newRow("exponent digits are no places") << "double" << "0.00E+00" << "1500" << "1.50E+03" << false
                                                       << 0.01 << false;
        QTest::newRow("formula option letters are no format") << "formula" << "0|c" << "=2.5*2" << "5" << true
                                                              << 1.0 << false;
        QTest::newRow("formula without F shows the number") << "formula" << "0.00" << "=1+2" << "3.00" << false
                                                            << 0.01 << false;
        QTest::newRow("formula with F shows the formula") << "formula" << "0.00|F" << "=A1+1" << "=A1+1" << false
                                                          << 0.01 << false;
        QTest::newRow("formula with f and s") << "formula" << "0|fs" << "=1+2" << "=1+2" << true << 1.0 << true;
    }
    void showsAndReadsFormat()
    {
        QFETCH(QString, cls);
        QFETCH(QString, format);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        QFETCH(bool, integerOnly);
        QFETCH(double, step);
        QFETCH(bool, spinner);
        Fixture f(cls, format, value);
        QVERIFY(f.grid.Open(2, 2, emEditing));
        QCOMPARE(f.Text(), shown);
        QVERIFY(!f.Edit()->isModified());
        QCOMPARE(f.Edit()->cursorPosition(), static_cast<int>(shown.size()));
        QCOMPARE(f.Edit()->NumFormat().IntegerOnly, integerOnly);
        QCOMPARE(f.Edit()->NumFormat().Step, step);
        QCOMPARE(f.grid.Host().Button()->Style(), spinner ? esSpinner : esNormal);
    }

    // Typing into a cell: the first character comes from the grid (the
    // whole text is replaced), the rest are real key presses.
    void typingFilter_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a letter into an integer does nothing") << "integer" << "" << "1a2" << "12";
        QTest::newRow("minus and plus always") << "integer" << "" << "-+5-" << "-+5-";
        QTest::newRow("no decimal in an integer") << "integer" << "" << "1.5" << "15";
        QTest::newRow("a second decimal separator refused") << "double" << "" << "1.5.2" << "1.52";
        QTest::newRow("0.00 refuses a second separator") << "double" << "0.00" << "3.1.4" << "3.14";
        QTest::newRow("format 0 is integer-only") << "double" << "0" << "1.5" << "15";
        QTest::newRow("exponent") << "double" << "" << "2e3" << "2e3";
        QTest::newRow("no exponent after a separator") << "double" << "" << "1.5E3" << "1.53";
        QTest::newRow("space and letters refused") << "double" << "" << "1 x2" << "12";
        QTest::newRow("no formula without F") << "double" << "" << "=1+2" << "1+2";
        QTest::newRow("with F the = opens a formula") << "double" << "|F" << "=a1*(b2+1)" << "=a1*(b2+1)";
        QTest::newRow("with F but no = still filtered") << "double" << "|F" << "1x=y" << "1=y";
        QTest::newRow("a second = accepted in a formula") << "double" << "|F" << "=1=1" << "=1=1";
    }
    void typingFilter()
    {
        QFETCH(QString, cls);
        QFETCH(QString, format);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Fixture f(cls, format, "987");
        QVERIFY(f.grid.Open(2, 2, emEntering));
        f.grid.Host().ForwardText(typed.left(1));
        QTest::keyClicks(f.grid.Input(), typed.mid(1));
        QCOMPARE(f.Text(), shown);
    }

    // The filter looks at the text without its selected part.
    void selectionMakesRoom()
    {
        Fixture f("double", "0.00", "1.25");
        QVERIFY(f.grid.Open(2, 2, emEditing));
        QTest::keyClick(f.grid.Input(), Qt::Key_Period);
        QCOMPARE(f.Text(), QStringLiteral("1.25"));
        f.Edit()->setSelection(1, 1);  // the "."
        QTest::keyClick(f.grid.Input(), Qt::Key_Period);
        QCOMPARE(f.Text(), QStringLiteral("1.25"));
        f.Edit()->setSelection(1, 2);  // ".2" -> "."
        QTest::keyClicks(f.grid.Input(), ".7");
        QCOMPARE(f.Text(), QStringLiteral("1.75"));
    }

    // Chinese input methods commit full-width digits and the ideographic full stop.
    void inputMethodDigits()
    {
        Fixture f("double", "", "0");
        QVERIFY(f.grid.Open(2, 2, emEntering));
        f.Edit()->selectAll();
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("１２。５。６元"));
        QCoreApplication::sendEvent(f.grid.Input(), &commit);
        QCOMPARE(f.Text(), QStringLiteral("12.56"));
        QTest::keyClick(f.grid.Input(), Qt::Key_Return);
        QCOMPARE(f.cell->AsFloat(), 12.56);
    }

    void stepping_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("ups");  // negative: that many steps down
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("stored");
        QTest::newRow("integer up") << "integer" << "" << "5" << 1 << "6" << 6.0;
        QTest::newRow("integer down twice") << "integer" << "0|s" << "5" << -2 << "3" << 3.0;
        QTest::newRow("0.00 up") << "double" << "0.00" << "1.5" << 1 << "1.51" << 1.51;
        QTest::newRow("0.00 down through zero") << "double" << "0.00" << "0.01" << -2 << "-0.01" << -0.01;
        QTest::newRow("integer-only rounds") << "double" << "0" << "2.4" << 1 << "3" << 3.0;
        QTest::newRow("percent by 0.0001") << "double" << "0.00%" << "0.5" << 3 << "0.5003" << 0.5003;
        QTest::newRow("formula steps its value") << "formula" << "0|F" << "=2+3" << 1 << "6" << 6.0;
    }
    void stepping()
    {
        QFETCH(QString, cls);
        QFETCH(QString, format);
        QFETCH(QString, value);
        QFETCH(int, ups);
        QFETCH(QString, shown);
        QFETCH(double, stored);
        // By Shift+Up/Down, and by the spinner's halves.
        for (bool spinner : {false, true}) {
            Fixture f(cls, format, value);
            QVERIFY(f.grid.Open(2, 2, emEntering));
            for (int i = 0; i < std::abs(ups); ++i) {
                if (spinner)
                    f.grid.Host().Editor()->ButtonClick(ups < 0);
                else
                    QTest::keyClick(f.grid.Input(), ups > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::ShiftModifier);
            }
            QVERIFY(f.grid.Host().IsOpen());  // Shift+arrows stay in the editor
            QCOMPARE(f.Text(), shown);
            QVERIFY(f.Edit()->isModified());
            QTest::keyClick(f.grid.Input(), Qt::Key_Return);
            QCOMPARE(f.cell->AsFloat(), stored);
            QVERIFY(&f.cell->CellClass() == &NumberClass(cls));
        }
    }

    void storing_data()
    {
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("typed");  // empty: nothing typed
        QTest::addColumn<QString>("asString");
        QTest::newRow("unmodified keeps every digit") << "double" << "0.00" << "1.23456" << "" << "1.23456";
        QTest::newRow("a typed number") << "double" << "0.00" << "1" << "2.5" << "2.5";
        QTest::newRow("empty gives 0") << "double" << "" << "4" << "\b" << "0";
        QTest::newRow("integer cell rounds") << "integer" << "" << "1" << "-17" << "-17";
        QTest::newRow("grouping dropped") << "double" << "#,##0" << "1234" << "" << "1234";
        QTest::newRow("malformed keeps the old value") << "double" << "" << "8" << "1-2" << "8";
        QTest::newRow("formula into a formula cell") << "formula" << "0|F" << "5" << "=2*3+1" << "=2*3+1";
        QTest::newRow("formula into a double cell gives its value") << "double" << "|F" << "1" << "=2*3+1" << "7";
        QTest::newRow("failing formula keeps the old value") << "double" << "|F" << "1" << "=2*" << "1";
        QTest::newRow("number into a formula cell drops the formula") << "formula" << "0|F" << "=1+1" << "9"
                                                                      << "9";
    }
    void storing()
    {
        QFETCH(QString, cls);
        QFETCH(QString, format);
        QFETCH(QString, value);
        QFETCH(QString, typed);
        QFETCH(QString, asString);
        Fixture f(cls, format, value);
        QVERIFY(f.grid.Open(2, 2, typed.isEmpty() ? emEditing : emEntering));
        if (!typed.isEmpty()) {
            f.grid.Host().ForwardText(typed.left(1));
            QTest::keyClicks(f.grid.Input(), typed.mid(1));
        }
        QTest::keyClick(f.grid.Input(), Qt::Key_Return);
        QVERIFY(!f.grid.Host().IsOpen());
        QCOMPARE(QString::fromStdString(f.cell->AsString()), asString);
    }

    // Clicking grid cells while a formula is typed puts in their names.
    void clickInsertsReferences()
    {
        Fixture f("formula", "0|F", "=A1+1");
        f.sheet.SetColCount(5);
        f.sheet.SetRowCount(5);
        QVERIFY(f.grid.Open(2, 2, emEditing));
        QCOMPARE(f.Text(), QStringLiteral("=A1+1"));
        QVERIFY(f.grid.Host().ForwardsClicks());
        QTest::keyClick(f.grid.Input(), Qt::Key_Backspace);
        QVERIFY(f.grid.Host().GridClick(1, 1));
        QCOMPARE(f.Text(), QStringLiteral("=A1+B2"));
        // A second click with no key between replaces the reference.
        QVERIFY(f.grid.Host().GridClick(f.grid.CellAt(2, 0)));
        QCOMPARE(f.Text(), QStringLiteral("=A1+C1"));
        QTest::keyClick(f.grid.Input(), Qt::Key_Asterisk);
        QTest::keyClick(f.grid.Input(), Qt::Key_ParenLeft);
        // An open parenthesis does not stop the test evaluation.
        QVERIFY(f.grid.Host().GridClick(1, 1));
        QCOMPARE(f.Text(), QStringLiteral("=A1+C1*(B2"));
        // Any key forgets the reference: the next one is put at the caret.
        QTest::keyClick(f.grid.Input(), Qt::Key_Minus);
        QVERIFY(f.grid.Host().GridClick(0, 3));
        QCOMPARE(f.Text(), QStringLiteral("=A1+C1*(B2-A4"));
        // A selection is replaced.
        f.Edit()->setSelection(1, 2);
        QVERIFY(f.grid.Host().GridClick(4, 4));
        QCOMPARE(f.Text(), QStringLiteral("=E5+C1*(B2-A4"));
        QTest::keyClick(f.grid.Input(), Qt::Key_End);
        QTest::keyClick(f.grid.Input(), Qt::Key_ParenRight);
        QTest::keyClick(f.grid.Input(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(f.cell->AsString()), QStringLiteral("=E5+C1*(B2-A4)"));
    }

    void clickRefused_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("forwards");
        QTest::newRow("after a number") << "|F" << "=5" << 1 << 1 << true;
        QTest::newRow("not a formula") << "|F" << "12" << 1 << 1 << false;
        QTest::newRow("no F option") << "" << "12" << 1 << 1 << false;
        QTest::newRow("outside the sheet's body") << "|F" << "=1+" << 1 << 40 << true;
        QTest::newRow("a title cell has no name") << "|F" << "=1+" << -1 << 0 << true;
    }
    void clickRefused()
    {
        QFETCH(QString, format);
        QFETCH(QString, typed);
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(bool, forwards);
        Fixture f("double", format, "0");
        QVERIFY(f.grid.Open(2, 2, emEntering));
        f.grid.Host().ForwardText(typed.left(1));
        QTest::keyClicks(f.grid.Input(), typed.mid(1));
        QCOMPARE(f.grid.Host().ForwardsClicks(), forwards);
        QVERIFY(!f.grid.Host().GridClick(col, row));
        QCOMPARE(f.Text(), typed);
    }

    // Stored numbers do not depend on the process or Qt locale: typing
    // follows the program's own decimal separator.
    void localeIndependent()
    {
        QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8");  // when installed; harmless otherwise
        Fixture f("double", "0.00", "2.5");
        QVERIFY(f.grid.Open(2, 2, emEntering));
        QCOMPARE(f.Text(), QStringLiteral("2.50"));
        f.grid.Host().ForwardText("1");
        QTest::keyClicks(f.grid.Input(), ",.25");
        QCOMPARE(f.Text(), QStringLiteral("1.25"));
        QTest::keyClick(f.grid.Input(), Qt::Key_Return);
        QCOMPARE(f.cell->AsFloat(), 1.25);
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(saved);
    }
};

QTEST_MAIN(TestXLNumEdit)
#include "xlnumedit_test.moc"
