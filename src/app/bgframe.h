#pragma once
// The background frame behind the empty main window: a top and a bottom
// panel painted with colour gradients and the program's 128 x 128 picture
// centred over both. On every resize the top panel takes height / 2 and the
// bottom panel the rest (one pixel more when the height is odd).

#include <QWidget>

class QLabel;

namespace app {

// The two gradient panels; the bottom one also draws its flat frame.
class TGradientPanel : public QWidget {
public:
    TGradientPanel(QWidget* parent, QColor from, QColor to, QColor frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_from, m_to, m_frame;
};

class TfrmBackground : public QWidget {
public:
    explicit TfrmBackground(QWidget* parent);
    void SetPicture(const QPixmap& picture);
    QWidget* TopPanel() const { return m_top; }
    QWidget* BottomPanel() const { return m_bottom; }
    QLabel* Picture() const { return m_picture; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOut();

    TGradientPanel* m_top;
    TGradientPanel* m_bottom;
    QLabel* m_picture;
};

}  // namespace app
