#pragma once
// Colour choice for the tool bars: the 56-entry palette shared by every
// colour button of the process, the palette box that shows it, and the
// colour tool button whose drop-down panel holds the box.

#include "xlgrid/xltypes.h"

#include <QObject>
#include <QToolButton>
#include <QWidget>

#include <array>

class QMenu;

namespace xlgridui {

class TGSColors : public QObject {
    Q_OBJECT
public:
    static constexpr int kCount = 56;
    TGSColors();
    // The palette every colour button uses unless given another.
    static TGSColors& Global();

    xlgrid::TColor Entry(int index) const;
    void SetEntry(int index, xlgrid::TColor color);

Q_SIGNALS:
    void Changed();

private:
    std::array<xlgrid::TColor, kCount> m_entries;
};

// The box: an optional automatic row on top (its text centred, sunken while
// chosen), then 5 rows of 8 cells (entries 0 to 39), a 10-pixel gap and 2
// rows of 8 (entries 40 to 55). Pressing a cell or the automatic row, or
// moving over them with the button held, chooses it; the release ends the
// choice.
class TXLPaletteBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kAuto = -1, kNone = -2;
    explicit TXLPaletteBox(TGSColors& colors, const QString& autoText = {}, QWidget* parent = nullptr);

    // kAuto, kNone or a palette index.
    int Chosen() const { return m_chosen; }
    void SetChosen(int index);
    // The chosen colour: clNone for the automatic row.
    xlgrid::TColor ChosenColor() const;

    QRect AutoRect() const;
    QRect CellRect(int index) const;
    // What lies under a point: an index, kAuto or kNone.
    int HitTest(const QPoint& point) const;
    QSize sizeHint() const override;

Q_SIGNALS:
    void Picked(int index);
    // The button was released over the box after a choice.
    void Finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int AutoHeight() const;
    void Pick(const QPoint& point);

    TGSColors& m_colors;
    QString m_autoText;
    int m_chosen = kNone;
    bool m_tracking = false;
};

// A tool button with a drop-down arrow. A bar under its image shows the
// chosen colour (AutoColor while the automatic entry is chosen, the button
// shadow colour while disabled). The arrow opens a panel with the palette
// box; a choice closes it and, with AutoClick, clicks the button.
class TGSColorToolButton : public QToolButton {
    Q_OBJECT
public:
    explicit TGSColorToolButton(QWidget* parent = nullptr, TGSColors* colors = nullptr);

    xlgrid::TColor AutoColor() const { return m_autoColor; }
    void SetAutoColor(xlgrid::TColor color);
    QString AutoText() const { return m_autoText; }
    void SetAutoText(const QString& text);
    bool AutoClick() const { return m_autoClick; }
    void SetAutoClick(bool on) { m_autoClick = on; }
    // The chosen entry (TXLPaletteBox::kAuto or an index) and its colour
    // (clNone for the automatic entry).
    int Chosen() const { return m_chosen; }
    void SetChosen(int index);
    xlgrid::TColor Color() const;
    // What the bar shows.
    xlgrid::TColor ShownColor() const;
    // The drop-down panel and its box (created on first use).
    QMenu* Panel();
    TXLPaletteBox* Box();

Q_SIGNALS:
    void ColorChosen();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TGSColors& m_colors;
    QMenu* m_panel = nullptr;
    TXLPaletteBox* m_box = nullptr;
    xlgrid::TColor m_autoColor = xlgrid::clBlack;
    QString m_autoText;
    bool m_autoClick = true;
    int m_chosen = -1;
};

}  // namespace xlgridui
