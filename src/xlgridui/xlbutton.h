#pragma once
// The button at the right edge of the in-cell editor host: none, a spinner
// (an up and a down half), a plain button or a drop-down arrow.
//
// The button never takes the focus, so the editor keeps it while the button
// is pressed. A spinner half steps once when pressed, then repeats on a
// 50 ms timer whose ticks follow StepsOnTick; a release stops it.

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace xlgridui {

enum TXLEditStyle : uint8_t { esNormal, esSpinner, esButton, esDropDown };

class TXLButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRepeatInterval = 50;  // ms

    explicit TXLButton(QWidget* parent = nullptr);

    TXLEditStyle Style() const { return m_style; }
    // esNormal hides the button.
    void SetStyle(TXLEditStyle style);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);

    // Called with the lower-half flag (spinner: step down) on every step and
    // on every click of the other styles.
    std::function<void(bool lower)> OnClick;

    // Whether the repeat timer steps on its n-th tick (counted from 1): up to
    // tick 19 every fifth tick, from 20 to 49 every even tick, then every tick.
    static bool StepsOnTick(int tick);
    // One tick of the repeat timer (the timer calls it; tests may drive it).
    void RepeatTick();
    bool Repeating() const { return m_timer.isActive(); }
    int Ticks() const { return m_ticks; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum class Part { None, Upper, Lower, Whole };
    Part PartAt(const QPoint& pos) const;
    void Press(Part part);
    void StopRepeat();

    TXLEditStyle m_style = esNormal;
    bool m_flat = false;
    Part m_pressed = Part::None;
    QTimer m_timer;
    int m_ticks = 0;
};

}  // namespace xlgridui
