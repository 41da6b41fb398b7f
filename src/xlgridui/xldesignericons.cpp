#include "xlgridui/xldesignericons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>
#include <map>

namespace xlgridui {

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 40);
const QColor kFaint(170, 170, 170);
const QColor kBlue(30, 90, 200);
const QColor kGreen(30, 140, 60);

// A 3 x 3 cell grid in faint lines with the given sides in ink.
// Sides: l, t, r, b outer; v, h inner; d, u diagonals.
Draw Grid(const char* sides)
{
    const std::string s = sides;
    return [s](QPainter& p) {
        p.setPen(QPen(kFaint, 1, Qt::DotLine));
        for (double x : {2.5, 7.5, 12.5})
            p.drawLine(QPointF(x, 2.5), QPointF(x, 13.5));
        p.drawLine(QPointF(13.5, 2.5), QPointF(13.5, 13.5));
        for (double y : {2.5, 7.5, 13.5})
            p.drawLine(QPointF(2.5, y), QPointF(13.5, y));
        p.setPen(QPen(kInk, 1.4));
        auto has = [&](char c) { return s.find(c) != std::string::npos; };
        if (has('l')) p.drawLine(QPointF(2.5, 2.5), QPointF(2.5, 13.5));
        if (has('r')) p.drawLine(QPointF(13.5, 2.5), QPointF(13.5, 13.5));
        if (has('t')) p.drawLine(QPointF(2.5, 2.5), QPointF(13.5, 2.5));
        if (has('b')) p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 13.5));
        if (has('v')) p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
        if (has('h')) p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
        if (has('d')) p.drawLine(QPointF(2.5, 2.5), QPointF(13.5, 13.5));
        if (has('u')) p.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
    };
}

Draw Letter(const QString& text, bool bold, bool italic, bool underline, bool strike)
{
    return [=](QPainter& p) {
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setPixelSize(13);
        f.setBold(bold);
        f.setItalic(italic);
        f.setUnderline(underline);
        f.setStrikeOut(strike);
        p.setFont(f);
        p.setPen(kInk);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
    };
}

// Text lines aligned left, centre or right (horizontal), or a block placed top, middle, bottom.
Draw Lines(int horz, int vert)
{
    return [=](QPainter& p) {
        p.setPen(QPen(kInk, 1.2));
        if (vert < 0) {
            const int widths[4] = {12, 8, 12, 8};
            for (int i = 0; i < 4; ++i) {
                const int w = widths[i];
                const double x = horz == 0 ? 2 : horz == 1 ? (16 - w) / 2.0 : 14 - w;
                p.drawLine(QPointF(x, 3.5 + i * 3), QPointF(x + w, 3.5 + i * 3));
            }
            return;
        }
        p.setPen(QPen(kFaint, 1));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(kInk, 1.4));
        const double y = vert == 0 ? 4 : vert == 1 ? 7 : 10;
        p.drawLine(QPointF(4, y), QPointF(12, y));
        p.drawLine(QPointF(5, y + 2.5), QPointF(11, y + 2.5));
    };
}

Draw Page(bool folded, const QColor& mark, const QString& text = {})
{
    return [=](QPainter& p) {
        QPainterPath path;
        path.moveTo(3, 1.5);
        path.lineTo(10, 1.5);
        path.lineTo(13, 4.5);
        path.lineTo(13, 14.5);
        path.lineTo(3, 14.5);
        path.closeSubpath();
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::white);
        p.drawPath(path);
        if (folded)
            p.drawPolyline(QPolygonF({QPointF(10, 1.5), QPointF(10, 4.5), QPointF(13, 4.5)}));
        if (!text.isEmpty()) {
            QFont f;
            f.setPixelSize(7);
            f.setBold(true);
            p.setFont(f);
            p.setPen(mark);
            p.drawText(QRectF(3, 6, 10, 8), Qt::AlignCenter, text);
        } else {
            p.setPen(QPen(mark, 1));
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(5, 7.5 + i * 2), QPointF(11, 7.5 + i * 2));
        }
    };
}

Draw Arrow(bool left)
{
    return [=](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        if (left)
            p.drawPolygon(QPolygonF({QPointF(11, 3), QPointF(4, 8), QPointF(11, 13)}));
        else
            p.drawPolygon(QPolygonF({QPointF(5, 3), QPointF(12, 8), QPointF(5, 13)}));
    };
}

Draw Curve(bool back)
{
    return [=](QPainter& p) {
        p.setPen(QPen(kBlue, 1.6));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        if (back) {
            path.moveTo(4, 6);
            path.cubicTo(8, 2, 14, 4, 13, 10);
            p.drawPath(path);
            p.setBrush(kBlue);
            p.drawPolygon(QPolygonF({QPointF(2, 3), QPointF(7, 4.5), QPointF(3.5, 8.5)}));
        } else {
            path.moveTo(12, 6);
            path.cubicTo(8, 2, 2, 4, 3, 10);
            p.drawPath(path);
            p.setBrush(kBlue);
            p.drawPolygon(QPolygonF({QPointF(14, 3), QPointF(9, 4.5), QPointF(12.5, 8.5)}));
        }
    };
}

