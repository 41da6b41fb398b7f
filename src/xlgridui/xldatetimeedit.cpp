#include "xlgridui/xldatetimeedit.h"

#include "xlgrid/cell.h"
#include "xlgrid/displayformat.h"
#include "xlgrid/variant.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <cctype>
#include <cmath>
#include <vector>

namespace xlgridui {

namespace {

enum class Field { Day, Month, Year, Hour, Minute, Second, Msec };

struct Picture {
    std::vector<Field> fields;
    bool twelveHour = false;
    bool readable = true;  // false: month or weekday names, or whole-format letters
};

bool StartsWithNoCase(const std::string& s, size_t pos, const char* word)
{
    for (size_t k = 0; word[k]; ++k)
        if (pos + k >= s.size() || std::tolower(static_cast<unsigned char>(s[pos + k])) != word[k])
            return false;
    return true;
}

// The fields of a date picture in order, by the rules of the display format
// ("m" right after an hour is minutes).
Picture ReadPicture(const std::string& pic)
{
    Picture p;
    char last = 0;
    for (size_t i = 0; i < pic.size();) {
        char c = pic[i];
        char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t run = 1;
        while (i + run < pic.size() && std::tolower(static_cast<unsigned char>(pic[i + run])) == lc)
            ++run;
        if (c == '"' || c == '\'') {
            size_t end = pic.find(c, i + 1);
            i = end == std::string::npos ? pic.size() : end + 1;
            continue;
        }
        switch (lc) {
        case 'd':
            if (run <= 2)
                p.fields.push_back(Field::Day);
            else if (run > 4)
                p.readable = false;
            break;
        case 'm':
            if (last == 'h')
                p.fields.push_back(Field::Minute);
            else if (run <= 2)
                p.fields.push_back(Field::Month);
            else
                p.readable = false;
            break;
        case 'y': p.fields.push_back(Field::Year); break;
        case 'h': p.fields.push_back(Field::Hour); break;
        case 'n': p.fields.push_back(Field::Minute); break;
        case 's': p.fields.push_back(Field::Second); break;
        case 'z': p.fields.push_back(Field::Msec); break;
        case 'c':
        case 't': p.readable = false; break;
        case 'a':
            if (StartsWithNoCase(pic, i, "am/pm") || StartsWithNoCase(pic, i, "a/p") ||
                StartsWithNoCase(pic, i, "ampm")) {
                p.twelveHour = true;
                run = StartsWithNoCase(pic, i, "am/pm") ? 5 : StartsWithNoCase(pic, i, "a/p") ? 3 : 4;
            } else {
                run = 1;
            }
            i += run;
            continue;
        default: i += run; continue;
        }
        last = lc;
        i += run;
    }
    return p;
}

bool IsDateField(Field f) { return f == Field::Day || f == Field::Month || f == Field::Year; }

double DatePart(double v) { return std::trunc(v); }
double TimePart(double v) { return std::fabs(v - std::trunc(v)); }
double Combine(double date, double time) { return date >= 0 ? date + time : date - time; }

const QDate kDayZero(1899, 12, 30);

std::optional<double> ParseByPicture(const std::string& text, const Picture& pic, double fallback)
{
    if (!pic.readable || pic.fields.empty())
        return std::nullopt;
    QString t = QString::fromUtf8(text);
    std::vector<QString> groups;
    QString digits;
    bool pm = false, am = false;
    QString lower = t.toLower();
    for (qsizetype i = 0; i <= t.size(); ++i) {
        QChar c = i < t.size() ? t[i] : QChar();
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)  // full-width digits of an input method
            c = QChar(c.unicode() - 0xFF10 + '0');
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits += c;
        } else if (!digits.isEmpty()) {
            groups.push_back(digits);
            digits.clear();
        }
    }
    if (pic.twelveHour) {
        pm = lower.contains(QLatin1String("pm")) || lower.contains(QLatin1Char('p')) ||
             t.contains(QStringLiteral("下午")) || t.contains(QStringLiteral("晚上"));
        am = !pm && (lower.contains(QLatin1Char('a')) || t.contains(QStringLiteral("上午")));
    }
    if (groups.empty() || groups.size() > pic.fields.size())
        return std::nullopt;
    for (size_t k = groups.size(); k < pic.fields.size(); ++k)
        if (IsDateField(pic.fields[k]))
            return std::nullopt;  // a date field left open

    int fy = 0, fm = 0, fd = 0;
    if (fallback != 0) {
        xlgrid::DecodeDate(fallback, fy, fm, fd);
    } else {
        QDate today = QDate::currentDate();
        fy = today.year();
        fm = today.month();
    }
    bool hasDate = false;
    int year = fy, month = fm, day = 1, hour = 0, minute = 0, second = 0, msec = 0;
    for (size_t k = 0; k < groups.size(); ++k) {
        bool ok = false;
        int n = groups[k].left(9).toInt(&ok);
        if (!ok)
            return std::nullopt;
        switch (pic.fields[k]) {
        case Field::Day: day = n; hasDate = true; break;
        case Field::Month: month = n; hasDate = true; break;
        case Field::Year:
            year = n;
            if (groups[k].size() <= 2)
                year += n < 50 ? 2000 : 1900;
            hasDate = true;
            break;
        case Field::Hour: hour = n; break;
        case Field::Minute: minute = n; break;
        case Field::Second: second = n; break;
        case Field::Msec: msec = n; break;
        }
    }
    if (pic.twelveHour && hour <= 12) {
        if (pm && hour < 12)
            hour += 12;
        else if (am && hour == 12)
            hour = 0;
    }
    double date = 0, time = 0;
    if (hasDate && !xlgrid::TryEncodeDate(year, month, day, date))
        return std::nullopt;
    if (!xlgrid::TryEncodeTime(hour, minute, second, msec, time))
        return std::nullopt;
    return Combine(date, time);
}

}  // namespace

