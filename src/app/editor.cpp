#include "app/editor.h"

#include "engine/configstore.h"
#include "xlgrid/sheet.h"
#include "xlgridui/xldesigner.h"
#include "xlio/sheetfiles.h"
#include "xlpaint/qtconvert.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdlib>
#include <ostream>
#include <string>

namespace app {

namespace {

bool HasDisplay()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v && *v)
            return true;
    }
    return false;
}

}  // namespace

int RunEditor(int argc, char** argv, std::ostream& err)
{
    // argv[1] is "edit"; argv[2], when given, the file.
    if (argc > 3) {
        err << "fenban: 用法：fenban edit [文件]\nfenban: usage: fenban edit [FILE]\n";
        return 2;
    }
    const std::string file = argc == 3 ? argv[2] : std::string();
    if (!HasDisplay()) {
        err << "fenban: 没有可用的图形显示，无法打开表格编辑器。\n"
               "fenban: no display to open the sheet editor on (DISPLAY is not set).\n";
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("表格编辑器"));
    xlgridui::InstallChineseTranslations(application);
    xlpaint::InstallFontSubstitutions();
    xlpaint::InstallTextMeasure();

    xlgrid::TXLSheet sheet;
    xlio::PrepareRosterSheet(sheet);
    if (!file.empty() && QFileInfo::exists(QString::fromLocal8Bit(file.c_str()))) {
        try {
            xlio::LoadSheet(file, sheet);
        } catch (const std::exception& e) {
            err << "fenban: " << e.what() << "\n";
            return 2;
        }
    }
    sheet.SetModified(false);
    xlgridui::TXLDesignerOptions options;
    options.StandAlone = true;
    options.FileName = QString::fromLocal8Bit(file.c_str());
    options.TempFolder = QString::fromStdString(engine::DefaultTempFolder().string());
    xlgridui::ShowSheetDesigner(sheet, options);
    return 0;
}

}  // namespace app
