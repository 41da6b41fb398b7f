#pragma once
// A scrolling window whose content the subclass paints: a blank margin of
// BorderWidth pixels is kept round the content on every side, and the
// window never scrolls by itself to follow the focus.

#include <QAbstractScrollArea>
#include <QSize>

namespace xlgridui {

class TXLScroller : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TXLScroller(QWidget* parent = nullptr);

    int BorderWidth() const { return m_border; }
    // A negative width counts as 0; a change sets the scroll ranges again.
    void SetBorderWidth(int width);
    // A single (sunken) border round the window, or none.
    bool SingleBorder() const { return frameShape() != QFrame::NoFrame; }
    void SetSingleBorder(bool on);

    // The scrolled extent: the content plus twice the border (0 stays 0).
    QSize ContentSize() const { return m_content; }
    void SetContentSize(const QSize& size);
    QPoint ScrollPos() const;
    void SetScrollPos(const QPoint& pos);

protected:
    // Paints with the origin shifted by the scroll positions less BorderWidth,
    // so content coordinates start at the top-left of the content.
    virtual void PaintContent(QPainter& painter) = 0;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateRanges();

    int m_border = 0;
    QSize m_content;
};

}  // namespace xlgridui
