#include "xlpaint/qtconvert.h"

#include "xlgrid/sheet.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <mutex>

namespace xlpaint {

namespace {

// Neutral stand-ins for the system colours when no application palette exists.
QColor FixedSystemColor(int index)
{
    switch (index) {
    case 5: case 20: case 14: case 24: return QColor(255, 255, 255);
    case 8: case 7: case 18: case 9: case 23: case 6: return QColor(0, 0, 0);
    case 13: case 2: case 27: case 29: return QColor(48, 140, 198);
    case 16: case 17: return QColor(160, 160, 160);
    case 21: return QColor(105, 105, 105);
    case 22: return QColor(227, 227, 227);
    case 26: return QColor(0, 102, 204);
    default: return QColor(240, 240, 240);  // button face, menus, scroll bars
    }
}

QColor PaletteSystemColor(const QPalette& p, int index)
{
    switch (index) {
    case 5: return p.color(QPalette::Base);             // window background
    case 6: case 8: return p.color(QPalette::Text);     // window frame, window text
    case 7: return p.color(QPalette::WindowText);       // menu text
    case 9: case 14: return p.color(QPalette::HighlightedText);
    case 2: case 3: case 13: case 27: case 28: case 29: return p.color(QPalette::Highlight);
    case 12: return p.color(QPalette::Mid);             // application workspace
    case 16: return p.color(QPalette::Dark);            // button shadow
    case 17: return p.color(QPalette::Disabled, QPalette::Text);
    case 18: return p.color(QPalette::ButtonText);
    case 19: return p.color(QPalette::Disabled, QPalette::WindowText);
    case 20: return p.color(QPalette::Light);           // button highlight
    case 21: return p.color(QPalette::Shadow);          // 3D dark shadow
    case 22: return p.color(QPalette::Midlight);        // 3D light
    case 23: return p.color(QPalette::ToolTipText);
    case 24: return p.color(QPalette::ToolTipBase);
    case 26: return p.color(QPalette::Link);
    case 1: case 4: case 30: return p.color(QPalette::Window);
    default: return p.color(QPalette::Button);          // scroll bar, button face, borders
    }
}

}  // namespace

QColor ToQColor(xlgrid::TColor color)
{
    if (color == xlgrid::clNone)
        return QColor();
    if ((color & 0xFF000000u) == 0xFF000000u) {
        int index = static_cast<int>(color & 0xFF);
        if (qGuiApp)
            return PaletteSystemColor(QGuiApplication::palette(), index);
        return FixedSystemColor(index);
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

void InstallFontSubstitutions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Serif names go to a serif face, the others to a sans one; the rest
        // of each list covers what the first lacks, down to HanaMin for the
        // rare name characters of CJK Extensions A and B.
        const QStringList rare = {QStringLiteral("HanaMinA"), QStringLiteral("HanaMinB")};
        const QStringList serif = QStringList{QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                                              QStringLiteral("Noto Sans CJK SC"), QStringLiteral("AR PL UMing CN")}
                                  + rare;
        const QStringList sans = QStringList{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                                             QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN")}
                                 + rare;
        for (const char* name : {"宋体", "新宋体", "SimSun", "NSimSun", "楷体", "楷体_GB2312", "KaiTi", "仿宋",
                                 "仿宋_GB2312", "FangSong"})
            QFont::insertSubstitutions(QString::fromUtf8(name), serif);
        for (const char* name : {"黑体", "SimHei", "微软雅黑", "Microsoft YaHei"})
            QFont::insertSubstitutions(QString::fromUtf8(name), sans);
    });
}

QFont ToQFont(const xlgrid::TXLFont& font, int zoom)
{
    InstallFontSubstitutions();
    QFont f(QString::fromUtf8(font.Name.data(), static_cast<qsizetype>(font.Name.size())));
    double px = font.Size * 96.0 / 72.0 * zoom / 100.0;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
    f.setBold((font.Style & xlgrid::fsBold) != 0);
    f.setItalic((font.Style & xlgrid::fsItalic) != 0);
    f.setUnderline((font.Style & xlgrid::fsUnderline) != 0);
    f.setStrikeOut((font.Style & xlgrid::fsStrikeOut) != 0);
    return f;
}

xlgrid::TXLSize TQtTextMeasure::MeasureText(const std::string& text, const xlgrid::TXLFont& font) const
{
    QFontMetrics fm(ToQFont(font));
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (s.isEmpty())
        return {0, fm.height()};
    QSize size = fm.size(Qt::TextExpandTabs, s);
    return {size.width(), size.height()};
}

void InstallTextMeasure()
{
    static const TQtTextMeasure measure;
    xlgrid::TXLSheet::SetTextMeasure(&measure);
}

QGuiApplication* EnsureGuiApplication()
{
    if (!qGuiApp) {
        // Without a display the offscreen platform still has fonts and images.
        if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "fenban";
        static char* argv[] = {name, nullptr};
        // Deliberately never freed: the application must outlive every painter
        // and font, and static destruction order cannot promise that.
        new QGuiApplication(argc, argv);
    }
    InstallFontSubstitutions();
    InstallTextMeasure();
    return qGuiApp;
}

}  // namespace xlpaint
