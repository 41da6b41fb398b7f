// Paints fenban's emblem (the shapes of src/app/icons/fenban.svg) into the
// PNG sizes of the icon theme and the window's 128 x 128 picture. Run once
// after changing the emblem:
//   g++ -std=c++20 -fPIC scripts/draw-icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/draw-icons
//   QT_QPA_PLATFORM=offscreen /tmp/draw-icons src/app/icons
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

static void Figure(QPainter& p, double cx, double headY, double headR, double half, double shoulderY, QColor c)
{
    p.setBrush(c);
    p.drawEllipse(QPointF(cx, headY), headR, headR);
    QPainterPath body;
    body.moveTo(cx - half, 92);
    body.lineTo(cx - half, shoulderY);
    body.arcTo(QRectF(cx - half, shoulderY - half, 2 * half, 2 * half), 180, -180);
    body.lineTo(cx + half, 92);
    body.closeSubpath();
    p.drawPath(body);
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 128.0, size / 128.0);
        p.setPen(Qt::NoPen);
        QLinearGradient bg(0, 6, 0, 122);
        bg.setColorAt(0, QColor(0x4A, 0x90, 0xD9));
        bg.setColorAt(1, QColor(0x1F, 0x5F, 0xA8));
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(6, 6, 116, 116), 22, 22);
        Figure(p, 34, 44, 11, 16, 74, QColor(0xFF, 0xD1, 0x66));
        Figure(p, 64, 40, 12, 17, 72, Qt::white);
        Figure(p, 94, 44, 11, 16, 74, QColor(0x7B, 0xDF, 0xF2));
        p.setBrush(QColor(255, 255, 255, 217));
        p.drawRoundedRect(QRectF(16, 100, 96, 8), 4, 4);
        p.end();
        image.save(folder + QStringLiteral("/fenban-%1.png").arg(size));
    }
    return 0;
}
