#pragma once
// Shared helpers of the painting tests: a GUI application for fonts and
// rendering of a section into an image.

#include "xlpaint/paintsection.h"
#include "xlpaint/printlayout.h"
#include "xlpaint/qtconvert.h"

#include "xlgrid/sheet.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace xlpaint::test {

// The body section of a sheet painted at (1, 1) of a white image, after the
// sizes are scaled by the zoom. `adjust` may change the request.
inline QImage RenderBody(xlgrid::TXLSheet& sheet, int zoom = 100,
                         const std::function<void(TXLPaintInfo&)>& adjust = {}, QSize size = QSize(640, 400))
{
    EnsureGuiApplication();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    xlgrid::TXLSizeList cols, rows;
    ScaleSizeList(sheet.SizeList(xlgrid::sCols, true), cols, zoom, 100);
    ScaleSizeList(sheet.SizeList(xlgrid::sRows, true), rows, zoom, 100);
    QPainter painter(&image);
    TXLPaintInfo info;
    info.ColSizes = &cols;
    info.RowSizes = &rows;
    info.FirstCol = 0;
    info.LastCol = sheet.ColCount() - 1;
    info.FirstRow = 0;
    info.LastRow = sheet.RowCount() - 1;
    info.Left = 1;
    info.Top = 1;
    info.Canvas = &painter;
    info.Zoom = zoom;
    if (adjust)
        adjust(info);
    CollectMergedBlocks(sheet.Section(xlgrid::skClient), info);
    PaintSection(sheet.Section(xlgrid::skClient), info);
    painter.end();
    // FENBAN_PAINT_PNG_DIR=dir keeps every rendered image for a look.
    if (const char* dir = std::getenv("FENBAN_PAINT_PNG_DIR")) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        static int serial = 0;
        QString name = QString::fromUtf8(test ? test->name() : "image").replace('/', '_');
        image.save(QStringLiteral("%1/%2-%3.png").arg(QString::fromUtf8(dir), name).arg(++serial));
    }
    return image;
}

// Text-dark: no colour channel bright (red grid lines do not count).
inline bool IsDark(QRgb c) { return qRed(c) < 110 && qGreen(c) < 110 && qBlue(c) < 110; }

// Dark pixels inside a rectangle of the image.
inline int DarkPixels(const QImage& image, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (IsDark(image.pixel(x, y)))
                ++n;
    return n;
}

}  // namespace xlpaint::test
