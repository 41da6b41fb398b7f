#include "xlgridui/xldesignerio.h"

#include "xlgridui/dialogs.h"

#include "xlgrid/sheet.h"
#include "xlio/csvreader.h"
#include "xlio/sheetexport.h"
#include "xlio/sheetimport.h"
#include "xlio/xlsreader.h"
#include "xlio/xlsxreader.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>
#include <memory>

namespace xlgridui {

namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

QString AskOpen(QWidget* parent, TXLDesignerFiles& files, const QString& title, const QString& filter)
{
    TXLFileRequest request;
    request.Title = title;
    request.Folder = files.OpenFolder;
    request.Filters = {filter};
    const QString path = Dialogs().OpenFileName(parent, request);
    if (!path.isEmpty())
        files.OpenFolder = FolderOf(path);
    return path;
}

xlio::Table ReadWorkbook(const QString& path)
{
    const bool legacy = QFileInfo(path).suffix().compare("xls", Qt::CaseInsensitive) == 0;
    return legacy ? xlio::ReadXls(Local(path)) : xlio::ReadXlsx(Local(path));
}

xlio::Table ReadCsv(const QString& path) { return xlio::ReadCsvFile(std::filesystem::path(Local(path))); }

}  // namespace

void ImportWorkbookFile(xlgrid::TXLSheet& sheet, const QString& path)
{
    xlio::ImportTable(sheet, ReadWorkbook(path), Local(path));
}

void ImportCsvFile(xlgrid::TXLSheet& sheet, const QString& path)
{
    xlio::ImportCsvIntoSheet(sheet, ReadCsv(path), Local(path));
}

