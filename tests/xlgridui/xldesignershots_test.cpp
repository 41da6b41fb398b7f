// Pictures of the designer for a person to look at: a roster in the grid,
// the fill-colour palette open, the preview page. Written to
// $FENBAN_SCREENSHOT_DIR when set (run under xvfb-run for real fonts and
// window decorations), else to a temporary folder; the test checks that
// each picture holds drawn text and is not blank.

#include "xlgridui/grid.h"
#include "xlgridui/palette.h"
#include "xlgridui/xldesigner.h"
#include "xlgridui/xlpreview.h"

#include "xlgrid/manager.h"
#include "xlgrid/range.h"
#include "xlpaint/qtconvert.h"

#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace xlgrid;
using namespace xlgridui;

namespace {

void Roster(TXLSheet& sheet)
{
    const char* rows[][6] = {
        {"高一年级学生名单", "", "", "", "", ""},
        {"学号", "姓名", "性别", "语文", "数学", "英语"},
        {"20260101", "张三", "男", "92", "88", "95"},
        {"20260102", "李四", "女", "85", "97", "90"},
        {"20260103", "王五", "男", "78", "84", "81"},
        {"20260104", "赵六", "女", "96", "91", "89"},
        {"20260105", "钱七", "男", "67", "73", "70"},
        {"20260106", "孙八", "女", "88", "79", "94"},
        {"20260107", "周九", "男", "91", "95", "87"},
        {"20260108", "吴十", "女", "83", "86", "92"},
    };
    sheet.SetColCount(6);
    sheet.SetRowCount(10);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 6; ++c)
            if (*rows[r][c])
                sheet.SetText(c, r, rows[r][c]);
    sheet.FillTitles();
    TXLSelection caption(sheet, skClient, {0, 0, 6, 1});
    caption.Merge();
    TXLFont f = caption.Font();
    f.Style = fsBold;
    f.Size = 14;
    caption.SetFont(f, fsBold | kFontSize);
    sheet.SetSizes(0, sRows, 28);
    TXLSelection headers(sheet, skClient, {0, 1, 6, 2});
    headers.SetProperty(pnColor, static_cast<int32_t>(0xFFE4DD));
    TXLSelection(sheet, skClient, {0, 1, 6, 10}).SetSides(0xCF, TXLLine{1, clBlack});  // outer and inner sides
    sheet.SetPrintGridLines(true);
    sheet.SetTitle("高一年级学生名单");
    sheet.SetModified(false);
}

int InkPixels(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 90)
                ++n;
    return n;
}

}  // namespace

class ShotsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_dir;

    QString Save(const QImage& image, const char* name)
    {
        const QString path = m_dir + "/" + name;
        image.save(path);
        qInfo("screenshot: %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_dir = qEnvironmentVariable("FENBAN_SCREENSHOT_DIR", m_tmp.path());
        InstallChineseTranslations(*qApp);
        xlpaint::InstallFontSubstitutions();
        xlpaint::InstallTextMeasure();
        TXLManager::Instance().SetPrinter(TXLPrinterMetrics{});
    }

    void DesignerWithRoster()
    {
        TXLSheet sheet;
        Roster(sheet);
        TXLSheetDesigner designer(sheet);
        designer.resize(1100, 560);
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        designer.Grid()->SetCurCell({1, 3});
        QTest::keyClick(designer.Grid(), Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(designer.Grid(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::qWait(50);
        const QImage image = designer.grab().toImage();
        Save(image, "designer-roster.png");
        QVERIFY(InkPixels(image, QRect(0, 0, 400, 20)) > 50);      // the menu captions
        QVERIFY(InkPixels(image, QRect(0, 90, 600, 300)) > 500);   // the roster's text
        QCOMPARE(designer.StatusText(2), QString("[B4:C5]"));

        // The fill colour's palette, open under its button.
        TGSColorToolButton* fill = designer.ColorButton("XLFillColor");
        QMenu* panel = fill->Panel();
        fill->Box()->SetChosen(34);
        panel->popup(fill->mapToGlobal(QPoint(0, fill->height())));
        QTest::qWait(100);
        QImage composed = designer.grab().toImage();
        {
            QPainter p(&composed);
            p.drawImage(designer.mapFromGlobal(panel->pos()), panel->grab().toImage());
        }
        Save(composed, "designer-palette.png");
        QVERIFY(panel->isVisible());
        panel->close();
    }

    void PreviewPage()
    {
        TXLSheet sheet;
        Roster(sheet);
        TXLSheetDesigner designer(sheet);
        designer.resize(900, 700);
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        designer.Action("AFPrintPreview")->trigger();
        QTest::qWait(50);
        const QImage image = designer.grab().toImage();
        Save(image, "designer-preview.png");
        QCOMPARE(designer.StatusText(0), QString("1/1"));
        const QRect paper = designer.Preview()->PaperRect().translated(designer.Preview()->Offset());
        QVERIFY(!paper.isEmpty());
        QVERIFY(InkPixels(image, QRect(0, 0, 500, 30)) > 50);  // the preview tool bar
    }
};

QTEST_MAIN(ShotsTest)
#include "xldesignershots_test.moc"
