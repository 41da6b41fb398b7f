#include "xlgridui/palette.h"

#include "xlpaint/qtconvert.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QWidgetAction>

namespace xlgridui {

using xlgrid::RGBColor;
using xlgrid::TColor;

// ---- the palette ----

TGSColors::TGSColors()
    : m_entries{
          RGBColor(0, 0, 0),       RGBColor(146, 48, 0),    RGBColor(48, 48, 0),     RGBColor(0, 48, 0),
          RGBColor(0, 48, 96),     RGBColor(0, 0, 127),     RGBColor(48, 48, 146),   RGBColor(48, 48, 48),
          RGBColor(127, 0, 0),     RGBColor(255, 96, 0),    RGBColor(127, 127, 0),   RGBColor(0, 127, 0),
          RGBColor(0, 127, 127),   RGBColor(0, 0, 255),     RGBColor(96, 96, 146),   RGBColor(127, 127, 127),
          RGBColor(255, 0, 0),     RGBColor(255, 146, 0),   RGBColor(146, 200, 0),   RGBColor(48, 151, 96),
          RGBColor(48, 200, 200),  RGBColor(48, 96, 255),   RGBColor(127, 0, 127),   RGBColor(146, 146, 146),
          RGBColor(255, 0, 255),   RGBColor(255, 200, 0),   RGBColor(255, 255, 0),   RGBColor(0, 255, 0),
          RGBColor(0, 255, 255),   RGBColor(0, 200, 255),   RGBColor(146, 48, 96),   RGBColor(191, 191, 191),
          RGBColor(255, 151, 200), RGBColor(255, 200, 146), RGBColor(255, 255, 146), RGBColor(200, 255, 200),
          RGBColor(200, 255, 255), RGBColor(146, 200, 255), RGBColor(200, 151, 255), RGBColor(255, 255, 255),
          RGBColor(146, 151, 255), RGBColor(146, 48, 96),   RGBColor(255, 255, 200), RGBColor(200, 255, 255),
          RGBColor(96, 0, 96),     RGBColor(255, 127, 127), RGBColor(0, 100, 200),   RGBColor(200, 200, 255),
          RGBColor(0, 0, 127),     RGBColor(255, 0, 255),   RGBColor(255, 255, 0),   RGBColor(0, 255, 255),
          RGBColor(127, 0, 127),   RGBColor(127, 0, 0),     RGBColor(0, 127, 127),   RGBColor(0, 0, 255),
      }
{
}

TGSColors& TGSColors::Global()
{
    static TGSColors colors;
    return colors;
}

TColor TGSColors::Entry(int index) const
{
    return index >= 0 && index < kCount ? m_entries[size_t(index)] : xlgrid::clNone;
}

void TGSColors::SetEntry(int index, TColor color)
{
    if (index < 0 || index >= kCount || m_entries[size_t(index)] == color)
        return;
    m_entries[size_t(index)] = color;
    Q_EMIT Changed();
}

// ---- the box ----

namespace {
constexpr int kBoxWidth = 144, kBoxHeight = 136, kGap = 10, kColumns = 8;
}

TXLPaletteBox::TXLPaletteBox(TGSColors& colors, const QString& autoText, QWidget* parent)
    : QWidget(parent), m_colors(colors), m_autoText(autoText)
{
    setFixedSize(sizeHint());
    setMouseTracking(false);
    connect(&m_colors, &TGSColors::Changed, this, qOverload<>(&QWidget::update));
}

int TXLPaletteBox::AutoHeight() const { return m_autoText.isEmpty() ? 0 : fontMetrics().height() + 16; }

QSize TXLPaletteBox::sizeHint() const { return {kBoxWidth, kBoxHeight + AutoHeight()}; }

QRect TXLPaletteBox::AutoRect() const { return m_autoText.isEmpty() ? QRect() : QRect(0, 0, kBoxWidth, AutoHeight()); }

QRect TXLPaletteBox::CellRect(int index) const
{
    if (index < 0 || index >= TGSColors::kCount)
        return {};
    const int w = kBoxWidth / kColumns;
    const int h = (kBoxHeight - 6) / 7;
    const int row = index / kColumns, col = index % kColumns;
    const int top = AutoHeight() + row * h + (row >= 5 ? kGap : 0);
    return {col * w, top, w, h};
}

int TXLPaletteBox::HitTest(const QPoint& point) const
{
    if (AutoRect().contains(point))
        return kAuto;
    for (int i = 0; i < TGSColors::kCount; ++i)
        if (CellRect(i).contains(point))
            return i;
    return kNone;
}

void TXLPaletteBox::SetChosen(int index)
{
    if (index == kAuto && m_autoText.isEmpty())
        index = kNone;
    if (index != kAuto && (index < 0 || index >= TGSColors::kCount))
        index = kNone;
    if (index == m_chosen)
        return;
    m_chosen = index;
    update();
}

TColor TXLPaletteBox::ChosenColor() const
{
    return m_chosen >= 0 ? m_colors.Entry(m_chosen) : xlgrid::clNone;
}

void TXLPaletteBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), xlpaint::ToQColor(0xF8EAE4));
    auto sunken = [&](const QRect& r) {
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    };
    auto raised = [&](const QRect& r) {
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(palette().color(QPalette::Shadow));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    };
    if (!m_autoText.isEmpty()) {
        const QRect r = AutoRect().adjusted(2, 2, -3, -3);
        if (m_chosen == kAuto)
            sunken(r);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r, Qt::AlignCenter, m_autoText);
    }
    for (int i = 0; i < TGSColors::kCount; ++i) {
        const QRect cell = CellRect(i).adjusted(1, 1, -2, -2);
        if (i == m_chosen)
            raised(cell);
        const QRect edge = cell.adjusted(2, 2, -2, -2);
        sunken(edge);
        p.fillRect(CellRect(i).adjusted(4, 4, -4, -4), xlpaint::ToQColor(m_colors.Entry(i)));
    }
}

