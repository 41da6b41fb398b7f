#include "app/mainform.h"

#include "app/bgframe.h"
#include "app/browse.h"
#include "app/progressform.h"
#include "app/setparamsform.h"
#include "engine/sheetroster.h"
#include "engine/textrules.h"
#include "xlgrid/cell.h"
#include "xlgrid/sheetstream.h"
#include "xlgridui/dialogs.h"
#include "xlgridui/grid.h"
#include "xlgridui/xldesigner.h"
#include "xlio/sheetfiles.h"

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <exception>

// The picture and icons live in the library's resources, which a static
// library must register itself.
static void InitAppResources()
{
    Q_INIT_RESOURCE(fenban);
}

namespace app {
namespace {

QString Qt8(const std::string& text) { return QString::fromStdString(text); }

// The first local roster file among dropped URLs, or an empty text.
QString DroppedRoster(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && IsRosterFile(url.toLocalFile()))
            return url.toLocalFile();
    return {};
}

}  // namespace

TfrmMain::TfrmMain(const TAppPaths& paths, QWidget* parent)
    : QMainWindow(parent), fsConfig(paths.ConfigFile), m_paths(paths)
{
    InitAppResources();
    setObjectName(QStringLiteral("frmMain"));
    OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    setAcceptDrops(true);

    // FormCreate.
    ApplyDateFormats();
    setWindowTitle(ProductTitle(QDate::currentDate().year()));
    setWindowIcon(QIcon(QStringLiteral(":/fenban/picture.png")));
    CreateActions();
    CreateToolBar();
    CreateClientArea();
    Background->SetPicture(QPixmap(QStringLiteral(":/fenban/picture.png")));
    InitRosterSheet();
    SortField = {};
    Columns = {};

    ProgressDialog = new TProgressDialog(this);
    frmSetParams = new TfrmSetParams(this, fsConfig);
    connect(frmSetParams, &TfrmSetParams::SeatsSwitchedOff, this, [this] { ac_Seats->setEnabled(false); });
}

TfrmMain::~TfrmMain()
{
    if (!m_savedSinceClose)
        SaveSettingsReported();
    Grid->SetSheet(nullptr);
    ClearResults();
    Grid->SetSheet(nullptr);
}

