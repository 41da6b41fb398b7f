#include "app/appglobal.h"

#include "app/mainform.h"
#include "app/multinst.h"
#include "engine/configstore.h"
#include "xlgrid/variant.h"
#include "xlgridui/xldesigner.h"
#include "xlio/sheetfiles.h"
#include "xlpaint/qtconvert.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QScreen>

#include <cstdio>
#include <cstring>

namespace app {

QString ProductTitle(int year)
{
    return QStringLiteral("分班系统 %1 版  %2").arg(QLatin1String(ProductVersion)).arg(year);
}

bool ApplyDateFormats()
{
    // The sheet model parses and shows dates and times in fixed process
    // formats; Qt's own widgets follow the Chinese locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const xlgrid::ProcessFormats& f = xlgrid::Formats();
    return f.ShortDateFormat == "yyyy-MM-dd" && f.LongTimeFormat == "hh:nn:ss" && f.DateSeparator == '-'
           && f.TimeSeparator == ':';
}

TAppPaths DefaultAppPaths()
{
    return {engine::DefaultConfigFile(), engine::DefaultTempFolder()};
}

bool IsRosterFile(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("xlsx") || suffix == QLatin1String("xls") || suffix == QLatin1String("csv")
           || suffix == QLatin1String("xlf");
}

int RunDesktop(int argc, char** argv)
{
    TAppPaths paths = DefaultAppPaths();
    QString roster;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--config") == 0 && i + 1 < argc) {
            paths.ConfigFile = argv[++i];
        } else if (std::strncmp(arg, "--config=", 9) == 0) {
            paths.ConfigFile = arg + 9;
        } else if (arg[0] == '-' || !roster.isEmpty()) {
            std::fprintf(stderr, "fenban: unexpected argument %s (fenban --help)\n", arg);
            return 2;
        } else {
            roster = QString::fromLocal8Bit(arg);
        }
    }
    if (!roster.isEmpty() && !QFileInfo(roster).isFile()) {
        std::fprintf(stderr, "fenban: cannot open %s\n", qPrintable(roster));
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fenban"));
    TSingleInstance guard;
    if (!guard.Acquire())
        return 0;

    xlgridui::InstallChineseTranslations(application);
    ApplyDateFormats();
    xlpaint::InstallFontSubstitutions();
    xlpaint::InstallTextMeasure();

    TfrmMain window(paths);
    window.show();
    if (!roster.isEmpty())
        window.BringRosterIn(QFileInfo(roster).absoluteFilePath(), false);
    return QApplication::exec();
}

}  // namespace app
