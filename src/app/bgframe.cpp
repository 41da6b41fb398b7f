#include "app/bgframe.h"

#include "xlpaint/qtconvert.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace app {
namespace {

// The frame's colours as the sheet model writes them ($00BBGGRR).
constexpr xlgrid::TColor LightBlue = 0x00FFF8F0;
constexpr xlgrid::TColor MidBlue = 0x00FFE8D0;
constexpr xlgrid::TColor FrameBlue = 0x00FFDDBB;

}  // namespace

TGradientPanel::TGradientPanel(QWidget* parent, QColor from, QColor to, QColor frame)
    : QWidget(parent), m_from(from), m_to(to), m_frame(frame)
{
}

void TGradientPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, m_from);
    gradient.setColorAt(1, m_to);
    painter.fillRect(rect(), gradient);
    if (m_frame.isValid()) {
        painter.setPen(m_frame);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

TfrmBackground::TfrmBackground(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Background"));
    m_top = new TGradientPanel(this, xlpaint::ToQColor(LightBlue), xlpaint::ToQColor(MidBlue), QColor());
    m_top->setObjectName(QStringLiteral("TopPanel"));
    m_bottom = new TGradientPanel(this, xlpaint::ToQColor(MidBlue), xlpaint::ToQColor(LightBlue),
                                  xlpaint::ToQColor(FrameBlue));
    m_bottom->setObjectName(QStringLiteral("BottomPanel"));
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Picture"));
    m_picture->setAttribute(Qt::WA_TranslucentBackground);
    m_picture->resize(128, 128);
}

void TfrmBackground::SetPicture(const QPixmap& picture)
{
    m_picture->setPixmap(picture);
    m_picture->resize(128, 128);
    LayOut();
}

void TfrmBackground::resizeEvent(QResizeEvent*)
{
    LayOut();
}

void TfrmBackground::LayOut()
{
    const int h = height(), w = width();
    m_top->setGeometry(0, 0, w, h / 2);
    m_bottom->setGeometry(0, h / 2, w, h - h / 2);
    m_picture->move((w - m_picture->width()) / 2, (h - m_picture->height()) / 2);
    m_picture->raise();
}

}  // namespace app
