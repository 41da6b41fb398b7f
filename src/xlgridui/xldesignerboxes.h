#pragma once
// The zoom, font and font-size boxes of the designer's tool bars. Each
// reports the user's choice (a pick from the list or Enter after typing)
// with one signal; setting the value from code reports nothing.

#include <QComboBox>

namespace xlgridui {

// An editable tool-bar box that says when its drop-down list closes (the
// designer then gives the focus back to the grid).
class TXLToolBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void hidePopup() override;

Q_SIGNALS:
    void PopupClosed();
};

// (Enter in an editable box is reported once, just after the event.)
//
// Zoom in percent: lists 200, 150, 100, 75, 50, 25 and 10 with a percent
// sign; typing takes digits, "%", "." and ","; the value stays within 10 and
// 500 and shows as "0.##%".
class TXLZoomBox : public TXLToolBox {
    Q_OBJECT
public:
    explicit TXLZoomBox(QWidget* parent = nullptr);
    double Value() const { return m_value; }
    void SetValue(double value);
    // A typed text: "%" removed, "." or "," as the decimal separator, kept
    // within 10 and 500; the fallback when it is no number.
    static double Parse(const QString& text, double fallback);
    static QString Format(double value);

Q_SIGNALS:
    void ValueChosen();

private:
    void Commit(const QString& text);
    double m_value = 100;
    bool m_queued = false;
};

// Font size in points: lists 6 to 72; typing takes digits; a text that is no
// number reads as 9; sizes below 1 are refused.
class TXLFontSizeBox : public TXLToolBox {
    Q_OBJECT
public:
    explicit TXLFontSizeBox(QWidget* parent = nullptr);
    int Value() const;
    void SetValue(int size);

Q_SIGNALS:
    void SizeChosen();

private:
    bool m_queued = false;
};

// Font name: the scalable fonts, sorted, with 宋体 (mapped to an installed
// CJK font) among them; starts at 宋体. Its size box supplies the size.
class TXLFontNameBox : public TXLToolBox {
    Q_OBJECT
public:
    explicit TXLFontNameBox(QWidget* parent = nullptr);
    QString FontName() const { return currentText(); }
    void SetFontName(const QString& name);
    TXLFontSizeBox* SizeBox() const { return m_sizeBox; }
    void SetSizeBox(TXLFontSizeBox* box) { m_sizeBox = box; }

Q_SIGNALS:
    void FontChosen();

private:
    TXLFontSizeBox* m_sizeBox = nullptr;
    bool m_queued = false;
};

}  // namespace xlgridui
