// The date and time editor: reading typed dates by the cell's picture, the
// t and d options, and the drop-down calendar.

#include "xleditstandin.h"

#include "xlgridui/xldatetimeedit.h"

#include "xlgrid/sheet.h"
#include "xlgrid/variant.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QTableView>
#include <QtTest>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TStandInGrid;

namespace {

double Date(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0)
{
    double date = 0, time = 0;
    TryEncodeDate(y, m, d, date);
    TryEncodeTime(hh, nn, ss, 0, time);
    return date + time;
}

struct Fixture {
    TXLSheet sheet;
    TStandInGrid grid{sheet};
    TXLCell* cell;

    Fixture(const QString& format, const QString& value)
    {
        cell = sheet.SetCellClass(1, 1, TXLCDateTime::Class());
        cell->SetFormat(format.toStdString());
        if (!value.isEmpty())
            cell->SetAsString(value.toStdString());
        grid.show();
    }
    TXLDateTimeEdit* Edit() { return static_cast<TXLDateTimeEdit*>(grid.Host().Editor()); }
};

// Clicks a day of the calendar's shown month with the mouse.
bool ClickDay(QCalendarWidget* calendar, int day)
{
    auto* view = calendar->findChild<QTableView*>();
    if (!view)
        return false;
    QAbstractItemModel* model = view->model();
    for (int r = 1; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c) {
            QModelIndex index = model->index(r, c);
            if (model->data(index).toInt() == day) {
                QRect cellRect = view->visualRect(index);
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cellRect.center());
                return true;
            }
        }
    return false;
}

}  // namespace

