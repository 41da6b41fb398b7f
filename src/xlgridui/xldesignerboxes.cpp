#include "xlgridui/xldesignerboxes.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cmath>

namespace xlgridui {

namespace {
// Enter in an editable box is seen both as the line's return and as the
// box's activation: one report per user action.
template <class Box, class Signal> void ReportOnce(Box* box, bool& queued, Signal signal)
{
    if (queued)
        return;
    queued = true;
    QMetaObject::invokeMethod(
        box,
        [box, &queued, signal]() {
            queued = false;
            Q_EMIT(box->*signal)();
        },
        Qt::QueuedConnection);
}
}  // namespace

void TXLToolBox::hidePopup()
{
    QComboBox::hidePopup();
    Q_EMIT PopupClosed();
}

// ---- zoom ----

TXLZoomBox::TXLZoomBox(QWidget* parent) : TXLToolBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    for (int v : {200, 150, 100, 75, 50, 25, 10})
        addItem(Format(v));
    lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.,%]*")), lineEdit()));
    SetValue(100);
    connect(this, &QComboBox::activated, this, [this](int index) { Commit(itemText(index)); });
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this]() { Commit(lineEdit()->text()); });
}

double TXLZoomBox::Parse(const QString& text, double fallback)
{
    QString t = text;
    t.remove('%');
    t.replace(',', '.');
    bool ok = false;
    double v = t.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return fallback;
    return std::clamp(v, 10.0, 500.0);
}

QString TXLZoomBox::Format(double value)
{
    QString s = QString::number(std::round(value * 100) / 100, 'f', 2);
    while (s.contains('.') && (s.endsWith('0') || s.endsWith('.')))
        s.chop(1);
    return s + '%';
}

void TXLZoomBox::SetValue(double value)
{
    m_value = std::clamp(value, 10.0, 500.0);
    const QSignalBlocker block(this);
    setEditText(Format(m_value));
}

void TXLZoomBox::Commit(const QString& text)
{
    SetValue(Parse(text, m_value));
    ReportOnce(this, m_queued, &TXLZoomBox::ValueChosen);
}

// ---- font size ----

TXLFontSizeBox::TXLFontSizeBox(QWidget* parent) : TXLToolBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    for (int v : {6, 7, 8, 9, 10, 12, 14, 16, 20, 24, 32, 48, 72})
        addItem(QString::number(v));
    lineEdit()->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), lineEdit()));
    SetValue(9);
    connect(this, &QComboBox::activated, this, [this](int) { ReportOnce(this, m_queued, &TXLFontSizeBox::SizeChosen); });
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this]() {
        if (Value() >= 1)
            ReportOnce(this, m_queued, &TXLFontSizeBox::SizeChosen);
    });
}

int TXLFontSizeBox::Value() const
{
    bool ok = false;
    const int v = currentText().trimmed().toInt(&ok);
    return ok ? v : 9;
}

void TXLFontSizeBox::SetValue(int size)
{
    const QSignalBlocker block(this);
    setEditText(size >= 1 ? QString::number(size) : QString());
}

// ---- font name ----

TXLFontNameBox::TXLFontNameBox(QWidget* parent) : TXLToolBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    QStringList names;
    for (const QString& family : QFontDatabase::families())
        if (QFontDatabase::isScalable(family) && !QFontDatabase::isPrivateFamily(family))
            names << family;
    for (const char* own : {"宋体", "黑体", "楷体", "仿宋"})
        if (!names.contains(QString::fromUtf8(own)))
            names << QString::fromUtf8(own);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    names.removeDuplicates();
    addItems(names);
    SetFontName(QStringLiteral("宋体"));
    connect(this, &QComboBox::activated, this, [this](int) { ReportOnce(this, m_queued, &TXLFontNameBox::FontChosen); });
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this]() {
        if (!currentText().trimmed().isEmpty())
            ReportOnce(this, m_queued, &TXLFontNameBox::FontChosen);
    });
}

void TXLFontNameBox::SetFontName(const QString& name)
{
    const QSignalBlocker block(this);
    const int index = findText(name);
    if (index >= 0)
        setCurrentIndex(index);
    setEditText(name);
}

}  // namespace xlgridui
