// The two exports of the main window: the result workbook written into the
// Temp folder and opened with the desktop's program for it, and the CSV
// files written into the Temp folder, which is then opened.

#include "app/mainform.h"
#include "app/progressform.h"
#include "results/csvexport.h"
#include "results/resultsheet.h"
#include "xlgridui/dialogs.h"
#include "xlio/resultworkbook.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <filesystem>
#include <new>

namespace app {
namespace {

// Counts the CSV files down in the progress window.
class TCsvProgress : public results::ICsvExportProgress {
public:
    explicit TCsvProgress(TProgressDialog& dialog) : m_dialog(dialog) {}
    void BeginFile(const std::string& text, int steps) override
    {
        m_dialog.SetRange(0, steps);
        m_dialog.SetPosition(0);
        m_dialog.SetText(QString::fromStdString(text));
        ProcessPendingEvents();
    }
    void Step() override { m_dialog.StepIt(); }

private:
    TProgressDialog& m_dialog;
};

}  // namespace

void TfrmMain::BeginExport()
{
    SetBusy(true);
    ProgressDialog->SetRange(0, 0);
    ProgressDialog->SetPosition(0);
    ProgressDialog->SetText(QStringLiteral("初始化..."));
    ProgressDialog->ShowCentred();
}

void TfrmMain::EndExport()
{
    ProgressDialog->SetText(QString());
    ProgressDialog->hide();
    SetBusy(false);
}

QString TfrmMain::WorkbookPath() const
{
    const QDir folder(QString::fromStdString(m_paths.TempFolder.string()));
    const QString stem = QStringLiteral("分班结果_") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
    // Never over a workbook that exists, which may be open in a spreadsheet program.
    QString path = folder.filePath(stem + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("%1_%2.xlsx").arg(stem).arg(n));
    return path;
}

void TfrmMain::ac_OutputExecute()
{
    if (!CurrentDivision || ResultSheets.size() < 2)
        return;
    if (!xlgridui::AskYesNo(this, QStringLiteral("报表创建过程请耐心等候，开始输出？")))
        return;
    BeginExport();
    ProgressDialog->StepIt();

    const std::vector<xlio::TResultSheet> sheets = results::WorkbookSheets(Sheet, ResultSheets);
    xlio::TResultWorkbookOptions options;
    options.Progress = [this](const std::string& text, std::int64_t position, std::int64_t maximum) {
        const int max = int(std::min<std::int64_t>(maximum, INT32_MAX));
        if (ProgressDialog->Maximum() != std::max(max, 1))
            ProgressDialog->SetRange(0, max);
        ProgressDialog->SetText(QString::fromStdString(text));
        ProgressDialog->SetPosition(int(std::min<std::int64_t>(position, max)));
        ProgressDialog->Pump();
    };

    const QString path = WorkbookPath();
    QString failure;
    try {
        std::error_code ec;
        std::filesystem::create_directories(m_paths.TempFolder, ec);
        if (ec)
            throw std::runtime_error("cannot create the folder " + m_paths.TempFolder.string() + ": " + ec.message());
        xlio::WriteResultWorkbook(path.toStdString(), sheets, options);
    } catch (const std::bad_alloc&) {
        failure = QStringLiteral("内存不足。");
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    EndExport();

    if (!failure.isEmpty()) {
        if (xlgridui::AskYesNo(this, failure + QStringLiteral("\n尝试清空Temp文件夹并以CSV格式输出？")))
            ExportCSV();
        return;
    }
    m_lastWorkbook = path;
    if (!OpenUrl(QUrl::fromLocalFile(path)))
        xlgridui::ShowInformation(this, QStringLiteral("分班结果已保存为：\n%1\n没有找到打开它的程序，请用电子表格程序打开。")
                                            .arg(QDir::toNativeSeparators(path)));
}

void TfrmMain::ExportCSV()
{
    if (!CurrentDivision || ResultSheets.size() < 2)
        return;
    BeginExport();

    std::vector<results::TSheetTable> tables;
    tables.reserve(ResultSheets.size());
    for (const results::TBuiltSheet& built : ResultSheets)
        tables.emplace_back(*built.Sheet);
    std::vector<const results::IResultTable*> sheets;
    for (const auto& t : tables)
        sheets.push_back(&t);
    const results::TSheetTable roster(Sheet);
    results::TCsvExportOptions options;
    options.DeleteOldCsv = true;
    TCsvProgress progress(*ProgressDialog);

    QString failure;
    try {
        results::ExportCsv(m_paths.TempFolder, sheets, roster, options, &progress);
    } catch (const std::bad_alloc&) {
        failure = QStringLiteral("内存不足。");
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    if (failure.isEmpty())
        OpenUrl(QUrl::fromLocalFile(QString::fromStdString(m_paths.TempFolder.string())));
    EndExport();
    if (!failure.isEmpty())
        xlgridui::ShowWarning(this, failure + QLatin1Char('\n') + QString::fromUtf8(results::CsvExportAdvice));
}

}  // namespace app