void TXLPaletteBox::Pick(const QPoint& point)
{
    const int hit = HitTest(point);
    if (hit == kNone)
        return;
    if (hit != m_chosen) {
        SetChosen(hit);
        Q_EMIT Picked(hit);
    }
}

void TXLPaletteBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_tracking = true;
    Pick(event->position().toPoint());
}

void TXLPaletteBox::mouseMoveEvent(QMouseEvent* event)
{
    if (m_tracking && (event->buttons() & Qt::LeftButton))
        Pick(event->position().toPoint());
}

void TXLPaletteBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_tracking)
        return;
    m_tracking = false;
    if (HitTest(event->position().toPoint()) != kNone && m_chosen != kNone)
        Q_EMIT Finished();
}

// ---- the button ----

TGSColorToolButton::TGSColorToolButton(QWidget* parent, TGSColors* colors)
    : QToolButton(parent), m_colors(colors ? *colors : TGSColors::Global())
{
    setPopupMode(QToolButton::MenuButtonPopup);
    connect(&m_colors, &TGSColors::Changed, this, qOverload<>(&QWidget::update));
}

void TGSColorToolButton::SetAutoColor(TColor color)
{
    if (color == m_autoColor)
        return;
    m_autoColor = color;
    update();
}

void TGSColorToolButton::SetAutoText(const QString& text)
{
    m_autoText = text;
    if (m_panel) {
        delete m_panel;
        m_panel = nullptr;
        m_box = nullptr;
    }
}

void TGSColorToolButton::SetChosen(int index)
{
    if (index == TXLPaletteBox::kAuto && m_autoText.isEmpty())
        index = 0;
    m_chosen = std::clamp(index, int(TXLPaletteBox::kAuto), TGSColors::kCount - 1);
    if (m_box)
        m_box->SetChosen(m_chosen);
    update();
}

TColor TGSColorToolButton::Color() const
{
    return m_chosen >= 0 ? m_colors.Entry(m_chosen) : xlgrid::clNone;
}

TColor TGSColorToolButton::ShownColor() const
{
    if (!isEnabled())
        return xlgrid::clBtnShadow;
    return m_chosen >= 0 ? m_colors.Entry(m_chosen) : m_autoColor;
}

QMenu* TGSColorToolButton::Panel()
{
    if (m_panel)
        return m_panel;
    m_panel = new QMenu(this);
    m_panel->setStyleSheet(QStringLiteral("QMenu { background: #E4EAF8; border: 2px solid #A0A8B8; }"));
    m_box = new TXLPaletteBox(m_colors, m_autoText, m_panel);
    m_box->SetChosen(m_chosen);
    auto* holder = new QWidgetAction(m_panel);
    holder->setDefaultWidget(m_box);
    m_panel->addAction(holder);
    connect(m_box, &TXLPaletteBox::Finished, this, [this]() {
        m_chosen = m_box->Chosen();
        m_panel->close();
        update();
        Q_EMIT ColorChosen();
    });
    setMenu(m_panel);
    return m_panel;
}

TXLPaletteBox* TGSColorToolButton::Box()
{
    Panel();
    return m_box;
}

void TGSColorToolButton::paintEvent(QPaintEvent* event)
{
    if (!m_panel)
        Panel();
    QToolButton::paintEvent(event);
    QPainter p(this);
    const int shift = isDown() ? 1 : 0;
    const QRect bar(3 + shift, height() - 3 - 4 + shift, 16, 4);
    p.fillRect(bar, xlpaint::ToQColor(ShownColor()));
}

}  // namespace xlgridui