Draw Merge(int kind)
{
    return [=](QPainter& p) {
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.setPen(QPen(kFaint, 1));
        if (kind == 2) {
            p.drawLine(QPointF(8, 3.5), QPointF(8, 12.5));
            p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        } else if (kind == 1) {
            p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        }
        p.setPen(QPen(kBlue, 1.3));
        const double y = kind == 1 ? 5.75 : 8;
        if (kind == 2) {
            p.drawLine(QPointF(5, 5.5), QPointF(3, 8));
            p.drawLine(QPointF(11, 5.5), QPointF(13, 8));
        } else {
            p.drawLine(QPointF(3, y), QPointF(13, y));
            p.drawLine(QPointF(3, y), QPointF(5, y - 1.5));
            p.drawLine(QPointF(3, y), QPointF(5, y + 1.5));
            p.drawLine(QPointF(13, y), QPointF(11, y - 1.5));
            p.drawLine(QPointF(13, y), QPointF(11, y + 1.5));
        }
    };
}

Draw Glyph(const QString& text, const QColor& color)
{
    return [=](QPainter& p) {
        QFont f(QStringLiteral("WenQuanYi Micro Hei"));
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.setPen(color);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, text);
    };
}

Draw LineWeight(double width)
{
    return [=](QPainter& p) {
        p.setPen(QPen(kInk, width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
    };
}

const std::map<QString, Draw>& Table()
{
    static const std::map<QString, Draw> table = {
        {"AFOpen", [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(240, 200, 90));
             p.drawPolygon(QPolygonF({QPointF(1.5, 4.5), QPointF(6, 4.5), QPointF(7.5, 6), QPointF(14.5, 6),
                                      QPointF(14.5, 13.5), QPointF(1.5, 13.5)}));
         }},
        {"AFSave", [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(80, 110, 190));
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(4.5, 1.5, 7, 5));
             p.drawRect(QRectF(3.5, 9.5, 9, 5));
         }},
        {"AFLoadExcelData", Page(true, kGreen, QStringLiteral("X"))},
        {"AFSaveExelData", Page(true, kGreen, QStringLiteral("XL"))},
        {"AFQuickExcelExport", Page(true, kGreen, QStringLiteral("Q"))},
        {"AFLoadCSVData", Page(true, kBlue, QStringLiteral("CSV"))},
        {"XLSheetPrint", [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(4.5, 1.5, 7, 5));
             p.setBrush(QColor(190, 190, 190));
             p.drawRect(QRectF(1.5, 6.5, 13, 6));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(4.5, 10.5, 7, 4));
         }},
        {"AFPrintPreview", [](QPainter& p) {
             Page(true, kFaint)(p);
             p.setPen(QPen(kBlue, 1.5));
             p.setBrush(QColor(255, 255, 255, 180));
             p.drawEllipse(QPointF(8, 8), 3.2, 3.2);
             p.drawLine(QPointF(10.3, 10.3), QPointF(14, 14));
         }},
        {"AFPrintMargin", [](QPainter& p) {
             Page(false, kFaint)(p);
             p.setPen(QPen(kBlue, 1, Qt::DashLine));
             p.drawRect(QRectF(4.5, 3.5, 7, 9));
         }},
        {"XLCut", [](QPainter& p) {
             p.setPen(QPen(kInk, 1.3));
             p.drawLine(QPointF(5, 1.5), QPointF(10.5, 10));
             p.drawLine(QPointF(11, 1.5), QPointF(5.5, 10));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(4.5, 12), 2.3, 2.3);
             p.drawEllipse(QPointF(11.5, 12), 2.3, 2.3);
         }},
        {"XLCopy", [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 1.5, 8, 10));
             p.drawRect(QRectF(6.5, 4.5, 8, 10));
         }},
        {"XLPaste", [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(200, 160, 100));
             p.drawRect(QRectF(2.5, 2.5, 9, 12));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(7.5, 6.5, 7, 8));
             p.setBrush(kFaint);
             p.drawRect(QRectF(5, 1.5, 4, 2));
         }},
        {"AFUndo", Curve(true)},
        {"AFRedo", Curve(false)},
        {"XLBorderClear", Grid("")},
        {"XLBorderAll", Grid("ltrbvh")},
        {"XLBorderOutline", Grid("ltrb")},
        {"XLBorderInside", Grid("vh")},
        {"XLBorderLeft", Grid("l")},
        {"XLBorderRight", Grid("r")},
        {"XLBorderTop", Grid("t")},
        {"XLBorderBottom", Grid("b")},
        {"XLBorderInsideVert", Grid("v")},
        {"XLBorderInsideHorz", Grid("h")},
        {"XLBorderDiagUp", Grid("u")},
        {"XLBorderDiagDown", Grid("d")},
        {"XLBorderSingle", LineWeight(1)},
        {"XLBorderMedium", LineWeight(2)},
        {"XLBorderDouble", LineWeight(3.5)},
        {"XLBorderColor", [](QPainter& p) {
             p.setPen(QPen(kInk, 1.2));
             p.setBrush(Qt::NoBrush);
             p.drawRect(QRectF(2.5, 1.5, 11, 9));
         }},
        {"XLFontBold", Letter(QStringLiteral("B"), true, false, false, false)},
        {"XLFontItalic", Letter(QStringLiteral("I"), false, true, false, false)},
        {"XLFontUnderline", Letter(QStringLiteral("U"), false, false, true, false)},
        {"XLFontStrikeOut", Letter(QStringLiteral("S"), false, false, false, true)},
        {"XLFontColor", Letter(QStringLiteral("A"), true, false, false, false)},
        {"XLFillColor", [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(Qt::white);
             p.drawPolygon(QPolygonF({QPointF(7, 1.5), QPointF(13, 7.5), QPointF(8, 12), QPointF(2.5, 6.5)}));
         }},
        {"XLAlignLeft", Lines(0, -1)},
        {"XLAlignCenter", Lines(1, -1)},
        {"XLAlignRight", Lines(2, -1)},
        {"XLAlignTop", Lines(1, 0)},
        {"XLAlignVCenter", Lines(1, 1)},
        {"XLAlignBottom", Lines(1, 2)},
        {"XLMergeCells", Merge(0)},
        {"XLMergeAcross", Merge(1)},
        {"XLUnmergeCells", Merge(2)},
        {"AFDeColor", [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(Qt::white);
             p.drawEllipse(QRectF(2, 2, 12, 12));
             p.setBrush(Qt::black);
             p.drawPie(QRectF(2, 2, 12, 12), 90 * 16, 180 * 16);
         }},
        {"XLStyleHidden", [](QPainter& p) {
             p.setPen(QPen(kInk, 1.2));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QRectF(2, 5, 12, 6));
             p.setBrush(kInk);
             p.drawEllipse(QPointF(8, 8), 1.8, 1.8);
             p.setPen(QPen(QColor(200, 40, 40), 1.5));
             p.drawLine(QPointF(3, 13), QPointF(13, 3));
         }},
        {"AFVertText", [](QPainter& p) {
             QFont f(QStringLiteral("WenQuanYi Micro Hei"));
             f.setPixelSize(7);
             p.setFont(f);
             p.setPen(kInk);
             p.drawText(QRectF(4, 0, 8, 8), Qt::AlignCenter, QStringLiteral("文"));
             p.drawText(QRectF(4, 7, 8, 8), Qt::AlignCenter, QStringLiteral("字"));
         }},
        {"AFFillTitles", [](QPainter& p) {
             QFont f;
             f.setPixelSize(7);
             f.setBold(true);
             p.setFont(f);
             p.setPen(QPen(kFaint, 1));
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             p.drawLine(QPointF(1.5, 6.5), QPointF(14.5, 6.5));
             p.drawLine(QPointF(5.5, 1.5), QPointF(5.5, 14.5));
             p.setPen(kBlue);
             p.drawText(QRectF(5.5, 1, 9, 6), Qt::AlignCenter, QStringLiteral("AB"));
             p.drawText(QRectF(1, 6.5, 5, 8), Qt::AlignCenter, QStringLiteral("1"));
         }},
        {"XLInsertPicture", [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(200, 230, 255));
             p.drawRect(QRectF(1.5, 2.5, 13, 11));
             p.setBrush(kGreen);
             p.drawPolygon(QPolygonF({QPointF(2, 13), QPointF(6, 7), QPointF(9, 11), QPointF(11, 9), QPointF(14, 13)}));
         }},
        {"XLInsertHyperlink", Glyph(QStringLiteral("@"), kBlue)},
        {"APPrev", Arrow(true)},
        {"APNext", Arrow(false)},
        {"APZoom", [](QPainter& p) {
             p.setPen(QPen(kInk, 1.5));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(7, 7), 4.5, 4.5);
             p.drawLine(QPointF(10.3, 10.3), QPointF(14.5, 14.5));
         }},
        {"APSetup", Page(true, kFaint)},
        {"APClose", [](QPainter& p) {
             p.setPen(QPen(QColor(190, 40, 40), 2));
             p.drawLine(QPointF(4, 4), QPointF(12, 12));
             p.drawLine(QPointF(12, 4), QPointF(4, 12));
         }},
    };
    return table;
}

QPixmap Render(const Draw& draw, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return pixmap;
}

}  // namespace

QIcon DesignerIcon(const QString& name)
{
    static std::map<QString, QIcon> cache;
    auto cached = cache.find(name);
    if (cached != cache.end())
        return cached->second;
    const auto& table = Table();
    // The preview's margins button is the menu's margins command.
    auto it = table.find(name == QLatin1String("APMargin") ? QStringLiteral("AFPrintMargin") : name);
    QIcon icon;
    if (it != table.end()) {
        icon.addPixmap(Render(it->second, 16));
        icon.addPixmap(Render(it->second, 32));
    }
    cache[name] = icon;
    return icon;
}

}  // namespace xlgridui
