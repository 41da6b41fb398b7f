// The main window walked as a teacher walks it: start, data editing with the
// sample roster, parameters, compute, the tabs and the overview, the search,
// the exports read back, a copy of a class sheet in the designer, clear; and
// the window's edge cases as a table.

#include "apptestutil.h"

#include "app/bgframe.h"
#include "app/browse.h"
#include "app/progressform.h"
#include "app/setparamsform.h"
#include "xlgrid/cell.h"
#include "xlgridui/grid.h"
#include "xlgridui/xldesigner.h"
#include "xlgrid/variant.h"
#include "xlio/csvreader.h"
#include "xlio/sheetfiles.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTabBar>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using apptest::TWindowFixture;

namespace {

// Clicks a tab with the mouse.
void ClickTab(QTabBar* tabs, int index)
{
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    QCOMPARE(tabs->currentIndex(), index);
}

void Type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    apptest::TypeText(box, text);
}

QString CellText(const xlgrid::TXLSheet& sheet, int col, int row)
{
    const xlgrid::TXLCell* c = sheet.FindCell(col, row);
    return c ? QString::fromStdString(c->AsString()) : QString();
}

// The sample roster brought in, 12 classes 高一, numbered with the prefix 2026, computed.
void Divided(TWindowFixture& f)
{
    f.EditWith(apptest::SampleRoster());
    f.SetParams(12, QStringLiteral("高一"), true, QStringLiteral("2026"), false);
    f.Window().ac_Compute->trigger();
    QVERIFY(f.Window().CurrentDivision);
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUp()
    {
        TWindowFixture f;
        app::TfrmMain& w = f.Window();
        QVERIFY(w.windowTitle().contains(QStringLiteral("1.3.2")));
        QVERIFY(w.windowTitle().endsWith(QString::number(QDate::currentDate().year())));
        struct {
            const char* Name;
            const char* Caption;
            bool Enabled;
        } const buttons[] = {{"btnCompute", "开始分班", false}, {"btnEdit", "数据编辑", true},
                             {"btnSetParams", "参数设置", true}, {"btnSeats", "座位表格", false},
                             {"btnExportAll", "一键输出", false}, {"btnClear", "清除表格", false},
                             {"btnClearText", "清除文本", false}};
        for (const auto& b : buttons) {
            auto* button = w.ToolBar->findChild<QToolButton*>(QLatin1String(b.Name));
            QVERIFY2(button, b.Name);
            QCOMPARE(button->text(), QString::fromUtf8(b.Caption));
            QCOMPARE(button->isEnabled(), b.Enabled);
        }
        QCOMPARE(w.ToolButton(w.ac_ClearText)->toolTip(), QStringLiteral("清除文本"));
        QVERIFY(!w.txtSearch->isEnabled());
        QCOMPARE(w.mnuExportExcel->text(), QStringLiteral("输出Excel文件"));
        QCOMPARE(w.mnuExportCSV->text(), QStringLiteral("输出CSV文件"));
        QCOMPARE(w.ToolButton(w.ac_ExportAll)->popupMode(), QToolButton::InstantPopup);
        QVERIFY(!w.TabsVisible());
        QVERIFY(w.Background->isVisible());
        QCOMPARE(w.tcInfo->shape(), QTabBar::RoundedSouth);
        QCOMPARE(w.Sheet.Title(), std::string("表格"));
        QCOMPARE(w.Sheet.Sizes(-1, xlgrid::sCols), 28);
        QCOMPARE(w.Sheet.ColDefWidth(), 100);
        QCOMPARE(w.Sheet.RowDefHeight(), 20);
        // The window covers the work area.
        QCOMPARE(w.frameGeometry(), w.screen()->availableGeometry());
        // The process formats.
        QVERIFY(app::ApplyDateFormats());
        double day = 0;
        QVERIFY(xlgrid::TryEncodeDate(2012, 9, 1, day));
        QCOMPARE(xlgrid::DateTimeToStr(day), std::string("2012-09-01"));
    }

    void backgroundFrame_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("even") << 800 << 600;
        QTest::newRow("odd height") << 801 << 301;
        QTest::newRow("smaller than the picture") << 100 << 51;
    }

    void backgroundFrame()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QWidget host;
        app::TfrmBackground frame(&host);
        frame.SetPicture(QPixmap(QStringLiteral(":/fenban/picture.png")));
        frame.resize(width, height);
        host.show();
        QCOMPARE(frame.TopPanel()->geometry(), QRect(0, 0, width, height / 2));
        QCOMPARE(frame.BottomPanel()->geometry(), QRect(0, height / 2, width, height - height / 2));
        QCOMPARE(frame.Picture()->size(), QSize(128, 128));
        QCOMPARE(frame.Picture()->pos(), QPoint((width - 128) / 2, (height - 128) / 2));
        QVERIFY(!frame.Picture()->pixmap().isNull());
        // The panels' colours at their edges: the top runs light to darker blue.
        const QImage image = frame.grab().toImage();
        if (width > 130) {  // else the picture covers the edges
            QCOMPARE(image.pixelColor(1, 0), QColor(0xF0, 0xF8, 0xFF));
            QCOMPARE(image.pixelColor(0, height / 2), QColor(0xBB, 0xDD, 0xFF));
        }
    }

    void settingsLoadedOnShowSavedOnClose()
    {
        TWindowFixture f;
        f.WriteConfig({"[Global]", "ClassPrefix=旧", "Other=kept"});
        f.Window().close();
        // Shown before the file existed: the defaults are written back, other keys stay.
        QCOMPARE(f.ConfigLines(),
                 (QStringList{"[Global]", "ClassPrefix=", "Other=kept", "ClassCount=1", "CreateStudentID=False",
                              "StudentIDPrefix=", "SexPrefix=False", "SortFieldName=", "SortFieldType=",
                              "CreateSeats=True", "GroupCount=1", "SeatSex=True", "Balanced=False"}));
    }

    void road()
    {
        TWindowFixture f;
        app::TfrmMain& w = f.Window();

        // One grid shows every sheet.
        QCOMPARE(int(w.findChildren<xlgridui::TXLGrid*>().size()), 1);

        // Data editing opens the designer over the window on the roster
        // itself; its CSV import brings the sample roster in; it is closed.
        const xlgrid::TXLSheet* designed = nullptr;
        f.DesignerSteps.push_back([&](xlgridui::TXLSheetDesigner& d) {
            designed = d.Sheet();
            QCOMPARE(d.Grid()->Sheet(), &w.Sheet);
            f.Import(apptest::SampleRoster())(d);
            QCOMPARE(d.Grid()->Sheet()->RowCount(), 602);
        });
        QTest::mouseClick(w.ToolButton(w.ac_Edit), Qt::LeftButton);
        QCOMPARE(int(f.DesignerVisits.size()), 1);
        QCOMPARE(designed, &w.Sheet);
        QVERIFY(f.DesignerVisits[0].Modal);
        QCOMPARE(f.DesignerVisits[0].Bounds, w.frameGeometry());
        QVERIFY(!apptest::OpenDesigner());
        QCOMPARE(w.Sheet.RowCount(), 602);
        QCOMPARE(w.Grid->Sheet(), &w.Sheet);
        QVERIFY(w.TabsVisible());
        QVERIFY(w.ac_Compute->isEnabled());
        QVERIFY(w.ac_Clear->isEnabled());
        QVERIFY(!w.ac_ExportAll->isEnabled());

        f.SetParams(12, QStringLiteral("高一"), true, QStringLiteral("2026"), false);
        QTest::mouseClick(w.ToolButton(w.ac_Compute), Qt::LeftButton);
        QVERIFY(w.CurrentDivision);
        QVERIFY(f.Dialogs.Messages.empty());

        // The tabs, the overview selected, the progress at ClassCount + 2.
        QStringList tabs{"数据源", "全年级"};
        for (int i = 1; i <= 12; ++i)
            tabs << QStringLiteral("高一(%1)班").arg(i);
        tabs << QStringLiteral("分班情况");
        QCOMPARE(apptest::TabCaptions(*w.tcInfo), tabs);
        QCOMPARE(w.tcInfo->currentIndex(), 14);
        QCOMPARE(w.ProgressDialog->Position(), 14);
        QCOMPARE(w.ProgressDialog->Maximum(), 14);
        QVERIFY(!w.ProgressDialog->isVisible());
        QCOMPARE(w.Grid->Sheet(), w.ResultSheets.back().Sheet.get());
        QVERIFY(!w.txtSearch->isEnabled());
        QVERIFY(w.ac_ExportAll->isEnabled());
        QVERIFY(!w.ac_Seats->isEnabled());
        QVERIFY(w.ac_Compute->isEnabled() && w.ac_Edit->isEnabled() && w.ac_Clear->isEnabled());

        // The overview: headers, 12 class rows and the grade row, 600 students.
        const xlgrid::TXLSheet& overview = *w.ResultSheets.back().Sheet;
        QCOMPARE(overview.Title(), std::string("分班情况"));
        QCOMPARE(overview.Name(), std::string("Sheet13"));
        QCOMPARE(CellText(overview, 0, -1), QStringLiteral("班别"));
        QCOMPARE(CellText(overview, 1, -1), QStringLiteral("总人数"));
        QCOMPARE(CellText(overview, 4, -1), QStringLiteral("总分"));
        QCOMPARE(CellText(overview, 0, 0), QStringLiteral("高一(1)班"));
        QCOMPARE(CellText(overview, 0, 12), QStringLiteral("全年级"));
        QCOMPARE(CellText(overview, 1, 12), QStringLiteral("600"));
        int sum = 0;
        for (int r = 0; r < 12; ++r)
            sum += CellText(overview, 1, r).toInt();
        QCOMPARE(sum, 600);

        // A class tab: search by one character, then two, then by number.
        ClickTab(w.tcInfo, 4);  // 高一(3)班
        QVERIFY(w.txtSearch->isEnabled());
        QVERIFY(w.ac_ClearText->isEnabled());
        QCOMPARE(w.Grid->Row(), 0);
        QCOMPARE(w.Grid->Col(), 0);
        const xlgrid::TXLSheet& cls = *w.ResultSheets[3].Sheet;
        const int nameCol = w.Columns.NameCol, idCol = w.Columns.IDCol;
        // The expected rows, found by a plain walk of the sheet.
        auto firstRow = [&](int col, const QString& key) {
            for (int r = 0; r < cls.RowCount(); ++r)
                if (CellText(cls, col, r).contains(key))
                    return r;
            return -1;
        };
        const QString name = CellText(cls, nameCol, 5);
        const QString one = name.left(1), two = name.left(2);
        Type(w.txtSearch, one);
        QCOMPARE(w.Grid->Row(), firstRow(nameCol, one));
        QCOMPARE(w.Grid->Col(), nameCol);
        QVERIFY(!w.Grid->SelectionHidden());
        const xlgrid::TXLRect found{nameCol, firstRow(nameCol, one), nameCol + 1, firstRow(nameCol, one) + 1};
        QCOMPARE(w.Grid->Selection()->Rect(), found);
        // The same student found again after the box was cleared shows again.
        w.ac_ClearText->trigger();
        QVERIFY(w.Grid->SelectionHidden());
        Type(w.txtSearch, one);
        QVERIFY(!w.Grid->SelectionHidden());
        QCOMPARE(w.Grid->Selection()->Rect(), found);
        Type(w.txtSearch, name.mid(1, 1));
        QCOMPARE(w.txtSearch->text(), two);
        QCOMPARE(w.Grid->Row(), firstRow(nameCol, two));
        w.ac_ClearText->trigger();
        QVERIFY(w.txtSearch->text().isEmpty());
        QVERIFY(w.Grid->SelectionHidden());
        const QString number = CellText(cls, idCol, 7);
        Type(w.txtSearch, QStringLiteral("  ") + number + QStringLiteral(" "));
        QCOMPARE(w.Grid->Row(), 7);
        QCOMPARE(w.Grid->Col(), idCol);
        // The generated student number with its prefix is on the class sheet.
        QVERIFY(CellText(cls, cls.ColCount() - 1, 0).startsWith(QStringLiteral("2026")));
        QCOMPARE(CellText(cls, cls.ColCount() - 1, -1), QStringLiteral("学号"));
        // The grid is read-only: typing into it opens no editor and changes nothing.
        const std::string before7 = CellText(cls, nameCol, 7).toStdString();
        w.Grid->setFocus();
        QTest::keyClick(w.Grid, 'x');
        QTest::keyClick(w.Grid, Qt::Key_F2);
        QTest::keyClick(w.Grid, Qt::Key_Return);
        QCOMPARE(w.Grid->EditMode(), xlgridui::emNone);
        QCOMPARE(CellText(cls, nameCol, 7).toStdString(), before7);
        // Switching tabs empties the box and puts the cursor on the first cell.
        ClickTab(w.tcInfo, 1);
        QVERIFY(w.txtSearch->text().isEmpty());
        QCOMPARE(w.Grid->Row(), 0);
        QCOMPARE(w.Grid->Col(), 0);
        ClickTab(w.tcInfo, 0);
        QVERIFY(!w.txtSearch->isEnabled());
        QVERIFY(!w.ac_ExportAll->isEnabled());
        ClickTab(w.tcInfo, 4);

        // CSV export: only *.csv goes from Temp; the files read back; the folder opened.
        QDir().mkpath(f.TempFolder());
        QFile keep(f.TempFolder() + QStringLiteral("/notes.txt"));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();
        QFile old(f.TempFolder() + QStringLiteral("/old.csv"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        w.mnuExportCSV->trigger();
        QVERIFY(QFile::exists(keep.fileName()));
        QVERIFY(!QFile::exists(old.fileName()));
        QCOMPARE(int(f.Opened.size()), 1);
        QCOMPARE(f.Opened.back().toLocalFile(), f.TempFolder());
        QStringList csv = QDir(f.TempFolder()).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
        QCOMPARE(csv.size(), 15);
        const xlio::Table ov = xlio::ReadCsvFile((f.TempFolder() + QStringLiteral("/分班情况.csv")).toStdString());
        QVERIFY(QString::fromStdString(ov[0][0]).startsWith(QStringLiteral("分班情况        ")));
        QCOMPARE(ov[2][0], std::string("班别"));
        QCOMPARE(ov[15][0], std::string("全年级"));
        QCOMPARE(ov[15][1], std::string("600"));
        const xlio::Table c3 = xlio::ReadCsvFile((f.TempFolder() + QStringLiteral("/高一(3)班.csv")).toStdString());
        QCOMPARE(c3[0][0], std::string("高一(3)班"));
        QCOMPARE(int(c3.size()), cls.RowCount() + 3);

        // Excel export: the question, the workbook in Temp, opened; read back.
        f.Dialogs.Messages.clear();
        w.mnuExportExcel->trigger();
        QCOMPARE(int(f.Dialogs.Messages.size()), 1);
        QCOMPARE(f.Dialogs.Messages[0].Text, QStringLiteral("报表创建过程请耐心等候，开始输出？"));
        const QString book = w.LastWorkbook();
        QVERIFY(book.startsWith(f.TempFolder() + QStringLiteral("/分班结果_")));
        QVERIFY(QFile::exists(book));
        QCOMPARE(f.Opened.back().toLocalFile(), book);
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(FENBAN_TEST_DATA "/dump-workbook.py"), book});
        QVERIFY(python.waitForFinished(60000));
        const QString dump = QString::fromUtf8(python.readAllStandardOutput());
        QVERIFY2(python.exitCode() == 0, qPrintable(QString::fromUtf8(python.readAllStandardError())));
        QStringList names{"数据源", "全年级"};
        for (int i = 1; i <= 12; ++i)
            names << QStringLiteral("高一(%1)班").arg(i);
        names << QStringLiteral("分班情况");
        QVERIFY(dump.startsWith(QStringLiteral("sheets=") + names.join(QLatin1Char(','))));
        QVERIFY(dump.contains(QStringLiteral("分班情况!A3=高一(1)班")));
        // A second export never writes over the first workbook.
        f.Dialogs.Messages.clear();
        w.mnuExportExcel->trigger();
        QVERIFY(w.LastWorkbook() != book);
        QVERIFY(QFile::exists(book));

        // A copy of the class sheet laid out as a roster, changed in the
        // designer, then thrown away.
        const apptest::TRows before = apptest::SheetTexts(cls);
        f.DesignerSteps.push_back([&](xlgridui::TXLSheetDesigner& d) {
            QVERIFY(d.Sheet() != &cls);
            d.Grid()->SetCurCell({nameCol, 3});
            d.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&d));
            QTest::keyClick(d.Grid(), 'x');
            QApplication::processEvents();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(CellText(*d.Sheet(), nameCol, 3), QStringLiteral("x"));
        });
        QTest::mouseClick(w.ToolButton(w.ac_Edit), Qt::LeftButton);
        QCOMPARE(int(f.DesignerVisits.size()), 2);
        const auto& visit = f.DesignerVisits.back();
        QCOMPARE(visit.Name, std::string("TempSheet"));
        QCOMPARE(visit.Texts[0][0], std::string("高一(3)班"));
        QCOMPARE(visit.MergedWidth, cls.ColCount());
        QCOMPARE(visit.Texts[1][std::size_t(nameCol)], std::string("姓名"));
        QCOMPARE(visit.Texts[2], before[0]);
        QCOMPARE(visit.Texts[3][std::size_t(nameCol)], std::string("x"));
        QCOMPARE(int(visit.Texts.size()), cls.RowCount() + 2);
        QVERIFY(w.CurrentDivision);
        QCOMPARE(w.tcInfo->currentIndex(), 4);
        QCOMPARE(apptest::SheetTexts(*w.ResultSheets[3].Sheet), before);
        QCOMPARE(w.Grid->Sheet(), w.ResultSheets[3].Sheet.get());

        // Clear: back to the start-up state for results and roster.
        QTest::mouseClick(w.ToolButton(w.ac_Clear), Qt::LeftButton);
        QVERIFY(!w.TabsVisible());
        QVERIFY(!w.CurrentDivision);
        QVERIFY(w.ResultSheets.empty());
        QCOMPARE(w.tcInfo->count(), 0);
        QCOMPARE(w.Sheet.RowCount(), 0);
        QCOMPARE(w.Sheet.ColCount(), 0);
        for (QAction* a : {w.ac_Compute, w.ac_ExportAll, w.ac_Seats, w.ac_Clear, w.ac_ClearText})
            QVERIFY(!a->isEnabled());
        QVERIFY(!w.txtSearch->isEnabled());
        QVERIFY(w.ac_Edit->isEnabled());
    }

    void searchRules_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::newRow("one character: first name containing it") << "张" << 1 << 1;
        QTest::newRow("two characters start again from the top") << "张伟" << 3 << 1;
        QTest::newRow("a number found in its column") << "0007" << 2 << 0;
        QTest::newRow("a number in an earlier row beats a later name") << "9" << 0 << 0;
        QTest::newRow("in one row the name wins over the number") << "李" << 0 << 1;
        QTest::newRow("blanks around the key") << "  张伟 " << 3 << 1;
        QTest::newRow("case as written") << "ab" << -1 << -1;
        QTest::newRow("nothing") << "赵" << -1 << -1;
        QTest::newRow("a rare character outside the BMP") << "𠀀" << 4 << 1;
        QTest::newRow("half of a surrogate pair matches nothing") << QString(QChar(0xD840)) << -1 << -1;
    }

    void searchRules()
    {
        QFETCH(QString, key);
        QFETCH(int, row);
        QFETCH(int, col);
        xlgrid::TXLSheet sheet;
        apptest::FillRoster(sheet, {{"0009", "李AB", "男"},
                                    {"0001", "张三", "男"},
                                    {"0007", "王张", "女"},
                                    {"0002", "张伟", "男"},
                                    {"0003", "𠀀一", "女"}});
        const auto found = app::TStudentSearch(sheet, 1, 0).Find(key);
        QCOMPARE(found ? found->Row : -1, row);
        QCOMPARE(found ? found->Col : -1, col);
    }

    void edgeCases_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("search on the overview and data source does nothing") << "search-disabled-tabs";
        QTest::newRow("a failing check after a success keeps the old tabs, no division") << "check-fails-after";
        QTest::newRow("ClassCount 0 in the file divides into one class") << "class-count-zero";
        QTest::newRow("seat button stays off without CreateSeats") << "seats-off";
        QTest::newRow("seat button on with CreateSeats=True") << "seats-on";
        QTest::newRow("data editing on the data source discards the results") << "edit-discards";
        QTest::newRow("empty roster after editing leaves the buttons") << "edit-empty";
        QTest::newRow("roster without caption is titled 数据源") << "title-default";
        QTest::newRow("overview copy shows its headers and merged title") << "overview-copy";
        QTest::newRow("exports without a division do nothing") << "no-division-export";
        QTest::newRow("a class name Excel refuses offers the CSV export") << "excel-fails";
        QTest::newRow("a roster check failure shows one warning") << "check-warning";
    }

    void edgeCases()
    {
        QFETCH(QString, situation);
        TWindowFixture f;
        app::TfrmMain& w = f.Window();
        if (situation == "search-disabled-tabs") {
            Divided(f);
            w.txtSearch->setEnabled(true);  // the handler checks the tab as well
            Type(w.txtSearch, QStringLiteral("张"));
            QVERIFY(w.Grid->SelectionHidden());
            ClickTab(w.tcInfo, 0);
            QVERIFY(!w.txtSearch->isEnabled());
        } else if (situation == "check-fails-after") {
            Divided(f);
            w.Sheet.SetText(2, 5, "?");  // a sex the check refuses
            w.ac_Compute->trigger();
            QCOMPARE(int(f.Dialogs.Messages.size()), 1);
            QVERIFY(!w.CurrentDivision);
            QCOMPARE(w.tcInfo->count(), 15);
            QCOMPARE(int(w.ResultSheets.size()), 14);
            f.Opened.clear();
            w.mnuExportCSV->trigger();
            w.mnuExportExcel->trigger();
            QVERIFY(f.Opened.empty());
            QCOMPARE(int(f.Dialogs.Messages.size()), 1);
            QVERIFY(w.ac_Compute->isEnabled());
        } else if (situation == "class-count-zero") {
            f.EditWith(apptest::SampleRoster());
            f.WriteConfig({"[Global]", "ClassCount=0", "SortFieldName=总分", "SortFieldType=数值型"});
            w.ac_Compute->trigger();
            QCOMPARE(apptest::TabCaptions(*w.tcInfo),
                     (QStringList{"数据源", "全年级", "(1)班", "分班情况"}));
            QCOMPARE(w.ProgressDialog->Position(), 3);
        } else if (situation == "seats-off" || situation == "seats-on") {
            f.EditWith(apptest::SampleRoster());
            f.WriteConfig({"[Global]", "ClassCount=3", "SortFieldName=总分", "SortFieldType=数值型",
                           situation == "seats-on" ? "CreateSeats=True" : "CreateSeats=False"});
            w.ac_Compute->trigger();
            ClickTab(w.tcInfo, 2);
            QCOMPARE(w.ac_Seats->isEnabled(), situation == "seats-on");
            w.ac_Seats->trigger();  // does nothing
            QCOMPARE(w.tcInfo->count(), 6);
        } else if (situation == "edit-discards") {
            Divided(f);
            ClickTab(w.tcInfo, 0);
            w.ac_Edit->trigger();
            QVERIFY(f.Dialogs.Messages.empty());
            QVERIFY(!w.CurrentDivision);
            QCOMPARE(w.tcInfo->count(), 0);
            QCOMPARE(f.DesignerVisits.back().Texts.size(), std::size_t(602));
            QVERIFY(w.ac_Compute->isEnabled());
        } else if (situation == "edit-empty") {
            Divided(f);
            ClickTab(w.tcInfo, 0);
            w.ac_Clear->trigger();
            w.ac_Edit->trigger();  // the designer leaves the roster empty
            QVERIFY(!w.TabsVisible());
            QVERIFY(!w.ac_Compute->isEnabled());
        } else if (situation == "title-default") {
            apptest::FillRoster(w.Sheet, {{"", "", ""}, {"考号", "姓名", "性别"}, {"1", "张三", "男"}});
            w.ac_Edit->trigger();
            QCOMPARE(w.Sheet.Title(), std::string("数据源"));
            apptest::FillRoster(w.Sheet, {{"初三名单", "", ""}, {"考号", "姓名", "性别"}, {"1", "张三", "男"}});
            w.ac_Edit->trigger();
            QCOMPARE(w.Sheet.Title(), std::string("初三名单"));
        } else if (situation == "overview-copy") {
            Divided(f);
            w.ac_Edit->trigger();
            const auto& v = f.DesignerVisits.back();
            QCOMPARE(v.Texts[0][0], std::string("分班情况"));
            QCOMPARE(v.MergedWidth, 5);
            QCOMPARE(v.Texts[1], (std::vector<std::string>{"班别", "总人数", "男生人数", "女生人数", "总分"}));
        } else if (situation == "no-division-export") {
            w.ac_Output->trigger();
            w.ExportCSV();
            QVERIFY(f.Dialogs.Messages.empty());
            QVERIFY(!QDir(f.TempFolder()).exists());
        } else if (situation == "excel-fails") {
            f.EditWith(apptest::SampleRoster());
            f.WriteConfig({"[Global]", "ClassCount=2", "ClassPrefix=高/一", "SortFieldName=总分", "SortFieldType=数值型"});
            w.ac_Compute->trigger();
            f.Dialogs.Answers = {QMessageBox::Yes, QMessageBox::No};
            w.mnuExportExcel->trigger();
            QCOMPARE(int(f.Dialogs.Messages.size()), 2);
            QVERIFY(f.Dialogs.Messages[1].Text.endsWith(QStringLiteral("\n尝试清空Temp文件夹并以CSV格式输出？")));
            QVERIFY(f.Opened.empty());
            QVERIFY(QDir(f.TempFolder()).entryList({QStringLiteral("*.xlsx")}, QDir::Files).isEmpty());
            // Yes runs the CSV export, whose failure names the locked-file advice.
            f.Dialogs.Answers = {QMessageBox::Yes, QMessageBox::Yes};
            w.mnuExportExcel->trigger();
            QCOMPARE(int(f.Dialogs.Messages.size()), 5);
            QVERIFY(f.Dialogs.Messages[4].Text.endsWith(QStringLiteral("\n文件锁定请关闭相关的CSV文件再重新输出。")));
            QVERIFY(w.isEnabled() && w.ToolBar->isEnabled());
        } else if (situation == "check-warning") {
            apptest::FillRoster(w.Sheet, {{"名单", "", ""}, {"考号", "姓名", "性别"}, {"1", "", "男"}, {"2", "李四", "x"}});
            w.ac_Edit->trigger();
            w.ac_Compute->trigger();
            QCOMPARE(int(f.Dialogs.Messages.size()), 1);
            QCOMPARE(f.Dialogs.Messages[0].Kind, xlgridui::mkWarning);
            QVERIFY(f.Dialogs.Messages[0].Text.contains(QStringLiteral("B3:姓名不能为空\nC4:性别出错")));
            QVERIFY(!w.CurrentDivision);
            QCOMPARE(w.tcInfo->count(), 0);
            QVERIFY(w.ac_Compute->isEnabled() && w.ac_Edit->isEnabled() && w.ac_Clear->isEnabled());
        }
    }

    void balancedDivision_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("cyclic: no report, tabs as always") << "cyclic";
        QTest::newRow("balanced switched on in the dialog: the report beside the overview") << "balanced";
        QTest::newRow("balanced with a 调整 column it cannot meet: a warning, no division") << "refused";
    }

    void balancedDivision()
    {
        QFETCH(QString, mode);
        TWindowFixture f;
        app::TfrmMain& w = f.Window();
        if (mode == "refused") {
            apptest::FillRoster(w.Sheet, {{"名单", "", "", "", ""},
                                          {"考号", "姓名", "性别", "总分", "调整"},
                                          {"1", "张三", "男", "300", "9"},
                                          {"2", "李四", "女", "280", ""},
                                          {"3", "王五", "男", "260", ""},
                                          {"4", "赵六", "女", "240", ""}});
            f.DesignerSteps.push_back({});
            w.ac_Edit->trigger();
        } else {
            f.EditWith(apptest::SampleRoster());
        }
        bool ran = false;
        QTimer::singleShot(0, [&] {
            app::TfrmSetParams* d = w.frmSetParams;
            QCOMPARE(d->chkBalanced->text(), QStringLiteral("均衡分班"));
            QVERIFY(!d->chkBalanced->isChecked());
            d->txtClassNumber->setValue(mode == "refused" ? 2 : 12);
            d->selClassPrefix->setEditText(QStringLiteral("高一"));
            if (mode != "cyclic")
                QTest::mouseClick(d->chkBalanced, Qt::LeftButton, {}, QPoint(4, d->chkBalanced->height() / 2));
            QTest::mouseClick(d->btnOK, Qt::LeftButton);
            ran = true;
        });
        w.ac_SetParams->trigger();
        QVERIFY(ran);
        QCOMPARE(f.ConfigLines().last(), mode == "cyclic" ? QStringLiteral("Balanced=False") : QStringLiteral("Balanced=True"));
        QTest::mouseClick(w.ToolButton(w.ac_Compute), Qt::LeftButton);

        if (mode == "refused") {
            QCOMPARE(int(f.Dialogs.Messages.size()), 1);
            QCOMPARE(f.Dialogs.Messages[0].Kind, xlgridui::mkWarning);
            QCOMPARE(f.Dialogs.Messages[0].Text, QStringLiteral("E3:调整列的班号9超出范围（1～2）"));
            QVERIFY(!w.CurrentDivision);
            QCOMPARE(w.tcInfo->count(), 0);
            QVERIFY(w.BalanceReportText().isEmpty());
            QVERIFY(!w.BalanceReport->isVisible());
            QVERIFY(w.ac_Compute->isEnabled() && w.ac_Edit->isEnabled() && w.ac_Clear->isEnabled());
            QVERIFY(!w.ac_ExportAll->isEnabled());
            return;
        }
        QVERIFY(f.Dialogs.Messages.empty());
        QStringList tabs{"数据源", "全年级"};
        for (int i = 1; i <= 12; ++i)
            tabs << QStringLiteral("高一(%1)班").arg(i);
        tabs << QStringLiteral("分班情况");
        QCOMPARE(apptest::TabCaptions(*w.tcInfo), tabs);
        QCOMPARE(int(w.ResultSheets.size()), 14);
        QCOMPARE(w.tcInfo->currentIndex(), 14);
        const xlgrid::TXLSheet& overview = *w.ResultSheets.back().Sheet;
        if (mode == "cyclic") {
            QVERIFY(w.BalanceReportText().isEmpty());
            QVERIFY(!w.BalanceReport->isVisible());
            QCOMPARE(overview.ColCount(), 5);
            return;
        }
        // The report beside the overview: every balanced column, sizes and sexes, the seed.
        QVERIFY(w.BalanceReport->isVisible());
        const QString report = w.txtBalanceReport->toPlainText();
        QCOMPARE(report, w.BalanceReportText());
        QVERIFY(report.startsWith(QStringLiteral("均衡情况\n")));
        for (const char* column : {"语文：", "数学：", "英语：", "人数 50–50"})
            QVERIFY2(report.contains(QString::fromUtf8(column)), column);
        QVERIFY(report.contains(QStringLiteral("种子 1")));
        QVERIFY(w.Grid->width() > 0 && w.BalanceReport->geometry().left() >= w.Grid->geometry().right());
        // The overview adds the class means; the class sheets hold 50 students each.
        QVERIFY(overview.ColCount() > 5);
        for (int k = 1; k <= 12; ++k)
            QCOMPARE(w.ResultSheets[std::size_t(k)].Sheet->RowCount(), 50);
        // Only on the overview; gone with the results.
        ClickTab(w.tcInfo, 3);
        QVERIFY(!w.BalanceReport->isVisible());
        ClickTab(w.tcInfo, 14);
        QVERIFY(w.BalanceReport->isVisible());
        QTest::mouseClick(w.ToolButton(w.ac_Clear), Qt::LeftButton);
        QVERIFY(w.BalanceReportText().isEmpty());
        QVERIFY(!w.BalanceReport->isVisible());
    }

    void rosterFileKinds_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("read");
        const QString data = QStringLiteral(FENBAN_TEST_DATA);
        QTest::newRow("CSV") << data + "/xls/roster.csv" << true;
        QTest::newRow("legacy workbook") << data + "/xls/roster-libreoffice.xls" << true;
        QTest::newRow("workbook written by our export") << "written.xlsx" << true;
        QTest::newRow("sheet file") << "written.xlf" << true;
        QTest::newRow("damaged sheet file") << data + "/xlf-truncated-cell-block.xlf" << false;
        QTest::newRow("not a roster kind") << data + "/dump-workbook.py" << false;
        QTest::newRow("missing") << "/nonexistent/名单.xlsx" << false;
    }

    // A roster file brought in as the command line and a drop bring it: the
    // designer's imports by kind; a file that cannot be read changes nothing.
    void rosterFileKinds()
    {
        QFETCH(QString, file);
        QFETCH(bool, read);
        TWindowFixture f;
        app::TfrmMain& w = f.Window();
        const QString csv = QStringLiteral(FENBAN_TEST_DATA "/xls/roster.csv");
        if (file.startsWith(QLatin1String("written."))) {
            xlgrid::TXLSheet sheet;
            QString error;
            QVERIFY2(app::ImportRosterFile(sheet, csv, error), qPrintable(error));
            file = f.TempFolder() + QStringLiteral("/") + file;
            QDir().mkpath(f.TempFolder());
            xlio::SaveSheet(sheet, file.toStdString());
        }
        apptest::FillRoster(w.Sheet, {{"旧名单", "", ""}, {"考号", "姓名", "性别"}, {"1", "张三", "男"}});
        w.ac_Edit->trigger();  // the designer opens and closes on it
        const apptest::TRows before = apptest::SheetTexts(w.Sheet);
        QCOMPARE(w.BringRosterIn(file, false), read);
        if (!read) {
            QCOMPARE(apptest::SheetTexts(w.Sheet), before);
            QCOMPARE(int(f.Dialogs.Messages.size()), 1);
            QVERIFY(f.Dialogs.Messages[0].Text.contains(file));
            return;
        }
        QVERIFY(f.Dialogs.Messages.empty());
        const xlio::Table expected = xlio::ReadCsvFile(csv.toStdString());
        QCOMPARE(w.Sheet.RowCount(), int(expected.size()));
        QCOMPARE(CellText(w.Sheet, 0, 0), QStringLiteral("高一新生名单"));
        QCOMPARE(CellText(w.Sheet, 1, 1), QStringLiteral("姓名"));
        QCOMPARE(CellText(w.Sheet, 1, 2), QString::fromStdString(expected[2][1]));
        QCOMPARE(w.Sheet.Title(), std::string("高一新生名单"));
        QVERIFY(w.ac_Compute->isEnabled());
    }

    void dropAsksWhenResultsShown()
    {
        TWindowFixture f;
        app::TfrmMain& w = f.Window();
        Divided(f);
        auto drop = [&] {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(apptest::SampleRoster())});
            // The window's own handlers, as the platform's drag and drop calls them.
            QObject& target = w;
            QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
            target.event(&enter);
            QVERIFY(enter.isAccepted());
            QDropEvent event(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
            target.event(&event);
        };
        f.Dialogs.Answers = {QMessageBox::No};
        drop();
        QCOMPARE(int(f.Dialogs.Messages.size()), 1);
        QVERIFY(w.CurrentDivision);
        f.Dialogs.Answers = {QMessageBox::Yes};
        drop();
        QVERIFY(!w.CurrentDivision);
        QCOMPARE(w.Sheet.RowCount(), 602);
        QCOMPARE(w.Sheet.ColDefWidth(), 100);  // still the roster sheet's look
        QCOMPARE(w.Grid->Sheet(), &w.Sheet);
        QVERIFY(w.ac_Compute->isEnabled());
        // A file that cannot be read changes nothing and says why.
        QVERIFY(!w.BringRosterIn(QStringLiteral("/nonexistent/名单.csv"), false));
        QCOMPARE(w.Sheet.RowCount(), 602);
        QVERIFY(f.Dialogs.Messages.back().Text.contains(QStringLiteral("名单.csv")));
    }
};

QTEST_MAIN(TestMainWindow)
#include "mainwindow_test.moc"