class TestXLDateTimeEdit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsByPicture_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("fallback");
        QTest::addColumn<double>("expected");  // -1: unreadable
        QTest::newRow("program format") << "yyyy-mm-dd" << "2024-03-05" << 0.0 << Date(2024, 3, 5);
        QTest::newRow("day first") << "DD/MM/YYYY" << "05-03-2024" << 0.0 << Date(2024, 3, 5);
        QTest::newRow("any separators") << "DD/MM/YYYY" << "5/3/2024" << 0.0 << Date(2024, 3, 5);
        QTest::newRow("Chinese date") << "yyyy-mm-dd" << "2024年3月5日" << 0.0 << Date(2024, 3, 5);
        QTest::newRow("full-width digits") << "yyyy-mm-dd" << "２０２４-３-５" << 0.0 << Date(2024, 3, 5);
        QTest::newRow("two-digit year 24") << "DD/MM/YY" << "05-03-24" << 0.0 << Date(2024, 3, 5);
        QTest::newRow("two-digit year 99") << "DD/MM/YY" << "05-03-99" << 0.0 << Date(1999, 3, 5);
        QTest::newRow("no year: the old one") << "DD/MM" << "5-3" << Date(2020, 1, 1) << Date(2020, 3, 5);
        QTest::newRow("no day: the first") << "MM/YYYY" << "3-2024" << 0.0 << Date(2024, 3, 1);
        QTest::newRow("date and time") << "DD/MM/YYYY h:nn" << "05-03-2024 14:30" << 0.0
                                       << Date(2024, 3, 5, 14, 30);
        QTest::newRow("time may be left out") << "DD/MM/YYYY h:nn" << "05-03-2024" << 0.0 << Date(2024, 3, 5);
        QTest::newRow("pm") << "h:nn am/pm" << "2:05 pm" << 0.0 << Date(1899, 12, 30, 14, 5);
        QTest::newRow("12 am is midnight") << "h:nn am/pm" << "12:10 am" << 0.0 << Date(1899, 12, 30, 0, 10);
        QTest::newRow("下午") << "h:nn am/pm" << "下午3:00" << 0.0 << Date(1899, 12, 30, 15, 0);
        QTest::newRow("minutes after hours") << "HH:MM:SS" << "10:30:15" << 0.0 << Date(1899, 12, 30, 10, 30, 15);
        QTest::newRow("program format beside another picture") << "DD/MM/YYYY" << "2024-03-05" << 0.0
                                                               << Date(2024, 3, 5);
        QTest::newRow("no 31 February") << "DD/MM/YYYY" << "31-02-2024" << 0.0 << -1.0;
        QTest::newRow("a field left open") << "yyyy-mm-dd" << "2024-03" << 0.0 << -1.0;
        QTest::newRow("too many fields") << "yyyy-mm-dd" << "2024-03-05-07" << 0.0 << -1.0;
        QTest::newRow("words") << "yyyy-mm-dd" << "明天" << 0.0 << -1.0;
        QTest::newRow("empty") << "yyyy-mm-dd" << "  " << 0.0 << -1.0;
        QTest::newRow("month names are not read") << "dd mmm yyyy" << "05 3 2024" << 0.0 << -1.0;
    }
    void readsByPicture()
    {
        QFETCH(QString, picture);
        QFETCH(QString, text);
        QFETCH(double, fallback);
        QFETCH(double, expected);
        std::optional<double> v = ParseDateTimeText(text.toStdString(), picture.toStdString(), fallback);
        if (expected < 0) {
            QVERIFY(!v);
            return;
        }
        QVERIFY(v);
        QCOMPARE(*v, expected);
    }

    void storing_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("typed");  // empty: Enter without typing
        QTest::addColumn<QString>("stored");
        QTest::newRow("d keeps the time") << "yyyy-mm-dd|d" << "2024-03-05 10:30:00" << "2025-01-02"
                                          << "2025-01-02 10:30:00";
        QTest::newRow("D in capitals") << "DD/MM/YYYY|D" << "2024-03-05 10:30:00" << "2/1/2025"
                                       << "2025-01-02 10:30:00";
        QTest::newRow("date and time without d") << "yyyy-mm-dd" << "2024-03-05 10:30:00" << "2025-01-02"
                                                 << "2025-01-02";
        QTest::newRow("t keeps the date") << "hh:nn|t" << "2024-03-05 10:30:00" << "8:15" << "2024-03-05 08:15:00";
        QTest::newRow("t wins over d") << "hh:nn|td" << "2024-03-05 10:30:00" << "8:15" << "2024-03-05 08:15:00";
        QTest::newRow("unreadable keeps the old value") << "yyyy-mm-dd" << "2024-03-05" << "hello" << "2024-03-05";
        QTest::newRow("day first picture") << "DD/MM/YYYY|c" << "2024-03-05" << "6/4/2024" << "2024-04-06";
        QTest::newRow("untouched text keeps the hidden time") << "yyyy-mm-dd" << "2024-03-05 10:30:00" << ""
                                                              << "2024-03-05 10:30:00";
        QTest::newRow("untouched text keeps the seconds") << "h:nn" << "2024-03-05 10:30:45" << ""
                                                          << "2024-03-05 10:30:45";
        QTest::newRow("an empty cell takes a date") << "yyyy-mm-dd" << "" << "2024-09-01" << "2024-09-01";
    }
    void storing()
    {
        QFETCH(QString, format);
        QFETCH(QString, old);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        Fixture f(format, old);
        QVERIFY(f.grid.Open(1, 1, typed.isEmpty() ? emEditing : emEntering));
        if (!typed.isEmpty()) {
            f.grid.Host().ForwardText(typed.left(1));
            QTest::keyClicks(f.grid.Input(), typed.mid(1));
        }
        QTest::keyClick(f.grid.Input(), Qt::Key_Return);
        QVERIFY(!f.grid.Host().IsOpen());
        QCOMPARE(QString::fromStdString(f.cell->AsString()), stored);
    }

    void shownText_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("button");
        QTest::newRow("calendar") << "yyyy-mm-dd|c" << "2024-03-05" << "2024-03-05" << int(esDropDown);
        QTest::newRow("day first") << "DD/MM/YYYY|C" << "2024-03-05" << "05-03-2024" << int(esDropDown);
        QTest::newRow("no calendar for time only") << "hh:nn|tc" << "10:30" << "10:30" << int(esNormal);
        QTest::newRow("no c, no calendar") << "yyyy-mm-dd" << "2024-03-05" << "2024-03-05" << int(esNormal);
        QTest::newRow("first section only") << "yyyy-mm-dd;'none'" << "2024-03-05" << "2024-03-05" << int(esNormal);
        QTest::newRow("an empty cell opens empty") << "DD/MM/YYYY|c" << "" << "" << int(esDropDown);
    }
    void shownText()
    {
        QFETCH(QString, format);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        QFETCH(int, button);
        Fixture f(format, value);
        QVERIFY(f.grid.Open(1, 1, emEditing));
        QCOMPARE(f.Edit()->text(), shown);
        QCOMPARE(f.grid.Host().Button()->Style(), static_cast<TXLEditStyle>(button));
    }

    // The calendar opens at the typed date; a clicked day goes into the
    // editor with the date picture and the panel closes.
    void calendarPicksDay()
    {
        Fixture f("DD/MM/YYYY h:nn|c", "2024-03-05 08:00:00");
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QVERIFY(f.grid.Open(1, 1, emEditing));
        TXLButton* button = f.grid.Host().Button();
        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
        QVERIFY(f.Edit()->DropDownOpen());
        QCalendarWidget* calendar = f.Edit()->Calendar();
        QCOMPARE(calendar->selectedDate(), QDate(2024, 3, 5));
        QCOMPARE(calendar->locale().language(), QLocale::Chinese);
        QVERIFY(ClickDay(calendar, 20));
        QVERIFY(!f.Edit()->DropDownOpen());
        QCOMPARE(f.Edit()->text(), QStringLiteral("20-03-2024 8:00"));
        QTest::keyClick(f.grid.Input(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(f.cell->AsString()), QStringLiteral("2024-03-20 08:00:00"));
    }

    // Esc in the open calendar closes only the calendar; Esc in the editor
    // then closes the editor without storing.
    void escapeInCalendar()
    {
        Fixture f("yyyy-mm-dd|c", "2024-03-05");
        QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
        QVERIFY(f.grid.Open(1, 1, emEditing));
        QTest::keyClicks(f.grid.Input(), "x");
        QTest::keyClick(f.grid.Input(), Qt::Key_Down, Qt::AltModifier);
        QVERIFY(f.Edit()->DropDownOpen());
        // A typed date that cannot be read opens the calendar at the old one.
        QCOMPARE(f.Edit()->Calendar()->selectedDate(), QDate(2024, 3, 5));
        QTest::keyClick(f.Edit()->Calendar()->findChild<QTableView*>(), Qt::Key_Escape);
        QVERIFY(!f.Edit()->DropDownOpen());
        QVERIFY(f.grid.Host().IsOpen());
        QTest::keyClick(f.grid.Input(), Qt::Key_Escape);
        QVERIFY(!f.grid.Host().IsOpen());
        QCOMPARE(QString::fromStdString(f.cell->AsString()), QStringLiteral("2024-03-05"));
    }
};

QTEST_MAIN(TestXLDateTimeEdit)
#include "xldatetimeedit_test.moc"
