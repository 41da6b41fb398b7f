// The print preview: page geometry with the fallback printer, the automatic
// scale, paging, zoom by click, wheel, and its reactions to the sheet.

#include "xlgridui/xlpreview.h"

#include "xlgrid/manager.h"
#include "xlgrid/range.h"

#include "xlpaint/qtconvert.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>

using namespace xlgrid;
using namespace xlgridui;

namespace {

void Pages(TXLSheet& sheet, int cols, int rows)
{
    sheet.SetColCount(cols);
    sheet.SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            sheet.SetText(c, r, "张" + std::to_string(r) + "-" + std::to_string(c));
}

// A preview of the given size, shown, on a sheet of cols x rows cells.
struct Shown {
    TXLSheet sheet;
    TXLPreview preview;
    Shown(int cols, int rows, QSize size)
    {
        Pages(sheet, cols, rows);
        preview.resize(size);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        preview.SetSheet(&sheet);
    }
};

void Wheel(TXLPreview& preview, int delta)
{
    QWheelEvent event(QPointF(50, 50), preview.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview.viewport(), &event);
}

}  // namespace

class PreviewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        xlpaint::InstallFontSubstitutions();
        TXLManager::Instance().SetPrinter(TXLPrinterMetrics{});
    }

    void FallbackGeometry()
    {
        const QSize page = TXLPreviewGeometry::PageSize(TXLPrinterMetrics{});
        QCOMPARE(page, QSize(748, 1079));
        QCOMPARE(TXLPreviewGeometry::PageBorder(96), 18);
        QCOMPARE(TXLPreviewGeometry::PageBorder(120), 23);
        QCOMPARE(TXLPreviewGeometry::PageBorder(144), 28);
        QCOMPARE(TXLPreviewGeometry::SheetSize(page, 18, 100), QSize(784, 1115));
        QCOMPARE(TXLPreviewGeometry::PaperRect(page, 18, 50), QRect(9, 9, 374, 539));
    }

    void AutoScale_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("scale");
        QTest::newRow("869 x 384") << QSize(869, 384) << 32;
        QTest::newRow("wide and tall") << QSize(1600, 2400) << 201;
        QTest::newRow("tiny keeps 25") << QSize(100, 100) << 25;
        QTest::newRow("nothing keeps 25") << QSize(0, 0) << 25;
    }
    void AutoScale()
    {
        QFETCH(QSize, client);
        QFETCH(int, scale);
        QCOMPARE(TXLPreviewGeometry::AutoScale(client, 10, QSize(748, 1079), 18), scale);
    }

    void Centring_data()
    {
        QTest::addColumn<int>("sheet");
        QTest::addColumn<int>("client");
        QTest::addColumn<int>("offset");
        QTest::newRow("narrower is centred") << 300 << 520 << 100;
        QTest::newRow("odd room rounds down") << 300 << 521 << 100;
        QTest::newRow("exactly the room") << 500 << 520 << 0;
        QTest::newRow("wider starts at the border") << 900 << 520 << 0;
    }
    void Centring()
    {
        QFETCH(int, sheet);
        QFETCH(int, client);
        QFETCH(int, offset);
        QCOMPARE(TXLPreviewGeometry::Centre(sheet, client, 10), offset);
    }

    void PagesAndSignals()
    {
        TXLSheet sheet;
        Pages(sheet, 20, 200);
        TXLPreview preview;
        preview.resize(500, 400);
        preview.show();
        QSignalSpy pages(&preview, &TXLPreview::PageChanged);
        QSignalSpy sheets(&preview, &TXLPreview::PreviewSheetChanged);
        preview.SetSheet(&sheet);
        QCOMPARE(sheets.count(), 1);
        QVERIFY(preview.PageCount() >= 4);
        QCOMPARE(preview.PageNo(), 0);
        QCOMPARE(preview.PageText(), QString("1/%1").arg(preview.PageCount()));
        QVERIFY(!preview.RenderedPage().boundingRect().isEmpty());

        preview.SetPageNo(0);
        QCOMPARE(pages.count(), 0);
        preview.SetPageNo(1);
        QCOMPARE(pages.count(), 1);
        preview.SetPageNo(9999);
        QCOMPARE(preview.PageNo(), preview.PageCount() - 1);
        QCOMPARE(preview.PageText(), QString("%1/%1").arg(preview.PageCount()));

        // Merging returns to the first page.
        TXLSelection(sheet, skClient, {0, 0, 2, 2}).Merge();
        QCOMPARE(preview.PageNo(), 0);

        preview.SetSheet(nullptr);
        QCOMPARE(preview.PageCount(), 0);
        QCOMPARE(sheets.count(), 2);
    }

    void MarginsRepaginate()
    {
        TXLSheet sheet;
        Pages(sheet, 5, 120);
        TXLPreview preview;
        preview.resize(400, 400);
        preview.SetSheet(&sheet);
        const int before = preview.PageCount();
        const QRect printable = preview.PrintableRect();
        sheet.SetPrintMargins({40, 40, 40, 40});
        QVERIFY(preview.PageCount() > before);
        QVERIFY(preview.PrintableRect().width() < printable.width());
        QVERIFY(preview.PaperRect().contains(preview.PrintableRect()));
    }

    void PrinterChangeRepaginates()
    {
        TXLSheet sheet;
        Pages(sheet, 5, 120);
        TXLPreview preview;
        preview.resize(400, 400);
        preview.SetSheet(&sheet);
        const int before = preview.PageCount();
        // A landscape page: wider and shorter.
        TXLManager::Instance().SetPrinter(TXLPrinterMetrics{600, 600, 6744, 4676});
        QVERIFY(preview.PageCount() > before);
        QCOMPARE(preview.PaperRect().width() > preview.PaperRect().height(), true);
        TXLManager::Instance().SetPrinter(TXLPrinterMetrics{});
        QCOMPARE(preview.PageCount(), before);
    }

    void ClickTogglesZoom()
    {
        Shown shown(3, 10, QSize(600, 400));
        TXLPreview& preview = shown.preview;
        QVERIFY(preview.AutoScale());
        const int fitted = preview.Scale();
        QVERIFY(fitted < 100);
        QCOMPARE(preview.viewport()->cursor().shape(), Qt::BitmapCursor);
        QTest::mouseClick(preview.viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(preview.Scale(), 100);
        QVERIFY(!preview.AutoScale());
        QCOMPARE(preview.SheetSize(), QSize(784, 1115));
        // At 100 % the page is wider than the window: it starts at the border.
        QCOMPARE(preview.Offset().x(), 0);
        QTest::mouseClick(preview.viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(preview.AutoScale());
        QCOMPARE(preview.Scale(), fitted);
        QVERIFY(preview.Offset().x() > 0);  // the fitted page is centred
    }

    void WheelScrolls()
    {
        Shown shown(3, 10, QSize(600, 400));
        TXLPreview& preview = shown.preview;
        preview.SetScale(100);
        QCOMPARE(preview.verticalScrollBar()->value(), 0);
        Wheel(preview, -120);
        QCOMPARE(preview.verticalScrollBar()->value(), 120);
        Wheel(preview, 60);
        QCOMPARE(preview.verticalScrollBar()->value(), 60);
    }

    void DrawsThePage()
    {
        TXLSheet sheet;
        Pages(sheet, 3, 10);
        sheet.SetPrintGridLines(true);
        TXLPreview preview;
        preview.resize(500, 700);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        preview.SetSheet(&sheet);
        const QImage image = preview.viewport()->grab().toImage();
        const QRect paper = preview.PaperRect().translated(preview.Offset()).translated(preview.BorderWidth(),
                                                                                       preview.BorderWidth());
        // White paper with dark text near its printable top-left; the shadow at the right.
        QCOMPARE(image.pixelColor(paper.center().x(), paper.bottom() - 5), QColor(Qt::white));
        int dark = 0;
        const QRect area = preview.PrintableRect().translated(preview.Offset()).translated(10, 10);
        for (int y = area.top(); y < area.top() + 40; ++y)
            for (int x = area.left(); x < area.left() + 80; ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    ++dark;
        QVERIFY2(dark > 20, "the first cells are drawn on the page");
        const QPoint sheetCorner = preview.Offset() + QPoint(10, 10) + QPoint(preview.SheetSize().width(), 10);
        QCOMPARE(image.pixelColor(sheetCorner.x() + 1, sheetCorner.y()), QColor(Qt::black));
    }

    // With PrintTitles the title row heads the second page too; without, the
    // page starts with the body.
    void RepeatsTheTitleRowOnEveryPage()
    {
        for (const bool titles : {true, false}) {
            TXLSheet sheet;
            Pages(sheet, 3, 200);
            sheet.SetTitleRows(1);
            for (int c = 0; c < 3; ++c)
                sheet.SetValues(c, -1, Variant(std::string("姓名")));
            sheet.BaseTitleStyle().SetColor(RGBColor(0, 0, 255));
            sheet.SetPrintTitles(titles ? AxisBit(sRows) : 0);
            TXLPreview preview;
            preview.resize(500, 700);
            preview.show();
            QVERIFY(QTest::qWaitForWindowExposed(&preview));
            preview.SetSheet(&sheet);
            QVERIFY(preview.PageCount() >= 2);
            preview.SetPageNo(1);
            const QImage image = preview.viewport()->grab().toImage();
            if (const char* dir = std::getenv("FENBAN_PREVIEW_PNG_DIR"))
                image.save(QStringLiteral("%1/preview-titles-%2.png").arg(QString::fromLocal8Bit(dir)).arg(titles));
            const QRect area = preview.PrintableRect().translated(preview.Offset()).translated(10, 10);
            int blue = 0;
            for (int y = area.top(); y < area.top() + 5; ++y)
                for (int x = area.left(); x < area.left() + 60; ++x)
                    if (image.pixelColor(x, y) == QColor(0, 0, 255))
                        ++blue;
            QVERIFY2((blue > 20) == titles, qPrintable(QStringLiteral("%1 title-coloured pixels").arg(blue)));
        }
    }

    void SheetDestroyedWhileShown()
    {
        auto sheet = std::make_unique<TXLSheet>();
        Pages(*sheet, 2, 2);
        TXLPreview preview;
        preview.SetSheet(sheet.get());
        sheet.reset();
        QCOMPARE(preview.Sheet(), nullptr);
    }
};

QTEST_MAIN(PreviewTest)
#include "xlpreview_test.moc"