std::optional<double> ParseDateTimeText(const std::string& text, const std::string& picture, double fallback)
{
    if (QString::fromUtf8(text).trimmed().isEmpty())
        return std::nullopt;
    if (auto v = ParseByPicture(text, ReadPicture(picture), fallback))
        return v;
    double v = 0;
    if (xlgrid::TryStrToDateTime(text, v) || xlgrid::TryStrToDate(text, v) || xlgrid::TryStrToTime(text, v))
        return v;
    return std::nullopt;
}

// ---- TXLPopupEdit -----------------------------------------------------------

TXLPopupEdit::TXLPopupEdit(QWidget* parent) : TXLMaskEdit(parent) {}

bool TXLPopupEdit::DropDownOpen() const { return m_panel && m_panel->isVisible(); }

void TXLPopupEdit::DropDown()
{
    if (!m_panel) {
        m_panel = new QFrame(this, Qt::Popup);
        m_panel->setFrameShape(QFrame::StyledPanel);
        BuildPanel(m_panel);
    }
    PreparePanel();
    m_panel->adjustSize();
    QSize size = m_panel->sizeHint().expandedTo(m_panel->minimumSizeHint());
    QPoint pos = mapToGlobal(QPoint(0, height()));
    if (QScreen* s = screen()) {
        QRect avail = s->availableGeometry();
        if (pos.y() + size.height() > avail.bottom() && mapToGlobal(QPoint(0, 0)).y() - size.height() >= avail.top())
            pos.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
        pos.setX(std::max(avail.left(), std::min(pos.x(), avail.right() + 1 - size.width())));
    }
    m_panel->setGeometry(QRect(pos, size));
    m_panel->show();
}

void TXLPopupEdit::CloseUp()
{
    if (m_panel)
        m_panel->hide();
    setFocus(Qt::PopupFocusReason);
}

void TXLPopupEdit::keyPressEvent(QKeyEvent* event)
{
    bool altDown = event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier;
    if ((altDown || (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) && ButtonStyle() == esDropDown) {
        DropDown();
        event->accept();
        return;
    }
    TXLMaskEdit::keyPressEvent(event);
}

// ---- TXLDateTimeEdit ----------------------------------------------------------

TXLDateTimeEdit::TXLDateTimeEdit(QWidget* parent) : TXLPopupEdit(parent) {}

TXLLoadResult TXLDateTimeEdit::Load(xlgrid::TXLCell& cell)
{
    std::string format = cell.Format();
    auto [display, options] = xlgrid::SplitFormat(format);
    m_picture = std::string(display.substr(0, display.find(';')));
    bool dropDown = false;
    m_timeOnly = m_dateOnly = false;
    for (char c : options) {
        char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        m_timeOnly = m_timeOnly || lc == 't';
        m_dateOnly = m_dateOnly || lc == 'd';
        dropDown = dropDown || lc == 'c';
    }
    m_dateOnly = m_dateOnly && !m_timeOnly;
    dropDown = dropDown && !m_timeOnly;
    try {
        m_previous = cell.AsDateTime();
    } catch (const std::exception&) {
        m_previous = 0;
    }
    m_mask = {};
    setInputMask(QString());
    // An empty date cell (value 0) opens empty, as it shows, not as 30 December 1899.
    bool empty = m_previous == 0 && cell.Text().empty();
    LoadText(empty ? QString() : QString::fromStdString(xlgrid::FormatDateTime(m_picture, m_previous)));
    SetButtonStyle(dropDown ? esDropDown : esNormal);
    return {ButtonStyle(), false};
}

double TXLDateTimeEdit::Value() const
{
    std::optional<double> v = ParseDateTimeText(text().toStdString(), m_picture, m_previous);
    if (!v)
        return m_previous;
    if (m_timeOnly)
        return Combine(DatePart(m_previous), TimePart(*v));
    if (m_dateOnly)
        return Combine(DatePart(*v), TimePart(m_previous));
    return *v;
}

void TXLDateTimeEdit::Store(xlgrid::TXLCell& cell)
{
    // Unmodified text is not read back: a picture without seconds (or
    // without the time) would otherwise cut them off the stored value.
    if (isModified())
        cell.SetAsDateTime(Value());
}

void TXLDateTimeEdit::BuildPanel(QFrame* panel)
{
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(1, 1, 1, 1);
    m_calendar = new QCalendarWidget(panel);
    m_calendar->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->setGridVisible(true);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    layout->addWidget(m_calendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &TXLDateTimeEdit::DayChosen);
    connect(m_calendar, &QCalendarWidget::activated, this, &TXLDateTimeEdit::DayChosen);
}

void TXLDateTimeEdit::PreparePanel()
{
    m_calendar->setFont(window()->font());
    double v = Value();
    QDate date = v == 0 ? QDate::currentDate() : kDayZero.addDays(static_cast<qint64>(std::floor(v)));
    m_calendar->setSelectedDate(date);
    m_calendar->setCurrentPage(date.year(), date.month());
}

void TXLDateTimeEdit::DayChosen(const QDate& date)
{
    double day = static_cast<double>(kDayZero.daysTo(date));
    double value = Combine(day, TimePart(Value()));
    setText(QString::fromStdString(xlgrid::FormatDateTime(m_picture, value)));
    end(false);
    setModified(true);
    CloseUp();
}

}  // namespace xlgridui
