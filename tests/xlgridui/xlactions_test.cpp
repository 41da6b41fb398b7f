// The sheet actions on a stand-in grid: enabled and checked rules for
// read-only grids and design mode, and what each family does to the sheet.

#include "actiongridstub.h"
#include "scripteddialogs.h"

#include "xlgridui/palette.h"
#include "xlgridui/xlclipboard.h"
#include "xlgridui/xldesignerboxes.h"

#include "xlgrid/range.h"
#include "xlgrid/sheetstream.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace xlgrid;
using namespace xlgridui;
using xlgridui::testing::TScriptedDialogs;
using xlgridui::testing::TStandInGrid;

Q_DECLARE_METATYPE(xlgrid::TXLRect)

namespace {

// A window with the stand-in grid and an edit box beside it.
struct Window {
    QWidget window;
    TStandInGrid* grid;
    QLineEdit* edit;
    TXLSheet sheet;
    TXLSheetActions actions;
    TXLZoomBox zoom;

    Window()
    {
        actions.SetZoomBox(&zoom);
        auto* layout = new QVBoxLayout(&window);
        grid = new TStandInGrid;
        edit = new QLineEdit;
        layout->addWidget(grid);
        layout->addWidget(edit);
        for (QAction* a : actions.All())
            window.addAction(a);
        sheet.SetColCount(5);
        sheet.SetRowCount(5);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 5; ++c)
                sheet.SetText(c, r, std::to_string(c) + "," + std::to_string(r));
        grid->Sheet = &sheet;
        window.show();
        window.activateWindow();
        grid->setFocus();
        SetActiveGrid(grid);
    }
    TXLCustomAction* operator[](const char* name) const { return actions.Find(name); }
    // What a menu does: the state is fresh when the user picks the item.
    void Run(const char* name)
    {
        actions.UpdateAll();
        actions.Find(name)->trigger();
    }
    bool Enabled(const char* name)
    {
        actions.UpdateAll();
        return actions.Find(name)->isEnabled();
    }
    bool Checked(const char* name)
    {
        actions.UpdateAll();
        return actions.Find(name)->isChecked();
    }
    std::string Text(int c, int r) const
    {
        const TXLCell* cell = sheet.FindCell(c, r);
        return cell ? cell->AsString() : std::string();
    }
};

}  // namespace

class ActionsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void EnabledByGridState_data()
    {
        // Enabled on: an ordinary grid, a read-only grid, a read-only grid in
        // design mode, a read-only sheet.
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("copy") << "XLCopy" << "1111";
        QTest::newRow("select all") << "XLSelectAll" << "1111";
        QTest::newRow("zoom") << "XLZoom" << "1111";
        QTest::newRow("print") << "XLSheetPrint" << "1111";
        QTest::newRow("page setup") << "XLSheetPageSetup" << "1111";
        QTest::newRow("grid lines") << "XLOptionGridLines" << "1111";
        QTest::newRow("enter direction") << "XLDirDown" << "1111";
        QTest::newRow("cut") << "XLCut" << "1000";
        QTest::newRow("paste") << "XLPaste" << "1000";
        QTest::newRow("paste values") << "XLPasteValues" << "1000";
        QTest::newRow("delete") << "XLDelete" << "1000";
        QTest::newRow("bold") << "XLFontBold" << "1010";
        QTest::newRow("all borders") << "XLBorderAll" << "1010";
        QTest::newRow("left border") << "XLBorderLeft" << "1010";
        QTest::newRow("align centre") << "XLAlignCenter" << "1010";
        QTest::newRow("hidden cells") << "XLStyleHidden" << "1010";
        QTest::newRow("clear contents") << "XLClearContents" << "1010";
        QTest::newRow("insert rows") << "XLInsertRows" << "1010";
        QTest::newRow("merge across") << "XLMergeAcross" << "1010";
        QTest::newRow("hyperlink") << "XLInsertHyperlink" << "1010";
        QTest::newRow("design mode") << "XLDesignMode" << "1110";
        QTest::newRow("calculate") << "XLSheetCalculate" << "1110";
    }
    void EnabledByGridState()
    {
        QFETCH(QString, action);
        QFETCH(QString, enabled);
        Window w;
        QApplication::clipboard()->setText("x");
        w.grid->Select({0, 0, 2, 1});
        const QByteArray name = action.toLatin1();
        auto state = [&](bool readOnly, bool design, bool sheetReadOnly) {
            w.grid->ReadOnly = readOnly;
            w.grid->Design = design;
            w.sheet.SetReadOnly(sheetReadOnly);
            return w.Enabled(name.constData()) ? '1' : '0';
        };
        const QString got = QString() + state(false, false, false) + state(true, false, false) + state(true, true, false) +
                            state(false, false, true);
        QCOMPARE(got, enabled);
    }

    void NothingWithoutSheetOrGrid()
    {
        Window w;
        w.grid->Sheet = nullptr;
        QVERIFY(!w.Enabled("XLCopy"));
        QVERIFY(!w["XLCopy"]->Run());
        w.grid->Sheet = &w.sheet;
        ClearActiveGrid(w.grid);
        QVERIFY(!w.Enabled("XLCopy"));
    }

    void BoldOnBoldTopLeftRemovesBoldEverywhere()
    {
        Window w;
        TXLSelection first(w.sheet, skClient, {0, 0, 1, 1});
        TXLFont f = first.Font();
        f.Style = fsBold;
        first.SetFont(f, fsBold);
        w.grid->Select({0, 0, 3, 3});
        QVERIFY(w.Checked("XLFontBold"));
        w.Run("XLFontBold");
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                QVERIFY(!(w.sheet.FindCell(c, r)->Font().Style & fsBold));
        QVERIFY(!w.Checked("XLFontBold"));
        w.Run("XLFontBold");
        QVERIFY(w.sheet.FindCell(2, 2)->Font().Style & fsBold);
        QVERIFY(!(w.sheet.FindCell(3, 3)->Font().Style & fsBold));
    }

    void InsertAndDeleteBySelection_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<TXLRect>("selection");
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("cellAt0_1");
        QTest::newRow("three rows insert three") << "XLInsertRows" << TXLRect{0, 1, 1, 4} << 5 << 8 << "";
        QTest::newRow("one cell inserts one row") << "XLInsertRows" << TXLRect{2, 1, 3, 2} << 5 << 6 << "";
        QTest::newRow("two columns") << "XLInsertColumns" << TXLRect{0, 0, 2, 1} << 7 << 5 << "";
        QTest::newRow("delete two rows") << "XLDeleteRows" << TXLRect{0, 1, 1, 3} << 5 << 3 << "0,3";
        QTest::newRow("delete a column") << "XLDeleteColumns" << TXLRect{0, 0, 1, 1} << 4 << 5 << "1,1";
    }
    void InsertAndDeleteBySelection()
    {
        QFETCH(QString, action);
        QFETCH(TXLRect, selection);
        QFETCH(int, cols);
        QFETCH(int, rows);
        QFETCH(QString, cellAt0_1);
        Window w;
        w.grid->Select(selection);
        w.Run(action.toLatin1().constData());
        QCOMPARE(w.sheet.ColCount(), cols);
        QCOMPARE(w.sheet.RowCount(), rows);
        QCOMPARE(QString::fromStdString(w.Text(0, 1)), cellAt0_1);
    }

    void MergeRules()
    {
        Window w;
        w.grid->Select({1, 0, 2, 3});
        QVERIFY(!w.Enabled("XLMergeAcross"));  // a single column
        QVERIFY(w.Enabled("XLMergeCells"));
        QVERIFY(!w.Enabled("XLUnmergeCells"));
        w.Run("XLMergeCells");
        QCOMPARE(w.sheet.Section(skClient).Unions().size(), size_t(1));
        // One merged block selected: merge off, unmerge on.
        QVERIFY(!w.Enabled("XLMergeCells"));
        QVERIFY(w.Enabled("XLUnmergeCells"));
        w.Run("XLUnmergeCells");
        QVERIFY(w.sheet.Section(skClient).Unions().empty());
        w.grid->Select({0, 0, 3, 2});
        w.Run("XLMergeAcross");
        QCOMPARE(w.sheet.Section(skClient).Unions().size(), size_t(2));
    }

    void BordersUseTheCurrentLine()
    {
        Window w;
        TGSColorToolButton border;
        border.SetAutoText("默认");
        w.actions.SetColorButton("XLBorderColor", &border);
        border.SetChosen(16);  // red
        w.Run("XLBorderMedium");
        w.Run("XLBorderColor");
        QVERIFY(w.Checked("XLBorderMedium"));
        QVERIFY(!w.Checked("XLBorderSingle"));
        w.grid->Select({1, 1, 3, 3});
        w.Run("XLBorderOutline");
        const TXLLine left = TXLLine::Decode(w.sheet.GetProperty(1, 1, pnLeft));
        QCOMPARE(int(left.Weight), 2);
        QCOMPARE(left.Color, RGBColor(255, 0, 0));
        QVERIFY(w.Checked("XLBorderLeft"));
        QVERIFY(!w.Checked("XLBorderDiagDown"));
        w.Run("XLBorderLeft");  // checked: removes that side
        QCOMPARE(w.sheet.GetProperty(1, 1, pnLeft), 0);
        QVERIFY(!w.Checked("XLBorderLeft"));
        w.Run("XLBorderClear");
        QCOMPARE(w.sheet.GetProperty(2, 2, pnBottom), 0);
        CurrentLine() = TXLLine{1, clBlack};
    }

    void AlignmentKeepsTheOtherAxis()
    {
        Window w;
        w.grid->Select({0, 0, 2, 2});
        w.Run("XLAlignBottom");
        w.Run("XLAlignCenter");
        QVERIFY(w.Checked("XLAlignCenter"));
        QVERIFY(!w.Checked("XLAlignLeft"));
        const TXLLayout l = TXLLayout::Decode(w.sheet.GetProperty(1, 1, pnLayout));
        QCOMPARE(l.HorzAlign, haCenter);
        QCOMPARE(l.VertAlign, vaBottom);
    }

    void ColourButtonsAndAutomaticEntry()
    {
        Window w;
        TGSColorToolButton font, fill;
        font.SetAutoText("默认");
        fill.SetAutoText("默认");
        w.actions.SetColorButton("XLFontColor", &font);
        w.actions.SetColorButton("XLFillColor", &fill);
        w.grid->Select({0, 0, 2, 1});
        font.SetChosen(13);
        w.Run("XLFontColor");
        QCOMPARE(w.sheet.FindCell(1, 0)->Font().Color, RGBColor(0, 0, 255));
        fill.SetChosen(34);
        w.Run("XLFillColor");
        QCOMPARE(static_cast<TColor>(w.sheet.GetProperty(1, 0, pnColor)), RGBColor(255, 255, 146));
        fill.SetChosen(TXLPaletteBox::kAuto);
        QCOMPARE(fill.Color(), clNone);
        w.Run("XLFillColor");
        QCOMPARE(static_cast<TColor>(w.sheet.GetProperty(1, 0, pnColor)), clNone);
        // The automatic colour follows the base style of the selection's band.
        w.actions.UpdateAll();
        QCOMPARE(fill.AutoColor(), w.sheet.BaseClientStyle().Color());
        QCOMPARE(fill.ShownColor(), fill.AutoColor());
    }

    void FontBoxAndZoomBox()
    {
        Window w;
        TXLFontNameBox names;
        TXLFontSizeBox sizes;
        names.SetSizeBox(&sizes);
        TXLZoomBox& zoom = w.zoom;
        w.actions.SetFontBox(&names);
        w.grid->Select({0, 0, 2, 2});
        names.SetFontName("黑体");
        sizes.SetValue(14);
        w["XLFontFace"]->Run();  // what choosing in the box does
        QCOMPARE(w.sheet.FindCell(1, 1)->Font().Name, std::string("黑体"));
        QCOMPARE(w.sheet.FindCell(1, 1)->Font().Size, 14);
        zoom.SetValue(10);
        w["XLZoom"]->Run();
        QCOMPARE(w.grid->Scale, 25);  // the grid raises it to 25
        zoom.SetValue(150);
        w["XLZoom"]->Run();
        QCOMPARE(w.grid->Scale, 150);
        // While the grid has the focus the boxes show its state.
        w.grid->Select({3, 3, 4, 4});
        w.grid->Scale = 75;
        w.actions.UpdateAll();
        QCOMPARE(zoom.Value(), 75.0);
        QCOMPARE(names.FontName(), QString("宋体"));
        QCOMPARE(sizes.Value(), 9);
    }

    void ViewOptionsAndDirections()
    {
        Window w;
        QVERIFY(w.Checked("XLOptionGridLines"));
        w.Run("XLOptionGridLines");
        QVERIFY(!w.grid->HasViewOption(voGridLines));
        QVERIFY(!w.Checked("XLOptionGridLines"));
        QVERIFY(w.Checked("XLNormalView"));
        w.Run("XLPageBreakView");
        QVERIFY(w.grid->HasViewOption(voPageBreak));
        QVERIFY(w.Checked("XLPageBreakView"));
        QVERIFY(!w.Checked("XLNormalView"));
        QVERIFY(w.Checked("XLDirAuto"));
        w.Run("XLDirRight");
        QCOMPARE(w.grid->Dir, mdRight);
        QVERIFY(w.Checked("XLDirRight"));
        QVERIFY(!w.Checked("XLDirAuto"));
        w.Run("XLDesignMode");
        QVERIFY(w.grid->Design);
        w.Run("XLShowHints");
        QVERIFY(!w.grid->Hints);
    }

    void HiddenMarkAndRowsColumns()
    {
        Window w;
        w.grid->Select({1, 1, 3, 3});
        w.Run("XLStyleHidden");
        QVERIFY(w.Checked("XLStyleHidden"));
        QVERIFY(static_cast<TXLCellStyles>(w.sheet.GetProperty(2, 2, pnStyles)) & StyleBit(csHidden));
        w.Run("XLHideRows");
        QVERIFY(!w.sheet.Visible(1, sRows));
        QVERIFY(!w.sheet.Visible(2, sRows));
        QVERIFY(w.sheet.Visible(3, sRows));
        w.Run("XLShowRows");
        QVERIFY(w.sheet.Visible(2, sRows));
        w.sheet.SetSizes(1, sCols, 200);
        w.Run("XLAutofitColumns");
        QVERIFY(w.sheet.Sizes(1, sCols) < 200);
    }

    void ClearKinds()
    {
        Window w;
        w.grid->Select({0, 0, 2, 2});
        w.Run("XLFontItalic");
        w.Run("XLClearFormatting");
        QVERIFY(!(w.sheet.FindCell(0, 0)->Font().Style & fsItalic));
        QCOMPARE(w.Text(0, 0), std::string("0,0"));
        w.Run("XLClearContents");
        QVERIFY(!w.sheet.FindCell(0, 0));
        QCOMPARE(w.Text(2, 2), std::string("2,2"));
    }

    void CopyPasteInsideSelectsTheBlock()
    {
        Window w;
        w.grid->Select({0, 0, 2, 2});
        w.Run("XLCopy");
        QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(kSheetMimeType));
        w.grid->Select({3, 3, 4, 4});
        QVERIFY(w.Enabled("XLPaste"));
        w.Run("XLPaste");
        QCOMPARE(w.grid->Rect, (TXLRect{3, 3, 5, 5}));
        QCOMPARE(w.Text(4, 4), std::string("1,1"));
        QCOMPARE(w.sheet.ColCount(), 5);
        // Cut: the copy reached the clipboard, so the cells go.
        w.grid->Select({0, 0, 1, 2});
        w.Run("XLCut");
        QVERIFY(!w.sheet.FindCell(0, 1));
        QCOMPARE(QApplication::clipboard()->text(), QString("0,0\n0,1\n"));
    }

    void PasteTextFromAnotherProgramGrows()
    {
        Window w;
        QApplication::clipboard()->setText("姓名\t性别\t班级\n张三\t男\t1\n李四\t女\t2\n");
        w.grid->Select({3, 4, 4, 5});
        w.Run("XLPaste");
        QCOMPARE(w.sheet.ColCount(), 6);
        QCOMPARE(w.sheet.RowCount(), 7);
        QCOMPARE(w.Text(5, 6), std::string("2"));
        QCOMPARE(w.grid->Rect, (TXLRect{3, 4, 6, 7}));
        auto* html = new QMimeData;
        html->setHtml("<table><tr><td>甲</td><td>乙</td></tr></table>");
        QApplication::clipboard()->setMimeData(html);
        w.grid->Select({0, 0, 1, 1});
        w.Run("XLPaste");
        QCOMPARE(w.Text(1, 0), std::string("乙"));
    }

    void EditBoxTakesTheClipboardActions()
    {
        Window w;
        w.edit->setText("hello world");
        w.edit->setFocus();
        QApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), w.edit);
        w.edit->setSelection(0, 5);
        QVERIFY(w.Enabled("XLCopy"));
        w.Run("XLCopy");
        QCOMPARE(QApplication::clipboard()->text(), QString("hello"));
        QVERIFY(!QApplication::clipboard()->mimeData()->hasFormat(kSheetMimeType));
        w.Run("XLCut");
        QCOMPARE(w.edit->text(), QString(" world"));
        QCOMPARE(w.Text(0, 0), std::string("0,0"));  // the cells stay
        w.edit->setCursorPosition(6);
        w.Run("XLPaste");
        QCOMPARE(w.edit->text(), QString(" worldhello"));
        w.edit->deselect();
        QVERIFY(!w.Enabled("XLCopy"));
        QVERIFY(!w.Enabled("XLPasteValues"));  // an edit box takes only a plain paste
        w.Run("XLSelectAll");
        QCOMPARE(w.edit->selectedText(), w.edit->text());
        // Real short cuts reach the box too.
        w.edit->setSelection(0, 3);
        QTest::keyClick(w.edit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString(" wo"));
    }

    void HyperlinkRemembersTheAddress()
    {
        Window w;
        w.grid->Select({1, 1, 2, 2});
        QString seen;
        auto answer = [&seen](const QString& text) {
            QTimer::singleShot(0, [&seen, text]() {
                auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), QString("插入超链接"));
                QCOMPARE(dialog->labelText(), QString("输入网址:"));
                seen = dialog->textValue();
                auto* edit = dialog->findChild<QLineEdit*>();
                edit->selectAll();
                QTest::keyClicks(edit, text);
                QTest::keyClick(edit, Qt::Key_Return);
            });
        };
        answer("http://example.org/a");
        w.Run("XLInsertHyperlink");
        QCOMPARE(seen, QString("http://"));
        QVERIFY(&w.sheet.FindCell(1, 1)->CellClass() == &TXLCUrl::Class());
        QCOMPARE(w.Text(1, 1), std::string("http://example.org/a"));
        w.grid->Select({2, 2, 3, 3});
        answer("http://example.org/b");
        w.Run("XLInsertHyperlink");
        QCOMPARE(seen, QString("http://example.org/a"));
    }

    void PictureMergesAndFills()
    {
        Window w;
        TScriptedDialogs dialogs;
        w.actions.LoadPicture = [](const QString&) { return TXLPicture{"PNG", "bytes", 10, 10}; };
        w.grid->Select({1, 1, 3, 3});
        w.Run("XLInsertPicture");  // cancelled: nothing changes
        QCOMPARE(dialogs.Requests.back().Title, QString("插入图像"));
        QVERIFY(w.sheet.Section(skClient).Unions().empty());
        dialogs.Files.push_back("/tmp/p.png");
        w.Run("XLInsertPicture");
        QCOMPARE(w.sheet.Section(skClient).Unions().size(), size_t(1));
        const TXLCell* cell = w.sheet.FindCell(1, 1);
        QVERIFY(&cell->CellClass() == &TXLCPicture::Class());
        QCOMPARE(static_cast<TXLPicture*>(cell->AsPicture())->Data, std::string("bytes"));
        // A file that is no picture: the message names it, the block stays.
        w.actions.LoadPicture = [](const QString& p) { return LoadPictureFile(p); };
        QTemporaryDir dir;
        const QString bad = dir.filePath("bad.png");
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
        f.close();
        w.grid->Select({3, 3, 4, 4});
        dialogs.Files.push_back(bad);
        w.Run("XLInsertPicture");
        QVERIFY(dialogs.Texts().back().contains("bad.png"));
        QVERIFY(&w.sheet.FindCell(3, 3)->CellClass() == &TXLCPicture::Class());
    }

    void BackgroundTogglesAndItsCaption()
    {
        Window w;
        TScriptedDialogs dialogs;
        w.actions.LoadPicture = [](const QString&) { return TXLPicture{"PNG", "bg", 4, 4}; };
        w.actions.UpdateAll();
        QCOMPARE(w["XLSheetBackground"]->text(), QString("背景(&B)..."));
        dialogs.Files.push_back("/tmp/bg.png");
        w.Run("XLSheetBackground");
        QCOMPARE(dialogs.Requests.back().Title, QString("打开背景图像"));
        QVERIFY(!w.sheet.Background().IsEmpty());
        w.actions.UpdateAll();
        QCOMPARE(w["XLSheetBackground"]->text(), QString("移除背景(&B)"));
        w.Run("XLSheetBackground");
        QVERIFY(w.sheet.Background().IsEmpty());
    }

    void PrintOffersTheSelectionAndWritesPages()
    {
        Window w;
        TScriptedDialogs dialogs;
        QTemporaryDir dir;
        w.grid->Select({0, 0, 1, 1});
        w.Run("XLSheetPrint");
        QCOMPARE(dialogs.PrintAsked, 1);
        QVERIFY(!dialogs.LastSelection);  // one cell: no selection choice
        QCOMPARE(dialogs.LastPageCount, 1);
        dialogs.PrintAnswer = true;
        dialogs.PrintFile = dir.filePath("out.pdf");
        w.grid->Select({0, 0, 2, 2});
        w.Run("XLSheetPrint");
        QVERIFY(dialogs.LastSelection);
        QVERIFY(QFileInfo(dialogs.PrintFile).size() > 500);
        dialogs.Choice.Range = TXLPrintChoice::prSelection;
        dialogs.PrintFile = dir.filePath("sel.pdf");
        w.Run("XLSheetPrint");
        QVERIFY(QFileInfo(dialogs.PrintFile).size() > 500);
        w.Run("XLSheetPageSetup");
        QCOMPARE(dialogs.SetupAsked, 1);
    }

    void ExecuteHookCanTakeOver()
    {
        Window w;
        bool called = false;
        w["XLBorderDouble"]->OnGridExecute = [&](TXLCustomAction&, IXLActionGrid&, bool& useDefault) {
            called = true;
            useDefault = false;
        };
        w.Run("XLBorderDouble");
        QVERIFY(called);
        QCOMPARE(int(CurrentLine().Weight), 1);
    }
};

QTEST_MAIN(ActionsTest)
#include "xlactions_test.moc"
