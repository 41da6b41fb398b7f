// The designer's imports and workbook exports as commands: their dialogs,
// messages and what reaches the sheet and the file.

#include "designertest.h"
#include "scripteddialogs.h"

#include "xlgridui/xldesignerio.h"

#include "xlgrid/range.h"
#include "xlgrid/sheetstream.h"
#include "xlio/sheetexport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TScriptedDialogs;
using xlgridui::testing::CellText;
using xlgridui::testing::DumpWorkbook;
using xlgridui::testing::WriteFile;

class DesignerIoTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void CsvImportKeepsTheFirstLinesWidth()
    {
        QTemporaryDir dir;
        const QString csv = WriteFile(dir, "roster.csv", "高一年级名单,\n姓名,性别\n张三,男,多余\n李四\n,\n\n");
        TScriptedDialogs dialogs;
        TXLDesignerFiles files;
        TXLSheet sheet;
        sheet.SetText(3, 3, "old");
        dialogs.Files.push_back(csv);
        QVERIFY(RunCsvImport(nullptr, sheet, files));
        QCOMPARE(dialogs.Requests.back().Filters, QStringList{"CSV 文件(*.csv)"});
        QCOMPARE(files.OpenFolder, dir.path());
        QCOMPARE(sheet.ColCount(), 2);
        QCOMPARE(sheet.RowCount(), 4);  // the blank lines at the end go
        QCOMPARE(CellText(sheet, 0, 0), std::string("高一年级名单"));
        QCOMPARE(CellText(sheet, 1, 2), std::string("男"));
        QCOMPARE(CellText(sheet, 0, 3), std::string("李四"));
        QCOMPARE(CellText(sheet, 1, -1), std::string("B"));
        QCOMPARE(VarToStr(sheet.Values(-1, 3)), std::string("4"));
        QCOMPARE(sheet.Sizes(-1, sCols), 30);
    }

    void CancelChangesNothing()
    {
        TScriptedDialogs dialogs;
        TXLDesignerFiles files;
        TXLSheet sheet;
        sheet.SetText(0, 0, "keep");
        const std::string before = SaveSheetToString(sheet);
        QVERIFY(!RunCsvImport(nullptr, sheet, files));
        QVERIFY(!RunExcelImport(nullptr, sheet, files));
        QCOMPARE(dialogs.Requests.back().Filters, QStringList{"Excel 文件(*.xls *.xlsx)"});
        QVERIFY(SaveSheetToString(sheet) == before);
        QVERIFY(dialogs.Messages.empty());
    }

    void ExcelImportFailureSaysWhy()
    {
        QTemporaryDir dir;
        const QString bad = WriteFile(dir, "broken.xlsx", "this is no workbook");
        TScriptedDialogs dialogs;
        TXLDesignerFiles files;
        TXLSheet sheet;
        sheet.SetText(0, 0, "keep");
        const std::string before = SaveSheetToString(sheet);
        dialogs.Files.push_back(bad);
        QVERIFY(!RunExcelImport(nullptr, sheet, files));
        QCOMPARE(dialogs.Messages.size(), size_t(1));
        const QString text = dialogs.Messages[0].Text;
        QVERIFY2(text.contains("broken.xlsx"), qPrintable(text));
        QVERIFY(text.endsWith("\nExcel文件导入错误，可以将数据源文件另存为CSV格式后导入。"));
        QVERIFY(!text.contains("Office"));
        QVERIFY(SaveSheetToString(sheet) == before);
    }

    void WorkbookRoundTrip()
    {
        // A workbook written by the quick export comes back through the import.
        QTemporaryDir dir;
        TXLSheet source;
        source.SetColCount(3);
        source.SetRowCount(3);
        source.SetText(0, 0, "名单");
        source.SetText(0, 1, "姓名");
        source.SetText(1, 1, "分数");
        source.SetText(0, 2, "张三");
        source.SetValues(1, 2, Variant(95.5));
        const QString xlsx = dir.filePath("roster.xlsx");
        xlio::ExportSheetQuick(xlsx.toStdString(), source);
        TScriptedDialogs dialogs;
        TXLDesignerFiles files;
        TXLSheet sheet;
        dialogs.Files.push_back(xlsx);
        QVERIFY(RunExcelImport(nullptr, sheet, files));
        QCOMPARE(sheet.ColCount(), 2);  // the blank third column is trimmed
        QCOMPARE(sheet.RowCount(), 3);
        QCOMPARE(CellText(sheet, 1, 2), std::string("95.5"));
        QVERIFY(&sheet.FindCell(1, 2)->CellClass() == &TXLCString::Class());
    }

    void ExportsWriteAndOpen_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("formatted") << int(ekFormatted);
        QTest::newRow("quick") << int(ekQuick);
    }
    void ExportsWriteAndOpen()
    {
        QFETCH(int, kind);
        QTemporaryDir dir;
        TXLSheet sheet;
        sheet.SetTitle("高一(3)班");
        sheet.SetColCount(3);
        sheet.SetRowCount(2);
        sheet.SetText(0, 0, "高一(3)班名单");
        sheet.SetText(0, 1, "张三");
        sheet.SetValues(1, 1, Variant(88));
        sheet.SetSizes(0, sRows, 40);
        TXLSelection(sheet, skClient, {0, 0, 3, 1}).Merge();
        TScriptedDialogs dialogs;
        TXLDesignerFiles files;
        files.ExportFolder = dir.path();
        QUrl opened;
        files.OpenUrl = [&opened](const QUrl& url) {
            opened = url;
            return true;
        };
        // Cancelled: nothing written, nothing said.
        QVERIFY(RunWorkbookExport(nullptr, sheet, TXLExportKind(kind), files).isEmpty());
        const TXLFileRequest& asked = dialogs.Requests.back();
        QCOMPARE(asked.Folder, dir.path());
        QCOMPARE(asked.FileName, dir.filePath("高一(3)班.xlsx"));
        QCOMPARE(asked.DefaultSuffix, QString("xlsx"));
        QVERIFY(dialogs.Messages.empty());

        const QString target = dir.filePath("out");
        dialogs.Files.push_back(target);
        // The export lets pending events run: meanwhile the sheet is read-only.
        bool readOnlyMeanwhile = false;
        QTimer::singleShot(0, [&]() { readOnlyMeanwhile = sheet.ReadOnly(); });
        const QString written = RunWorkbookExport(nullptr, sheet, TXLExportKind(kind), files);
        QVERIFY(readOnlyMeanwhile);
        QCOMPARE(written, target + ".xlsx");
        QCOMPARE(opened, QUrl::fromLocalFile(written));
        QVERIFY(!sheet.ReadOnly());
        const QString dump = DumpWorkbook(written);
        QVERIFY2(dump.contains("Sheet1!merged=A1:C1"), qPrintable(dump));
        QVERIFY2(dump.contains("Sheet1!rowheight:1=30"), qPrintable(dump));
        QVERIFY2(dump.contains("Sheet1!A2=张三"), qPrintable(dump));
        QVERIFY2(dump.contains("Sheet1!B2=88|"), qPrintable(dump));
        if (kind == ekQuick)
            QVERIFY2(dump.contains("宋体,9"), qPrintable(dump));

        // Without a program to open it, the message says where it is.
        files.OpenUrl = [](const QUrl&) { return false; };
        dialogs.Files.push_back(dir.filePath("again.xlsx"));
        RunWorkbookExport(nullptr, sheet, TXLExportKind(kind), files);
        QVERIFY(dialogs.Texts().back().contains("again.xlsx"));
    }

    void ExportFailureLeavesTheSheetEditable()
    {
        QTemporaryDir dir;
        TXLSheet sheet;
        sheet.SetColCount(16385);
        sheet.SetRowCount(1);
        TScriptedDialogs dialogs;
        TXLDesignerFiles files;
        files.OpenUrl = [](const QUrl&) { return true; };
        dialogs.Files.push_back(dir.filePath("wide.xlsx"));
        bool readOnlyMeanwhile = false;
        QTimer::singleShot(0, [&]() { readOnlyMeanwhile = sheet.ReadOnly(); });
        QVERIFY(RunWorkbookExport(nullptr, sheet, ekFormatted, files).isEmpty());
        QVERIFY(readOnlyMeanwhile);
        QVERIFY(dialogs.Texts().back().contains("The maximum number of columns (16384) has been reached"));
        QVERIFY(!sheet.ReadOnly());
        QVERIFY(!QFile::exists(dir.filePath("wide.xlsx")));
    }

    void FileNamesFromTitles_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "高一(3)班" << "高一(3)班.xlsx";
        QTest::newRow("slashes and colons") << "a/b:c*d" << "a_b_c_d.xlsx";
        QTest::newRow("empty") << "" << "工作表.xlsx";
        QTest::newRow("dots only") << ".." << "工作表.xlsx";
    }
    void FileNamesFromTitles()
    {
        QFETCH(QString, title);
        QFETCH(QString, name);
        QCOMPARE(ExportFileName(title), name);
    }
};

QTEST_MAIN(DesignerIoTest)
#include "xldesignerio_test.moc"
