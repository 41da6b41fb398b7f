#pragma once
// The main window: the tool bar, the background frame, the result tab bar
// with the one read-only grid, and the state every command shares: the
// roster sheet, the current division, the result sheets and the settings
// store. After a balanced division a report panel beside the overview
// shows how balanced the classes came out.
//
// Tab 0 shows the roster; tab k >= 1 shows ResultSheets[k - 1] (the whole
// grade, the classes, the overview last). The commands live in their own
// files: compute.cpp, browse handlers in mainform.cpp, exportcmd.cpp.

#include "app/appglobal.h"
#include "app/browse.h"
#include "engine/configstore.h"
#include "engine/divideclasses.h"
#include "engine/rostercheck.h"
#include "results/resultsheet.h"
#include "xlgrid/sheet.h"

#include <QMainWindow>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QSplitter;
class QMenu;
class QTabBar;
class QToolBar;
class QToolButton;

namespace xlgridui {
class TXLGrid;
}

namespace app {

class TfrmBackground;
class TfrmSetParams;
class TProgressDialog;

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfrmMain(const TAppPaths& paths, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // ---- shared state ----
    xlgrid::TXLSheet Sheet;  // the roster
    std::unique_ptr<engine::TDivideClasses> CurrentDivision;
    std::vector<results::TBuiltSheet> ResultSheets;  // the whole grade, the classes, the overview
    engine::TRosterColumns Columns;  // found by the last roster check
    engine::TSortField SortField;
    engine::TConfigStore fsConfig;

    // ---- controls ----
    QToolBar* ToolBar;
    TfrmBackground* Background;
    QWidget* tcInfoArea;  // the tab bar's page: the grid above, the tabs at the bottom
    QTabBar* tcInfo;
    xlgridui::TXLGrid* Grid;
    QWidget* BalanceReport;          // the report panel (balanced divisions, on the overview)
    QPlainTextEdit* txtBalanceReport;  // its text
    TProgressDialog* ProgressDialog;
    TfrmSetParams* frmSetParams;
    QAction* ac_Compute;
    QAction* ac_Edit;
    QAction* ac_SetParams;
    QAction* ac_Seats;
    QAction* ac_ExportAll;  // the drop-down button's action; its menu holds the two exports
    QAction* ac_Output;     // the Excel export
    QAction* ac_Clear;
    QAction* ac_ClearText;
    QAction* ac_About;
    QMenu* mnuExportAll;
    QAction* mnuExportExcel;
    QAction* mnuExportCSV;
    QLineEdit* txtSearch;

    // The tool bar's button of an action (btnCompute is ToolButton(ac_Compute)).
    QToolButton* ToolButton(QAction* action) const;
    bool TabsVisible() const;

    // ---- commands ----
    void ac_ComputeExecute();
    void ac_EditExecute();
    void ac_SetParamsExecute();
    void ac_SeatsExecute() {}
    void ac_OutputExecute();
    void ExportCSV();
    void ac_ClearExecute();
    void ac_ClearTextExecute();

    // ---- shared operations ----
    void EnableResultControls(bool enabled);
    void StepProgress();
    void UpdateSearchControls();
    void ClearResults();

    // The balance report of the current division; empty after a cyclic one.
    const QString& BalanceReportText() const { return m_report; }

    // ---- browsing ----
    void tcInfoChange();
    void SearchStudent();
    void SelectFoundCell(int row, int col);

    // Brings a roster file in as data editing with an import does; asks
    // first when results are on view. False when nothing was brought in.
    bool BringRosterIn(const QString& file, bool ask);

    // Opens a file or folder with the desktop (tests record instead).
    std::function<bool(const QUrl&)> OpenUrl;
    const TAppPaths& Paths() const { return m_paths; }
    // The workbook the last Excel export wrote.
    const QString& LastWorkbook() const { return m_lastWorkbook; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateToolBar();
    void CreateClientArea();
    void CreateReportPanel();
    void InitRosterSheet();
    void SetTabsVisible(bool visible);
    void SetBusy(bool busy);
    void SaveSettingsReported();
    void EditRoster(const std::function<void()>& designer);
    void OpenDesigner(xlgrid::TXLSheet& sheet);
    void UpdateReportPanel();
    void EditResultCopy(int tab);
    void AfterRosterEdit();
    void TitleRosterByCaption();
    void ShowAbout();
    QString WorkbookPath() const;
    // The window disabled and the progress window at 初始化..., and back.
    void BeginExport();
    void EndExport();

    TAppPaths m_paths;
    // One per result sheet, built with it (empty for the overview).
    std::vector<TStudentSearch> m_search;
    bool m_shownOnce = false;
    bool m_placed = false;
    bool m_busy = false;
    bool m_savedSinceClose = true;
    QString m_lastWorkbook;
    QString m_report;
    QSplitter* m_sheets = nullptr;  // the grid and the report panel
};

}  // namespace app