namespace {

// A large file takes a moment: a progress dialog names the step under way.
class TXLImportProgress {
public:
    TXLImportProgress(QWidget* parent, const QString& path, const QString& title)
    {
        if (QFileInfo(path).size() < kShowFrom)
            return;
        m_dialog = std::make_unique<QProgressDialog>(QString(), QString(), 0, 2, parent);
        m_dialog->setWindowTitle(title);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setCancelButton(nullptr);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
    }
    void Step(int step, const QString& text)
    {
        if (!m_dialog)
            return;
        m_dialog->setLabelText(text);
        m_dialog->setValue(step);
        m_dialog->show();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    bool Shown() const { return m_dialog != nullptr; }

private:
    static constexpr qint64 kShowFrom = qint64(512) << 10;
    std::unique_ptr<QProgressDialog> m_dialog;
};

// The sheet stays read-only while the export lets pending events run, so
// that nothing can change what is being written; the old state comes back
// also when the export fails.
class TXLReadOnlyWhile {
public:
    explicit TXLReadOnlyWhile(xlgrid::TXLSheet& sheet) : m_sheet(sheet), m_old(sheet.ReadOnly())
    {
        m_sheet.SetReadOnly(true);
    }
    ~TXLReadOnlyWhile() { m_sheet.SetReadOnly(m_old); }
    TXLReadOnlyWhile(const TXLReadOnlyWhile&) = delete;
    TXLReadOnlyWhile& operator=(const TXLReadOnlyWhile&) = delete;

private:
    xlgrid::TXLSheet& m_sheet;
    bool m_old;
};

}  // namespace

bool RunExcelImport(QWidget* parent, xlgrid::TXLSheet& sheet, TXLDesignerFiles& files)
{
    const QString path =
        AskOpen(parent, files, QStringLiteral("导入 Excel 数据"), QStringLiteral("Excel 文件(*.xls *.xlsx)"));
    if (path.isEmpty())
        return false;
    TXLImportProgress progress(parent, path, QStringLiteral("导入 Excel 数据"));
    try {
        progress.Step(0, QStringLiteral("正在读取“%1”...").arg(QFileInfo(path).fileName()));
        xlio::Table table = ReadWorkbook(path);
        progress.Step(1, QStringLiteral("正在填入 %1 行...").arg(table.size()));
        xlio::ImportTable(sheet, std::move(table), Local(path));
        progress.Step(2, QStringLiteral("完成"));
    } catch (const std::exception& e) {
        ShowError(parent, QString::fromStdString(e.what()) +
                              QStringLiteral("\nExcel文件导入错误，可以将数据源文件另存为CSV格式后导入。"));
        return false;
    }
    return true;
}

bool RunCsvImport(QWidget* parent, xlgrid::TXLSheet& sheet, TXLDesignerFiles& files)
{
    const QString path = AskOpen(parent, files, QStringLiteral("导入 CSV 数据"), QStringLiteral("CSV 文件(*.csv)"));
    if (path.isEmpty())
        return false;
    TXLImportProgress progress(parent, path, QStringLiteral("导入 CSV 数据"));
    try {
        progress.Step(0, QStringLiteral("正在读取“%1”...").arg(QFileInfo(path).fileName()));
        xlio::Table records = ReadCsv(path);
        progress.Step(1, QStringLiteral("正在填入 %1 行...").arg(records.size()));
        xlio::ImportCsvIntoSheet(sheet, std::move(records), Local(path));
        progress.Step(2, QStringLiteral("完成"));
    } catch (const std::exception& e) {
        ShowError(parent, QString::fromStdString(e.what()));
        return false;
    }
    return true;
}

QString ExportFileName(const QString& title)
{
    QString name = title.trimmed();
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("工作表");
    return name + QStringLiteral(".xlsx");
}

QString RunWorkbookExport(QWidget* parent, xlgrid::TXLSheet& sheet, TXLExportKind kind, TXLDesignerFiles& files)
{
    TXLFileRequest request;
    request.Title = kind == ekFormatted ? QStringLiteral("数据另存 Excel") : QStringLiteral("快速另存 Excel");
    request.Folder = files.ExportFolder.isEmpty() ? QDir::tempPath() : files.ExportFolder;
    request.FileName = QDir(request.Folder).filePath(ExportFileName(QString::fromStdString(sheet.Title())));
    request.Filters = {QStringLiteral("Excel 工作簿 (*.xlsx)")};
    request.DefaultSuffix = QStringLiteral("xlsx");
    QString path = Dialogs().SaveFileName(parent, request);
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".xlsx");

    TXLReadOnlyWhile readOnly(sheet);
    const int64_t maximum = int64_t(sheet.ColCount()) * sheet.RowCount() + 2;
    QProgressDialog progress(request.Title + QStringLiteral("..."), QString(), 0, 1000, parent);
    progress.setWindowTitle(request.Title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setCancelButton(nullptr);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    progress.show();
    QApplication::processEvents();

    xlio::TSheetExportOptions options;
    options.TextFormat = files.TextFormat.toStdString();
    int shown = -1;
    options.Progress = [&progress, &shown, maximum](int64_t position, int64_t) {
        const int permille = static_cast<int>(std::clamp<int64_t>(position * 1000 / std::max<int64_t>(1, maximum), 0, 1000));
        // Repaint only when the bar moves: a large sheet has millions of steps.
        if (permille != shown) {
            shown = permille;
            progress.setValue(permille);
            QApplication::processEvents();
        }
    };
    try {
        if (kind == ekFormatted)
            xlio::ExportSheetFormatted(Local(path), sheet, options);
        else
            xlio::ExportSheetQuick(Local(path), sheet, options);
    } catch (const std::exception& e) {
        progress.hide();
        ShowError(parent, QString::fromStdString(e.what()));
        return {};
    }
    progress.hide();
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    const bool opened = files.OpenUrl ? files.OpenUrl(url) : QDesktopServices::openUrl(url);
    if (!opened)
        ShowInformation(parent, QStringLiteral("工作簿已保存到“%1”。").arg(QDir::toNativeSeparators(path)));
    return path;
}

}  // namespace xlgridui
