// The sheet designer driven as a teacher would: menus and tool bars,
// imports, typing into cells, merging, copy and paste inside and from other
// programs, undo and redo of each, sheet files, the preview, the exports,
// the number prompts and the close question.

#include "designertest.h"
#include "scripteddialogs.h"

#include "xlgridui/grid.h"
#include "xlgridui/xldesigner.h"
#include "xlgridui/xlpreview.h"
#include "xlgridui/xlundo.h"

#include "xlgrid/manager.h"
#include "xlgrid/range.h"
#include "xlgrid/sheetstream.h"
#include "xlio/sheetexport.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <functional>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TScriptedDialogs;
using xlgridui::testing::CellText;
using xlgridui::testing::DumpWorkbook;
using xlgridui::testing::WriteFile;

namespace {

// The designer on a sheet, shown, with the grid focused.
struct Fixture {
    TXLSheet sheet;
    TScriptedDialogs dialogs;
    std::unique_ptr<TXLSheetDesigner> designer;
    QTemporaryDir dir;

    explicit Fixture(TXLDesignerOptions options = {})
    {
        sheet.SetColCount(4);
        sheet.SetRowCount(4);
        sheet.SetName("RosterSheet");
        sheet.SetModified(false);
        options.TempFolder = dir.path();
        designer = std::make_unique<TXLSheetDesigner>(sheet, options);
        designer->Files().OpenUrl = [](const QUrl&) { return true; };
        designer->resize(1000, 700);
        designer->show();
        designer->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(designer.get()));
        designer->Grid()->setFocus();
        QApplication::processEvents();
    }
    TXLGrid& grid() const { return *designer->Grid(); }
    // Runs a command as its menu item would, then lets the step end.
    void Run(const char* name)
    {
        designer->UpdateActions();
        QAction* a = designer->Action(name);
        QVERIFY2(a, name);
        QVERIFY2(a->isEnabled(), name);
        a->trigger();
        QApplication::processEvents();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : designer->Grid();
        QTest::keyClick(target, Qt::Key(key), mods);
        QApplication::processEvents();
    }
    // Each key goes where the focus is: the first opens the cell's editor.
    void Type(const char* text)
    {
        for (const char* c = text; *c; ++c) {
            QTest::keyClick(QApplication::focusWidget(), *c);
            QApplication::processEvents();
        }
    }
    void Select(int col, int row, int right = -1, int bottom = -1)
    {
        grid().SetCurCell({col, row});
        for (int c = col; c < right; ++c)
            QTest::keyClick(&grid(), Qt::Key_Right, Qt::ShiftModifier);
        for (int r = row; r < bottom; ++r)
            QTest::keyClick(&grid(), Qt::Key_Down, Qt::ShiftModifier);
        QApplication::processEvents();
    }
    std::string Stream() const { return SaveSheetToString(sheet); }
};

// Answers the next modal dialog (the number prompt, the margins) from a timer.
void AnswerDialog(std::function<void(QDialog&)> answer)
{
    QTimer::singleShot(0, [answer]() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(*dialog);
    });
}

QString MenuPath(QMenuBar* bar, const QString& path)
{
    // "文件(&F)/打开(&O)..." -> the item's shortcut text, or "missing".
    const QStringList parts = path.split('/');
    QList<QAction*> actions = bar->actions();
    QAction* found = nullptr;
    for (const QString& part : parts) {
        found = nullptr;
        for (QAction* a : actions)
            if (a->text() == part)
                found = a;
        if (!found)
            return "missing";
        if (found->menu())
            actions = found->menu()->actions();
    }
    return found->shortcut().toString();
}

}  // namespace

class DesignerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        TXLManager::Instance().SetPrinter(TXLPrinterMetrics{});
        InstallChineseTranslations(*qApp);
    }

    void Menus_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shortcut");
        QTest::newRow("new") << "文件(&F)/新建(&N)" << "";
        QTest::newRow("open") << "文件(&F)/打开(&O)..." << "Ctrl+O";
        QTest::newRow("save") << "文件(&F)/保存(&S)..." << "Ctrl+S";
        QTest::newRow("excel import") << "文件(&F)/导入 Excel 数据(&I)" << "";
        QTest::newRow("excel export") << "文件(&F)/数据另存 Excel(&X)" << "";
        QTest::newRow("quick export") << "文件(&F)/快速另存 Excel(&Q)" << "";
        QTest::newRow("csv import") << "文件(&F)/导入 CSV 数据(&C)" << "";
        QTest::newRow("page setup") << "文件(&F)/页面设置(&T)..." << "";
        QTest::newRow("margins") << "文件(&F)/页边距(&M)..." << "";
        QTest::newRow("preview") << "文件(&F)/打印预览(&V)..." << "";
        QTest::newRow("print") << "文件(&F)/打印(&P)..." << "";
        QTest::newRow("close") << "文件(&F)/关闭(&C)" << "";
        QTest::newRow("undo") << "编辑(&E)/撤销(&Z)" << "Ctrl+Z";
        QTest::newRow("redo") << "编辑(&E)/重做(&Y)" << "Ctrl+Y";
        QTest::newRow("cut") << "编辑(&E)/剪切(&U)" << "Ctrl+X";
        QTest::newRow("copy") << "编辑(&E)/复制(&C)" << "Ctrl+C";
        QTest::newRow("paste") << "编辑(&E)/粘贴(&P)" << "Ctrl+V";
        QTest::newRow("paste values") << "编辑(&E)/粘贴值(&V)" << "";
        QTest::newRow("delete") << "编辑(&E)/删除(&D)" << "Del";
        QTest::newRow("select all") << "编辑(&E)/全选(&A)" << "Ctrl+A";
        QTest::newRow("clear contents") << "编辑(&E)/清除(&R)/内容(&C)" << "Ctrl+Del";
        QTest::newRow("clear formats") << "编辑(&E)/清除(&R)/格式(&F)" << "";
        QTest::newRow("clear all") << "编辑(&E)/清除(&R)/全部(&A)" << "";
        QTest::newRow("delete rows") << "编辑(&E)/删除行(&X)" << "";
        QTest::newRow("delete columns") << "编辑(&E)/删除列(&Y)" << "";
        QTest::newRow("enter right") << "编辑(&E)/回车方向(&E)/右(&R)" << "";
        QTest::newRow("enter auto") << "编辑(&E)/回车方向(&E)/自动(&A)" << "";
        QTest::newRow("normal view") << "视图(&V)/标准视图(&S)" << "";
        QTest::newRow("page view") << "视图(&V)/分页视图(&P)" << "";
        QTest::newRow("grid lines") << "视图(&V)/网格线(&G)" << "Ctrl+G";
        QTest::newRow("titles") << "视图(&V)/标题(&T)" << "Ctrl+T";
        QTest::newRow("always edit") << "视图(&V)/总是编辑(&E)" << "Ctrl+E";
        QTest::newRow("sizing") << "视图(&V)/调整大小(&S)" << "";
        QTest::newRow("insert rows") << "插入(&I)/行(&R)" << "";
        QTest::newRow("insert columns") << "插入(&I)/列(&C)" << "";
        QTest::newRow("picture") << "插入(&I)/图片(&P)..." << "";
        QTest::newRow("hyperlink") << "插入(&I)/超连接(&L)..." << "";
        QTest::newRow("row height") << "格式(&F)/行(&R)/高度(&H)..." << "";
        QTest::newRow("row autofit") << "格式(&F)/行(&R)/自动适合(&A)" << "";
        QTest::newRow("row default") << "格式(&F)/行(&R)/默认高度(&D)..." << "";
        QTest::newRow("column width") << "格式(&F)/列(&C)/宽度(&W)..." << "";
        QTest::newRow("column hide") << "格式(&F)/列(&C)/隐藏" << "";
        QTest::newRow("column default") << "格式(&F)/列(&C)/默认宽度(&D)..." << "";
        QTest::newRow("row count") << "格式(&F)/表格(&H)/总行数(&R)..." << "";
        QTest::newRow("column count") << "格式(&F)/表格(&H)/总列数(&C)..." << "";
        QTest::newRow("black and white") << "格式(&F)/表格(&H)/黑白模式" << "";
        QTest::newRow("background") << "格式(&F)/表格(&H)/背景(&B)..." << "";
    }
    void Menus()
    {
        QFETCH(QString, path);
        QFETCH(QString, shortcut);
        Fixture f;
        QCOMPARE(f.designer->windowTitle(), QString("表格编辑器"));
        QCOMPARE(MenuPath(f.designer->MenuBar(), path), shortcut);
    }

    void ToolBarsCarryTheirHints()
    {
        Fixture f;
        QStringList standard, formatting, preview;
        for (QAction* a : f.designer->StandardBar()->actions())
            if (!a->isSeparator())
                standard << a->toolTip();
        for (QAction* a : f.designer->FormattingBar()->actions())
            if (!a->isSeparator())
                formatting << a->toolTip();
        for (QAction* a : f.designer->PreviewBar()->actions())
            if (!a->isSeparator())
                preview << a->text();
        for (const char* hint : {"打开", "保存", "导入 Excel 数据", "数据另存 Excel", "导入 CSV 数据", "打印", "打印预览",
                                 "页边距", "剪切", "复制", "粘贴", "撤销", "重做", "无框线", "所有框线", "外侧框线",
                                 "内侧框线", "左框线", "右框线", "上框线", "下框线", "内部竖框线", "内部横框线",
                                 "斜上框线", "斜下框线"})
            QVERIFY2(standard.contains(QString::fromUtf8(hint)), hint);
        for (const char* hint : {"加粗", "倾斜", "下划线", "删除线", "左对齐", "横向居中", "右对齐", "上对齐",
                                 "中部居中", "底端对齐", "合并单元格", "横向合并单元格", "拆分单元格", "黑白模式",
                                 "隐藏单元格", "文本竖排", "辅助标题"})
            QVERIFY2(formatting.contains(QString::fromUtf8(hint)), hint);
        QCOMPARE(preview, (QStringList{"上一页(&B)", "下一页(&N)", "缩放(&Z)", "打印(&P)...", "设置(&S)...",
                                       "页边距(M)...", "关闭(&C)"}));
        QCOMPARE(f.designer->ZoomBox()->currentText(), QString("100%"));
        QCOMPARE(f.designer->FontBox()->FontName(), QString("宋体"));
        QCOMPARE(f.designer->SizeBox()->Value(), 9);
        QVERIFY(f.grid().DesignMode());
    }

    void CsvImportThenUndoRedo()
    {
        Fixture f;
        const QString csv = f.dir.filePath("名单.csv");
        WriteFile(f.dir, "名单.csv", "高一年级名单,,\n姓名,性别,分数\n张三,男,90\n李四,女,85\n");
        const std::string before = f.Stream();
        f.dialogs.Files.push_back(csv);
        f.Run("AFLoadCSVData");
        QCOMPARE(f.sheet.ColCount(), 3);
        QCOMPARE(f.sheet.RowCount(), 4);
        QCOMPARE(CellText(f.sheet, 0, 2), std::string("张三"));
        const std::string after = f.Stream();
        QCOMPARE(f.designer->Undo()->UndoCount(), size_t(1));  // the whole import is one step
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.Stream() == before);
        f.Key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(f.Stream() == after);
    }

    void XlsxImport()
    {
        Fixture f;
        TXLSheet source;
        source.SetColCount(2);
        source.SetRowCount(3);
        source.SetText(0, 0, "名单");
        source.SetText(0, 1, "姓名");
        source.SetText(1, 1, "分数");
        source.SetText(0, 2, "王五");
        source.SetValues(1, 2, Variant(77));
        const QString xlsx = f.dir.filePath("roster.xlsx");
        xlio::ExportSheetQuick(xlsx.toStdString(), source);
        f.dialogs.Files.push_back(xlsx);
        f.Run("AFLoadExcelData");
        QCOMPARE(f.sheet.RowCount(), 3);
        QCOMPARE(CellText(f.sheet, 1, 2), std::string("77"));
        QCOMPARE(CellText(f.sheet, 1, -1), std::string("B"));
        f.Run("AFUndo");
        QCOMPARE(f.sheet.RowCount(), 4);
        QCOMPARE(CellText(f.sheet, 1, 2), std::string(""));
    }

    void TypingIntoCellsIsOneStepEach()
    {
        Fixture f;
        const std::string empty = f.Stream();
        f.Select(0, 0);
        f.Type("abc");
        f.Key(Qt::Key_Return);
        QCOMPARE(CellText(f.sheet, 0, 0), std::string("abc"));
        QCOMPARE(f.grid().Row(), 1);  // Enter moves down
        const std::string one = f.Stream();
        f.Type("42");
        f.Key(Qt::Key_Return);
        QCOMPARE(CellText(f.sheet, 0, 1), std::string("42"));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.Stream() == one);
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.Stream() == empty);
        QVERIFY(!f.designer->Action("AFUndo")->isEnabled());
        f.Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 0, 0), std::string("abc"));
    }

    // Nothing paints the grid between the two edits of one cell (so the
    // cell asks for no second repaint): still two steps, undone in order.
    void TypingTwiceIntoOneCellWithoutPaint()
    {
        Fixture f;
        f.Select(0, 0);
        f.designer->setUpdatesEnabled(false);
        f.Type("a");
        f.Key(Qt::Key_Return);
        f.Key(Qt::Key_Up);
        f.Type("b");
        f.Key(Qt::Key_Return);
        QVERIFY(f.sheet.FindCell(0, 0)->RepaintAsked());
        QCOMPARE(CellText(f.sheet, 0, 0), std::string("b"));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 0, 0), std::string("a"));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 0, 0), std::string(""));
        f.Key(Qt::Key_Y, Qt::ControlModifier);
        f.Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 0, 0), std::string("b"));
        f.designer->setUpdatesEnabled(true);
    }

    // A change the grid makes by itself (a check box toggled by a key) ends
    // its step with the key, and a change no input ended (made by a program)
    // stays apart from the action that follows.
    void StepsEndWithTheUserAction()
    {
        Fixture f;
        f.sheet.SetCellClass(1, 1, TXLCBoolean::Class());
        f.designer->CommitStep();
        const std::string start = f.Stream();
        f.Select(1, 1);
        f.Key(Qt::Key_Space);
        const std::string toggled = f.Stream();
        QVERIFY(toggled != start);
        QCOMPARE(f.designer->Undo()->UndoCount(), size_t(2));
        QVERIFY(f.sheet.Modified());
        f.sheet.SetText(3, 3, "程序写入");
        f.Select(0, 0, 1, 1);
        f.Run("XLMergeCells");
        f.Run("AFUndo");
        QCOMPARE(CellText(f.sheet, 3, 3), std::string("程序写入"));
        QVERIFY(f.sheet.Section(skClient).Unions().empty());
        f.Run("AFUndo");
        QVERIFY(f.Stream() == toggled);
        f.Run("AFUndo");
        QVERIFY(f.Stream() == start);
    }

    void MergeAndUnmergeThroughActions()
    {
        Fixture f;
        f.Select(0, 0, 2, 1);
        QCOMPARE(f.designer->StatusText(2), QString("[A1:C2]"));
        QCOMPARE(f.designer->StatusText(0), QString("[0, 0 : 2, 1]"));
        const std::string before = f.Stream();
        f.Run("XLMergeCells");
        QCOMPARE(f.sheet.Section(skClient).Unions().size(), size_t(1));
        QCOMPARE(f.designer->StatusText(2), QString());  // one merged block
        const std::string merged = f.Stream();
        f.Run("XLUnmergeCells");
        QVERIFY(f.sheet.Section(skClient).Unions().empty());
        f.Run("AFUndo");
        QVERIFY(f.Stream() == merged);
        f.Run("AFUndo");
        QVERIFY(f.Stream() == before);
    }

    void SelectionMenuShowsOnlyWhatCanRun()
    {
        Fixture f;
        f.Select(1, 1);
        QMenu* menu = f.designer->SelectionMenu();
        QTimer::singleShot(0, menu, [menu]() {
            QVERIFY(!QApplication::activePopupWidget() || true);
            menu->close();
        });
        Q_EMIT menu->aboutToShow();
        QVERIFY(!f.designer->Action("XLMergeCells")->isVisible());
        QVERIFY(!f.designer->Action("XLUnmergeCells")->isVisible());
        Q_EMIT menu->aboutToHide();
        f.Select(1, 1, 2, 2);
        Q_EMIT menu->aboutToShow();
        QVERIFY(f.designer->Action("XLMergeCells")->isVisible());
        Q_EMIT menu->aboutToHide();
    }

    void CopyAndPasteInsideAndFromOutside()
    {
        Fixture f;
        f.sheet.SetText(0, 0, "甲");
        f.sheet.SetText(1, 0, "乙");
        f.sheet.SetText(0, 1, "丙");
        f.sheet.SetText(1, 1, "丁");
        f.designer->CommitStep();
        f.Select(0, 0, 1, 1);
        f.Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("甲\t乙\n丙\t丁\n"));
        f.Select(3, 3);
        const std::string before = f.Stream();
        f.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 4, 4), std::string("丁"));
        QCOMPARE(f.sheet.ColCount(), 5);  // grown to take the block
        QCOMPARE(f.designer->StatusText(2), QString("[D4:E5]"));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.Stream() == before);

        // Text from another spreadsheet program.
        QApplication::clipboard()->setText("姓名\t班级\n赵六\t2\n");
        f.Select(0, 2);
        f.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 1, 3), std::string("2"));
        // An HTML table from a word processor.
        auto* html = new QMimeData;
        html->setHtml("<table><tr><td>钱七</td><td>孙八</td></tr></table>");
        QApplication::clipboard()->setMimeData(html);
        f.Select(2, 0);
        f.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 3, 0), std::string("孙八"));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 3, 0), std::string(""));
        QCOMPARE(CellText(f.sheet, 1, 3), std::string("2"));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(CellText(f.sheet, 1, 3), std::string(""));
    }

    void SaveNewOpenKeepTheName()
    {
        Fixture f;
        f.sheet.SetText(0, 0, "保存的内容");
        f.designer->CommitStep();
        const QString file = f.dir.filePath("roster");
        f.dialogs.Files.push_back(file);
        f.Run("AFSave");
        QVERIFY(QFile::exists(file + ".xlf"));
        QCOMPARE(f.dialogs.Requests.back().Filters, QStringList{"XLGrid Files (*.xlf)"});
        QCOMPARE(f.sheet.Name(), std::string("RosterSheet"));
        QVERIFY(!f.sheet.Modified());
        const std::string saved = f.Stream();

        f.dialogs.Buttons.push_back(QMessageBox::Ok);
        f.Run("AFNew");
        QCOMPARE(f.dialogs.Messages.back().Title, QString("空工作表"));
        QCOMPARE(f.dialogs.Messages.back().Text, QString("不保存当前工作表数据？"));
        QCOMPARE(f.sheet.ColCount(), 0);

        f.dialogs.Files.push_back(file + ".xlf");
        f.Run("AFOpen");
        QCOMPARE(f.dialogs.Requests.back().Filters, QStringList{"XL File (*.xlf)"});
        QCOMPARE(CellText(f.sheet, 0, 0), std::string("保存的内容"));
        QCOMPARE(f.sheet.Name(), std::string("RosterSheet"));
        QVERIFY(f.Stream() == saved);
        // A cancelled open changes nothing.
        f.Run("AFOpen");
        QVERIFY(f.Stream() == saved);
        // A damaged file: the message, and the sheet as it was.
        const QString bad = WriteFile(f.dir, "bad.xlf", "TPF0 nothing");
        f.dialogs.Files.push_back(bad);
        f.Run("AFOpen");
        QVERIFY(!f.dialogs.Messages.empty());
        QVERIFY(f.Stream() == saved);
    }

    void PreviewPages()
    {
        Fixture f;
        f.sheet.SetRowCount(200);
        f.sheet.SetColCount(20);
        for (int r = 0; r < 200; ++r)
            f.sheet.SetText(0, r, std::to_string(r));
        f.Run("AFPrintPreview");
        QVERIFY(f.designer->InPreview());
        const int pages = f.designer->Preview()->PageCount();
        QVERIFY(pages >= 4);
        QCOMPARE(f.designer->StatusText(0), QString("1/%1").arg(pages));
        QVERIFY(!f.designer->Action("APPrev")->isEnabled());
        f.Run("APNext");
        QCOMPARE(f.designer->StatusText(0), QString("2/%1").arg(pages));
        f.Run("APPrev");
        QCOMPARE(f.designer->StatusText(0), QString("1/%1").arg(pages));
        const int fitted = f.designer->Preview()->Scale();
        f.Run("APZoom");
        QCOMPARE(f.designer->Preview()->Scale(), 100);
        f.Run("APZoom");
        QCOMPARE(f.designer->Preview()->Scale(), fitted);
        f.Run("APClose");
        QVERIFY(!f.designer->InPreview());
        QCOMPARE(f.designer->Preview()->Sheet(), nullptr);
        QCOMPARE(QApplication::focusWidget()->window(), f.designer.get());
    }

    void MarginsDialog()
    {
        Fixture f;
        f.sheet.SetPrintMargins({5, 5, 5, 5});
        AnswerDialog([](QDialog& d) {
            QCOMPARE(d.windowTitle(), QString("页边距"));
            auto* top = d.findChild<QSpinBox*>("txtTop");
            QCOMPARE(top->value(), 5);
            QCOMPARE(top->maximum(), 100);
            top->selectAll();
            QTest::keyClicks(top, "20");
            d.findChild<QSpinBox*>("txtLeft")->setValue(12);
            QTest::keyClick(top, Qt::Key_Return);
        });
        f.Run("AFPrintMargin");
        QCOMPARE(f.sheet.PrintMargins(), (TXLMargins{12, 20, 5, 5}));
        f.Run("AFUndo");
        QCOMPARE(f.sheet.PrintMargins(), (TXLMargins{5, 5, 5, 5}));
    }

    void NumberPrompts_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("initial");
        QTest::newRow("row count on a data row") << "AFRowCount" << 1 << "行数" << "输入新行数:" << 4;
        QTest::newRow("row count on the title row") << "AFRowCount" << -1 << "标题行数" << "输入新行数:" << 1;
        QTest::newRow("default height") << "AFRowDefHeight" << 0 << "默认行高" << "输入新行高:" << 15;
        QTest::newRow("default width") << "AFColDefWidth" << 0 << "默认列宽" << "输入新列宽:" << 60;
        QTest::newRow("row height") << "AFRowHeight" << 0 << "行高" << "输入新行高:" << 15;
        QTest::newRow("column width") << "AFColWidth" << 0 << "列宽" << "输入新列宽:" << 60;
    }
    void NumberPrompts()
    {
        QFETCH(QString, command);
        QFETCH(int, row);
        QFETCH(QString, title);
        QFETCH(QString, prompt);
        QFETCH(int, initial);
        Fixture f;
        f.sheet.SetTitleRows(1);
        f.grid().SetCurCell({0, row});
        QApplication::processEvents();
        int seen = -1;
        AnswerDialog([&](QDialog& d) {
            QCOMPARE(d.windowTitle(), title);
            QCOMPARE(d.findChild<QLabel*>("NumberLabel")->text(), prompt);
            auto* edit = d.findChild<QSpinBox*>("NumberEdit");
            QCOMPARE(edit->maximum(), INT_MAX);
            seen = edit->value();
            edit->selectAll();
            QTest::keyClicks(edit, "7");
            QTest::keyClick(edit, Qt::Key_Return);
        });
        f.Run(command.toLatin1().constData());
        QCOMPARE(seen, initial);
        const int got = command == "AFRowCount"      ? (row < 0 ? f.sheet.TitleRows() : f.sheet.RowCount())
                        : command == "AFRowDefHeight" ? f.sheet.RowDefHeight()
                        : command == "AFColDefWidth"  ? f.sheet.ColDefWidth()
                        : command == "AFRowHeight"    ? f.sheet.Sizes(0, sRows)
                                                      : f.sheet.Sizes(0, sCols);
        QCOMPARE(got, 7);
        // Cancel leaves the value.
        AnswerDialog([](QDialog& d) { d.reject(); });
        f.Run(command.toLatin1().constData());
        QCOMPARE(command == "AFRowCount" ? (row < 0 ? f.sheet.TitleRows() : f.sheet.RowCount()) : 7, 7);
    }

    void VerticalTextAndTitles()
    {
        QCOMPARE(VerticalTextOf("ab"), QString("a\rb"));
        QCOMPARE(VerticalTextOf("张三丰"), QString("张\r三\r丰"));
        QCOMPARE(VerticalTextOf("a"), QString("a"));
        QCOMPARE(VerticalTextOf(""), QString(""));
        Fixture f;
        f.sheet.SetText(1, 1, "ab");
        f.sheet.SetText(2, 2, "x");
        f.designer->CommitStep();
        f.Select(1, 1);
        f.Run("AFVertText");
        QCOMPARE(CellText(f.sheet, 1, 1), std::string("a\rb"));
        f.Select(2, 2);
        const std::string before = f.Stream();
        f.Run("AFVertText");
        QVERIFY(f.Stream() == before);
        f.Run("AFFillTitles");
        QCOMPARE(CellText(f.sheet, 3, -1), std::string("D"));
        QCOMPARE(VarToStr(f.sheet.Values(-1, 2)), std::string("3"));
    }

    void BlackAndWhite()
    {
        Fixture f;
        f.sheet.SetText(0, 0, "x");
        TXLSelection sel(f.sheet, skClient, {0, 0, 2, 2});
        sel.SetProperty(pnColor, static_cast<int32_t>(RGBColor(255, 0, 0)));
        TXLFont font = sel.Font();
        font.Color = RGBColor(0, 0, 255);
        sel.SetFont(font, kFontColor);
        f.designer->CommitStep();
        f.Run("AFDeColor");
        QCOMPARE(static_cast<TColor>(f.sheet.GetProperty(1, 1, pnColor)), clWindow);
        QCOMPARE(f.sheet.FindCell(0, 0)->FontColor(), clWindowText);
    }

    void ExportsReadBack_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("formatted") << "AFSaveExelData";
        QTest::newRow("quick") << "AFQuickExcelExport";
    }
    void ExportsReadBack()
    {
        QFETCH(QString, command);
        Fixture f;
        f.sheet.SetTitle("高一(3)班");
        f.sheet.SetText(0, 0, "高一(3)班名单");
        f.sheet.SetText(0, 1, "张三");
        TXLSelection(f.sheet, skClient, {0, 0, 3, 1}).Merge();
        f.designer->CommitStep();
        const size_t steps = f.designer->Undo()->UndoCount();
        const QString target = f.dir.filePath("export.xlsx");
        f.dialogs.Files.push_back(target);
        f.Run(command.toLatin1().constData());
        QCOMPARE(f.dialogs.Requests.back().FileName, f.dir.filePath("高一(3)班.xlsx"));
        QVERIFY(!f.sheet.ReadOnly());
        const QString dump = DumpWorkbook(target);
        QVERIFY2(dump.contains("Sheet1!merged=A1:C1"), qPrintable(dump));
        QVERIFY2(dump.contains("Sheet1!A2=张三"), qPrintable(dump));
        QCOMPARE(f.designer->Undo()->UndoCount(), steps);  // an export changes nothing
    }

    void StandAloneCloseAsks()
    {
        TXLDesignerOptions options;
        options.StandAlone = true;
        Fixture f(options);
        QCOMPARE(f.designer->windowTitle(), QString("新表格[*] - 表格编辑器"));
        f.sheet.SetText(0, 0, "changed");
        f.designer->CommitStep();
        f.dialogs.Buttons.push_back(QMessageBox::Cancel);
        QVERIFY(!f.designer->close());
        QCOMPARE(f.dialogs.Messages.back().Text, QString("是否保存对“新表格”的修改？"));
        const auto& captions = f.dialogs.Messages.back().Captions;
        QCOMPARE(captions.size(), size_t(3));
        QCOMPARE(captions[0].second, QString("保存"));
        QCOMPARE(captions[1].second, QString("不保存"));
        QCOMPARE(captions[2].second, QString("取消"));
        f.dialogs.Buttons.push_back(QMessageBox::Discard);
        QVERIFY(f.designer->close());
    }

    void StandAloneSavesToItsFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("edit.csv");
        TXLDesignerOptions options;
        options.StandAlone = true;
        options.FileName = file;
        Fixture f(options);
        QCOMPARE(f.designer->windowTitle(), QString("edit.csv[*] - 表格编辑器"));
        f.sheet.SetText(0, 0, "写入");
        f.designer->CommitStep();
        f.dialogs.Buttons.push_back(QMessageBox::Save);
        QVERIFY(f.designer->close());
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().size() > 0);
    }

    void ClosingLeavesThePreview()
    {
        Fixture f;
        f.Run("AFPrintPreview");
        QVERIFY(f.designer->close());
        QVERIFY(!f.designer->InPreview());
        QCOMPARE(f.designer->Preview()->Sheet(), nullptr);
    }

    void QtSpeaksChinese()
    {
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                             QDialogButtonBox::No);
        QCOMPARE(box.button(QDialogButtonBox::Ok)->text(), QString("确定"));
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QString("取消"));
        QCOMPARE(box.button(QDialogButtonBox::Yes)->text().remove("(&Y)"), QString("是"));
        QCOMPARE(box.button(QDialogButtonBox::No)->text().remove("(&N)"), QString("否"));
    }
};

QTEST_MAIN(DesignerTest)
#include "xldesigner_test.moc"
