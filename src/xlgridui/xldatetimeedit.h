#pragma once
// The date and time editor: a single-line edit with an optional drop-down
// calendar.
//
// Options after "|" (any case): t time only, d date only (when t is absent),
// c a calendar button (not for time only). The text is read back by the
// cell's date picture first (the order of day, month and year fields, any
// separators, so 5/3/2024 or 2024年3月5日 both work), then in the program's
// own formats; a text that cannot be read keeps the previous value.

#include "xlgridui/xlmaskedit.h"

#include <optional>
#include <string>

class QCalendarWidget;
class QDate;
class QFrame;

namespace xlgridui {

// Reads a date-time text by a date picture (the display format's first
// section): the digit groups of the text fill the picture's fields in order;
// fields the picture lacks take the defaults (year of `fallback`, day 1,
// time 0). Falls back to the program's own formats. Nothing when unreadable.
std::optional<double> ParseDateTimeText(const std::string& text, const std::string& picture, double fallback);

// A single-line edit with a drop-down panel under it.
class TXLPopupEdit : public TXLMaskEdit {
    Q_OBJECT
public:
    explicit TXLPopupEdit(QWidget* parent);

    void ButtonClick(bool) override { DropDown(); }
    bool DropDownOpen() const override;
    void DropDown();
    void CloseUp();
    QFrame* Panel() const { return m_panel; }
    // esDropDown when the panel may open (by the button, Alt+Down or F4).
    TXLEditStyle ButtonStyle() const { return m_style; }

protected:
    void SetButtonStyle(TXLEditStyle style) { m_style = style; }
    // Creates the panel's content inside the panel (once).
    virtual void BuildPanel(QFrame* panel) = 0;
    // Prepares the content each time before the panel shows.
    virtual void PreparePanel() {}
    void keyPressEvent(QKeyEvent* event) override;

private:
    QFrame* m_panel = nullptr;
    TXLEditStyle m_style = esNormal;
};

class TXLDateTimeEdit : public TXLPopupEdit {
    Q_OBJECT
public:
    explicit TXLDateTimeEdit(QWidget* parent);

    TXLLoadResult Load(xlgrid::TXLCell& cell) override;
    void Store(xlgrid::TXLCell& cell) override;

    // The value of the text by the t / d options; the previous value when
    // the text cannot be read.
    double Value() const;
    QCalendarWidget* Calendar() const { return m_calendar; }

protected:
    void BuildPanel(QFrame* panel) override;
    void PreparePanel() override;

private:
    void DayChosen(const QDate& date);

    std::string m_picture;
    double m_previous = 0;
    bool m_timeOnly = false;
    bool m_dateOnly = false;
    QCalendarWidget* m_calendar = nullptr;
};

}  // namespace xlgridui