void TfrmMain::CreateActions()
{
    auto make = [this](const char* name, const char* caption, QStyle::StandardPixmap icon, void (TfrmMain::*run)()) {
        auto* a = new QAction(style()->standardIcon(icon), QString::fromUtf8(caption), this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(QString::fromUtf8(caption));
        if (run)
            connect(a, &QAction::triggered, this, run);
        return a;
    };
    ac_Compute = make("ac_Compute", "开始分班", QStyle::SP_MediaPlay, &TfrmMain::ac_ComputeExecute);
    ac_Edit = make("ac_Edit", "数据编辑", QStyle::SP_FileDialogDetailedView, &TfrmMain::ac_EditExecute);
    ac_SetParams = make("ac_SetParams", "参数设置", QStyle::SP_FileDialogInfoView, &TfrmMain::ac_SetParamsExecute);
    ac_Seats = make("ac_Seats", "座位表格", QStyle::SP_FileDialogListView, &TfrmMain::ac_SeatsExecute);
    ac_ExportAll = make("ac_ExportAll", "一键输出", QStyle::SP_DialogSaveButton, nullptr);
    ac_Output = make("ac_Output", "一键输出", QStyle::SP_DialogSaveButton, &TfrmMain::ac_OutputExecute);
    ac_Clear = make("ac_Clear", "清除表格", QStyle::SP_TrashIcon, &TfrmMain::ac_ClearExecute);
    ac_ClearText = make("ac_ClearText", "清除文本", QStyle::SP_LineEditClearButton, &TfrmMain::ac_ClearTextExecute);
    ac_About = make("ac_About", "关于", QStyle::SP_MessageBoxInformation, &TfrmMain::ShowAbout);

    mnuExportAll = new QMenu(this);
    mnuExportAll->setObjectName(QStringLiteral("mnuExportAll"));
    mnuExportExcel = mnuExportAll->addAction(QStringLiteral("输出Excel文件"));
    mnuExportExcel->setObjectName(QStringLiteral("mnuExportExcel"));
    mnuExportCSV = mnuExportAll->addAction(QStringLiteral("输出CSV文件"));
    mnuExportCSV->setObjectName(QStringLiteral("mnuExportCSV"));
    connect(mnuExportExcel, &QAction::triggered, ac_Output, &QAction::trigger);
    connect(mnuExportCSV, &QAction::triggered, this, &TfrmMain::ExportCSV);
    ac_ExportAll->setMenu(mnuExportAll);

    for (QAction* a : {ac_Compute, ac_Seats, ac_ExportAll, ac_Clear, ac_ClearText})
        a->setEnabled(false);
}

void TfrmMain::CreateToolBar()
{
    ToolBar = addToolBar(QStringLiteral("工具栏"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar->setIconSize(QSize(24, 24));
    ToolBar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    const std::pair<QAction*, const char*> buttons[] = {
        {ac_Compute, "btnCompute"}, {ac_Edit, "btnEdit"},           {ac_SetParams, "btnSetParams"},
        {ac_Seats, "btnSeats"},     {ac_ExportAll, "btnExportAll"}, {ac_Clear, "btnClear"}};
    for (const auto& [action, name] : buttons) {
        ToolBar->addAction(action);
        ToolButton(action)->setObjectName(QLatin1String(name));
    }
    ToolButton(ac_ExportAll)->setPopupMode(QToolButton::InstantPopup);
    ToolBar->addSeparator();

    txtSearch = new QLineEdit(ToolBar);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("查找姓名或学号"));
    txtSearch->setFixedWidth(180);
    txtSearch->setEnabled(false);
    ToolBar->addWidget(txtSearch);
    connect(txtSearch, &QLineEdit::textChanged, this, [this] { SearchStudent(); });
    ToolBar->addAction(ac_ClearText);
    ToolButton(ac_ClearText)->setObjectName(QStringLiteral("btnClearText"));
    ToolButton(ac_ClearText)->setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto* spacer = new QWidget(ToolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar->addWidget(spacer);
    ToolBar->addAction(ac_About);
    ToolButton(ac_About)->setObjectName(QStringLiteral("btnAbout"));
}

void TfrmMain::CreateClientArea()
{
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Background = new TfrmBackground(client);
    tcInfoArea = new QWidget(client);
    tcInfoArea->setObjectName(QStringLiteral("tcInfoArea"));
    auto* page = new QVBoxLayout(tcInfoArea);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    Grid = new xlgridui::TXLGrid(tcInfoArea);
    Grid->setObjectName(QStringLiteral("Grid"));
    // Read-only, with column and row titles, grid lines and column sizing.
    Grid->SetOptions(xlgridui::kDefaultOptions | xlgridui::OptionBit(xlgridui::oReadOnly)
                     | xlgridui::OptionBit(xlgridui::oColSizing));
    CreateReportPanel();
    tcInfo = new QTabBar(tcInfoArea);
    tcInfo->setObjectName(QStringLiteral("tcInfo"));
    tcInfo->setShape(QTabBar::RoundedSouth);
    tcInfo->setExpanding(false);
    tcInfo->setUsesScrollButtons(true);
    tcInfo->setDrawBase(true);
    // The report beside the grid; the teacher may widen either.
    m_sheets = new QSplitter(Qt::Horizontal, tcInfoArea);
    m_sheets->setChildrenCollapsible(false);
    m_sheets->addWidget(Grid);
    m_sheets->addWidget(BalanceReport);
    m_sheets->setStretchFactor(0, 1);
    m_sheets->setStretchFactor(1, 0);
    page->addWidget(m_sheets, 1);
    page->addWidget(tcInfo);
    layout->addWidget(Background, 1);
    layout->addWidget(tcInfoArea, 1);
    setCentralWidget(client);
    connect(tcInfo, &QTabBar::currentChanged, this, [this] { tcInfoChange(); });
    SetTabsVisible(false);
}

void TfrmMain::CreateReportPanel()
{
    BalanceReport = new QWidget(tcInfoArea);
    BalanceReport->setObjectName(QStringLiteral("BalanceReport"));
    auto* layout = new QVBoxLayout(BalanceReport);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* caption = new QLabel(QStringLiteral("均衡报告"), BalanceReport);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    txtBalanceReport = new QPlainTextEdit(BalanceReport);
    txtBalanceReport->setObjectName(QStringLiteral("txtBalanceReport"));
    txtBalanceReport->setReadOnly(true);
    txtBalanceReport->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(caption);
    layout->addWidget(txtBalanceReport, 1);
    BalanceReport->setMinimumWidth(200);
    BalanceReport->hide();
}

void TfrmMain::UpdateReportPanel()
{
    const int k = tcInfo->currentIndex();
    const bool on = !m_report.isEmpty() && k > 0 && k == tcInfo->count() - 1;
    if (txtBalanceReport->toPlainText() != m_report)
        txtBalanceReport->setPlainText(m_report);
    if (on == !BalanceReport->isHidden())
        return;
    BalanceReport->setVisible(on);
    // Wide enough for the report's longest lines, the grid keeps the rest.
    constexpr int kReportWidth = 520;
    if (on)
        m_sheets->setSizes({std::max(m_sheets->width() - kReportWidth, 200), kReportWidth});
}

void TfrmMain::InitRosterSheet()
{
    xlio::PrepareRosterSheet(Sheet);
    Sheet.SetColCount(0);
    Sheet.SetRowCount(0);
    Sheet.SetSizes(-1, xlgrid::sCols, 28);
    Grid->SetSheet(&Sheet);
}

QToolButton* TfrmMain::ToolButton(QAction* action) const
{
    return qobject_cast<QToolButton*>(ToolBar->widgetForAction(action));
}

bool TfrmMain::TabsVisible() const
{
    return !tcInfoArea->isHidden();
}

void TfrmMain::SetTabsVisible(bool visible)
{
    tcInfoArea->setVisible(visible);
    Background->setVisible(!visible);
}

void TfrmMain::SetBusy(bool busy)
{
    m_busy = busy;
    ToolBar->setEnabled(!busy);
    centralWidget()->setEnabled(!busy);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        try {
            fsConfig.LoadSettings();
        } catch (const std::exception& e) {
            xlgridui::ShowError(this, Qt8(e.what()));
        }
        m_savedSinceClose = false;
    }
    QMainWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        // FormShow: the window, frame included, covers the screen's work area.
        if (QScreen* s = screen()) {
            const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
            setGeometry(s->availableGeometry() - frame);
        }
    }
}

void TfrmMain::SaveSettingsReported()
{
    try {
        fsConfig.SaveSettings();
    } catch (const std::exception& e) {
        xlgridui::ShowError(this, Qt8(e.what()));
    }
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A command at work keeps the window open; it ends by itself.
    if (m_busy) {
        event->ignore();
        return;
    }
    SaveSettingsReported();
    m_savedSinceClose = true;
    ClearResults();
    event->accept();
}

// ---- shared operations ------------------------------------------------------

void TfrmMain::EnableResultControls(bool enabled)
{
    Grid->SetEditMode(xlgridui::emNone);
    Grid->Invalidate();
    ToolBar->setEnabled(enabled);
    ac_ExportAll->setEnabled(enabled);
    txtSearch->setEnabled(enabled);
    ac_ClearText->setEnabled(enabled);
    if (CurrentDivision)
        ac_Seats->setEnabled(enabled && CurrentDivision->CreateSeats);
}

void TfrmMain::StepProgress()
{
    ProgressDialog->StepIt();
}

void TfrmMain::UpdateSearchControls()
{
    const int k = tcInfo->currentIndex();
    const bool on = k > 0 && k < tcInfo->count() - 1;
    txtSearch->setEnabled(on);
    ac_ClearText->setEnabled(on);
}

void TfrmMain::ClearResults()
{
    Grid->SetSheet(&Sheet);
    CurrentDivision.reset();
    ResultSheets.clear();
    m_search.clear();
    m_report.clear();
    {
        const QSignalBlocker quiet(tcInfo);
        while (tcInfo->count() > 0)
            tcInfo->removeTab(tcInfo->count() - 1);
    }
    UpdateReportPanel();
}

// ---- browsing -----------------------------------------------------------------

void TfrmMain::tcInfoChange()
{
    txtSearch->clear();
    UpdateSearchControls();
    Grid->setFocus();
    Grid->SetRow(0);
    Grid->SetCol(0);
    Grid->SetSheet(nullptr);
    const int k = tcInfo->currentIndex();
    if (k == 0) {
        Grid->SetSheet(&Sheet);
        ac_ExportAll->setEnabled(false);
        ac_Seats->setEnabled(false);
    } else if (k > 0 && k < tcInfo->count() && k - 1 < int(ResultSheets.size())) {
        Grid->SetSheet(ResultSheets[std::size_t(k - 1)].Sheet.get());
        ac_ExportAll->setEnabled(true);
        if (CurrentDivision)
            ac_Seats->setEnabled(CurrentDivision->CreateSeats);
    }
    UpdateReportPanel();
}

void TfrmMain::SearchStudent()
{
    Grid->HideSelection();
    if (txtSearch->text().isEmpty())
        return;
    const int k = tcInfo->currentIndex();
    if (k <= 0 || k >= tcInfo->count() - 1 || k - 1 >= int(ResultSheets.size()))
        return;
    if (k - 1 >= int(m_search.size()))
        return;
    if (auto found = m_search[std::size_t(k - 1)].Find(txtSearch->text()))
        SelectFoundCell(found->Row, found->Col);
}

void TfrmMain::SelectFoundCell(int row, int col)
{
    // Moving the cursor makes the cell's range (its merged area, or the cell
    // alone) the selection; a cell found again shows its highlight again.
    Grid->SetRow(row);
    Grid->SetCol(col);
    Grid->ShowSelection();
}

void TfrmMain::ac_ClearTextExecute()
{
    txtSearch->clear();
}

void TfrmMain::ac_ClearExecute()
{
    SetTabsVisible(false);
    for (QAction* a : {ac_Compute, ac_ExportAll, ac_Seats, ac_Clear, ac_ClearText})
        a->setEnabled(false);
    txtSearch->setEnabled(false);
    ClearResults();
    if (Grid->Col() > 0)
        Grid->SetCol(0);
    if (Grid->Row() > 0)
        Grid->SetRow(0);
    Sheet.Clear();
    Sheet.SetColDefWidth(100);
    Sheet.SetSizes(-1, xlgrid::sCols, 28);
    txtSearch->clear();
}

// ---- parameters ---------------------------------------------------------------

void TfrmMain::ac_SetParamsExecute()
{
    QStringList items;
    auto headers = [&] {
        for (int j = 0; j < Sheet.ColCount(); ++j) {
            const xlgrid::TXLCell* cell = Sheet.FindCell(j, 1);
            const std::string text = cell ? cell->AsString() : std::string();
            const std::string_view h = engine::TrimBlanks(text);
            if (!IsReservedHeader(h))
                items << QString::fromUtf8(h.data(), qsizetype(h.size()));
        }
    };
    if (CurrentDivision) {
        headers();
    } else if (Sheet.RowCount() >= 3 && Sheet.ColCount() >= 3) {
        engine::TSheetRoster roster(Sheet);
        const engine::TRosterCheck check = engine::CheckRoster(roster, fsConfig, Columns, SortField);
        if (check.Passed) {
            headers();
        } else {
            xlgridui::ShowWarning(this, Qt8(check.Message).replace(QLatin1Char('\r'), QLatin1Char('\n')));
            if (!SortField.Name.empty())
                items << Qt8(SortField.Name);
        }
    }
    frmSetParams->SetSortFieldItems(items);
    frmSetParams->exec();
}

// ---- data editing ---------------------------------------------------------------

void TfrmMain::ac_EditExecute()
{
    Grid->SetEditMode(xlgridui::emNone);
    const int k = tcInfo->currentIndex();
    if (tcInfo->count() == 0 || k == 0)
        EditRoster([this] { OpenDesigner(Sheet); });
    else if (k >= 1)
        EditResultCopy(k);
}

void TfrmMain::OpenDesigner(xlgrid::TXLSheet& sheet)
{
    // The designer covers the main window, frame on frame (both place their
    // client area), and returns when it closes.
    xlgridui::TXLDesignerOptions options;
    options.Bounds = geometry();
    options.TempFolder = QString::fromStdString(m_paths.TempFolder.string());
    xlgridui::ShowSheetDesigner(sheet, options, this);
}

void TfrmMain::EditRoster(const std::function<void()>& designer)
{
    ClearResults();
    if (Grid->Col() > 0)
        Grid->SetCol(0);
    if (Grid->Row() > 0)
        Grid->SetRow(0);
    Grid->HideSelection();
    for (int j = 0; j < Sheet.ColCount(); ++j)
        Sheet.SetCellBorder(j, 0, 0xFFFFFF, xlgrid::clNone);
    for (int j = 0; Sheet.RowCount() > 1 && j < Sheet.ColCount(); ++j) {
        xlgrid::TXLCell* header = Sheet.Cells(j, 1);
        header->SetSide(xlgrid::sTop, header->GetSide(xlgrid::sBottom));
    }
    TitleRosterByCaption();
    designer();
    AfterRosterEdit();
}

void TfrmMain::TitleRosterByCaption()
{
    const xlgrid::TXLCell* caption = Sheet.FindCell(0, 0);
    const std::string title = caption ? caption->AsString() : std::string();
    Sheet.SetTitle(title.empty() ? "数据源" : title);
}

void TfrmMain::AfterRosterEdit()
{
    if (Sheet.ColCount() < 1 || Sheet.RowCount() < 1)
        return;
    SetTabsVisible(true);
    ac_Compute->setEnabled(true);
    ac_Clear->setEnabled(true);
    ac_ExportAll->setEnabled(false);
    ac_Seats->setEnabled(false);
    txtSearch->clear();
    txtSearch->setEnabled(false);
    ac_ClearText->setEnabled(false);
}

void TfrmMain::EditResultCopy(int tab)
{
    if (tab - 1 >= int(ResultSheets.size()))
        return;
    const xlgrid::TXLSheet& source = *ResultSheets[std::size_t(tab - 1)].Sheet;
    auto copy = std::make_unique<xlgrid::TXLSheet>();
    xlgrid::AssignSheet(*copy, source);
    copy->SetName("TempSheet");
    int rows = 2;
    if (const xlgrid::TXLCell* title = copy->FindCell(-1, 0))
        rows = std::max(rows, title->Height());
    copy->InsertRows(0, rows);
    copy->FillTitles();
    // The headers moved into the client rows; the title band holds letters now.
    copy->SetPrintTitles(0);
    xlgrid::TXLCell* caption = copy->Cells(0, 0);
    caption->SetValue(xlgrid::Variant(tcInfo->tabText(tab).toStdString()));
    caption->SetWidth(source.ColCount());
    for (int j = 0; j < copy->ColCount(); ++j)
        copy->SetCellBorder(j, 0, 0xFFFFFF, xlgrid::clNone);
    for (int j = 0; j < source.ColCount(); ++j) {
        const xlgrid::TXLCell* header = source.FindCell(j, -1);
        copy->SetCellBox(j, 1, 0xC0C0C0, 0xF1E4E4, xlgrid::clWindowText,
                         xlgrid::Variant(header ? header->AsString() : std::string()));
    }
    OpenDesigner(*copy);
}

bool TfrmMain::BringRosterIn(const QString& file, bool ask)
{
    if (m_busy)
        return false;
    if (ask && !ResultSheets.empty()
        && !xlgridui::AskYesNo(this, QStringLiteral("打开新的名册将清除当前的分班结果，是否继续？")))
        return false;
    // Read into a copy of the roster first, as the designer imports into the
    // roster itself: a file that cannot be read changes nothing.
    xlgrid::TXLSheet incoming;
    xlgrid::AssignSheet(incoming, Sheet);
    QString error;
    if (!ImportRosterFile(incoming, file, error)) {
        xlgridui::ShowWarning(this, error);
        return false;
    }
    EditRoster([&] {
        Sheet.SwapContents(incoming);
        TitleRosterByCaption();
    });
    return true;
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_busy && !DroppedRoster(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    const QString file = DroppedRoster(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    BringRosterIn(file, true);
}

void TfrmMain::ShowAbout()
{
    xlgridui::ShowInformation(this,
                              QStringLiteral("%1\n\n把一个年级的学生分成人数、男女比例和平均成绩都相当的班级。")
                                  .arg(ProductTitle(QDate::currentDate().year())),
                              QStringLiteral("关于"));
}

}  // namespace app
