#include "xlgridui/xldesigner.h"

#include "xlgridui/dialogs.h"
#include "xlgridui/grid.h"
#include "xlgridui/palette.h"
#include "xlgridui/xlactions.h"
#include "xlgridui/xldesignerboxes.h"
#include "xlgridui/xldesignergrid.h"
#include "xlgridui/xldesignericons.h"
#include "xlgridui/xlpreview.h"
#include "xlgridui/xlundo.h"

#include "xlgrid/range.h"
#include "xlgrid/sheet.h"
#include "xlgrid/sheetstream.h"
#include "xlio/sheetfiles.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <QVBoxLayout>

#include <climits>

namespace xlgridui {

using namespace xlgrid;

namespace {

const QColor kWindowColor(228, 234, 248);  // 0xF8EAE4 in blue-green-red order

QString CellName(int col, int row)
{
    return QString::fromStdString(ColumnLetters(col)) + QString::number(row + 1);
}

// A dialog of the designer's look: caption, fixed size, OK (default) and Cancel.
class TXLPromptDialog : public QDialog {
public:
    TXLPromptDialog(QWidget* parent, const QString& title) : QDialog(parent)
    {
        setWindowTitle(title);
        setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, kWindowColor);
        setPalette(p);
        m_layout = new QGridLayout(this);
        m_layout->setContentsMargins(12, 12, 12, 12);
        m_buttons = new QDialogButtonBox;
        QPushButton* ok = m_buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
        m_buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
        ok->setDefault(true);
        connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    QGridLayout* Layout() const { return m_layout; }
    void Finish(int row)
    {
        m_layout->addWidget(m_buttons, row, 0, 1, m_layout->columnCount());
        m_layout->setSizeConstraint(QLayout::SetFixedSize);
    }

private:
    QGridLayout* m_layout;
    QDialogButtonBox* m_buttons;
};

}  // namespace

QString VerticalTextOf(const QString& text)
{
    const QList<uint> chars = text.toUcs4();
    if (chars.size() <= 1)
        return text;
    QString out;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        if (i > 0)
            out += QChar('\r');
        const char32_t c = chars[i];
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

bool InstallChineseTranslations(QApplication& app)
{
    bool found = false;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(name), folder)) {
            app.installTranslator(translator);
            found = true;
        } else {
            delete translator;
        }
    }
    return found;
}

// ---- construction ----

TXLSheetDesigner::TXLSheetDesigner(TXLSheet& sheet, const TXLDesignerOptions& options, QWidget* parent)
    : QWidget(parent, Qt::Window), m_sheet(&sheet), m_options(options)
{
    setWindowTitle(QStringLiteral("表格编辑器"));
    setObjectName(QStringLiteral("XLSheetDesigner"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette p = palette();
    p.setColor(QPalette::Window, kWindowColor);
    setPalette(p);
    setAutoFillBackground(true);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    setFont(font);

    m_sheetName = sheet.Name();
    m_files.TextFormat = options.TextFormat;
    m_files.ExportFolder = options.TempFolder;
    m_files.OpenFolder = options.FileName.isEmpty() ? QDir::homePath() : QFileInfo(options.FileName).absolutePath();

    m_actions = new TXLSheetActions(this);
    CreateGrid();
    CreateOwnActions();

    m_pages = new QStackedWidget;
    m_designPage = new QWidget;
    auto* design = new QVBoxLayout(m_designPage);
    design->setContentsMargins(0, 0, 0, 0);
    design->setSpacing(0);
    CreateMenus();
    CreateStandardBar();
    CreateFormattingBar();
    design->addWidget(m_menuBar);
    design->addWidget(m_standardBar);
    design->addWidget(m_formattingBar);
    design->addWidget(m_grid, 1);
    CreateSelectionMenu();
    CreatePreviewPage();
    m_pages->addWidget(m_designPage);
    m_pages->addWidget(m_previewPage);
    CreateStatusBar();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_statusBar);

    for (QAction* a : m_actions->All())
        addAction(a);
    for (auto& [name, a] : m_own)
        addAction(a);

    m_undo = std::make_unique<TXLUndoStack>(sheet);
    // A step ends with each user action: an input event inside the window
    // (a key, a click, a drag that sized a column) once it has been handled,
    // and each command (below).
    qApp->installEventFilter(this);
    // An action is one step of its own, also after a change no input ended.
    connect(m_actions, &TXLSheetActions::AboutToExecute, this, [this]() {
        if (m_grid->EditMode() == emNone)
            CommitStep();
    });
    connect(m_actions, &TXLSheetActions::Executed, this, [this]() {
        CommitStep();
        UpdateStatus();
    });
    // What the commands may do depends on the clipboard and on where the focus is.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TXLSheetDesigner::UpdateSoon);
    connect(qApp, &QApplication::focusChanged, this, &TXLSheetDesigner::UpdateSoon);

    if (options.Bounds.isValid())
        setGeometry(options.Bounds);
    else
        resize(1000, 680);
    UpdateCaption();
    m_grid->setFocus();
    SetActiveGrid(m_target.get());
    UpdateActions();
    UpdateStatus();
}

TXLSheetDesigner::~TXLSheetDesigner()
{
    qApp->removeEventFilter(this);
    if (m_preview)
        m_preview->SetSheet(nullptr);
    if (m_target)
        ClearActiveGrid(m_target.get());
    if (m_grid)
        m_grid->SetSheet(nullptr);
}

void TXLSheetDesigner::CreateGrid()
{
    m_grid = new TXLGrid;
    m_grid->setObjectName(QStringLiteral("Grid"));
    m_grid->SetOptions(OptionBit(oTitleCols) | OptionBit(oTitleRows) | OptionBit(oVertLines) | OptionBit(oHorzLines) |
                       OptionBit(oColSizing) | OptionBit(oRowSizing) | OptionBit(oDrawFocus) |
                       OptionBit(oRangeSelect) | OptionBit(oTitle3D));
    m_grid->SetEnterDir(dDown);
    m_grid->SetDesignMode(true);
    m_grid->SetSheet(m_sheet);
    m_target = std::make_unique<TXLGridActionTarget>(*m_grid);
    connect(m_grid, &TXLGrid::OnSelChanged, this, &TXLSheetDesigner::SelectionChanged);
    connect(m_grid, &TXLGrid::OnCurChanged, this, &TXLSheetDesigner::CurrentChanged);
    connect(m_grid, &TXLGrid::OnEditModeChanged, this, [this]() {
        m_panels[3]->clear();
        if (m_undo && m_undo->Dirty())
            CommitSoon();
        UpdateActions();
    });
    connect(m_grid, &TXLGrid::OnColDblClick, this, [this](QPoint divider) {
        Command([&] { m_sheet->SetSizes(divider.x(), sCols, -1); });
    });
    connect(m_grid, &TXLGrid::OnRowDblClick, this, [this](QPoint divider) {
        Command([&] { m_sheet->SetSizes(divider.y(), sRows, -1); });
    });
    connect(m_grid, &TXLGrid::OnSheetChanged, this, [this]() { m_sheet = m_grid->Sheet(); });
}

QAction* TXLSheetDesigner::Own(const QString& name, const QString& caption, void (TXLSheetDesigner::*slot)(),
                               const QKeySequence& shortcut, const QString& hint)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    const QIcon icon = DesignerIcon(name);
    if (!icon.isNull())
        action->setIcon(icon);
    if (slot)
        connect(action, &QAction::triggered, this, [this, slot]() { (this->*slot)(); });
    m_own[name] = action;
    return action;
}

QAction* TXLSheetDesigner::Xl(const QString& name) const
{
    QAction* a = m_actions->Find(name);
    if (a && a->icon().isNull()) {
        const QIcon icon = DesignerIcon(name);
        if (!icon.isNull())
            a->setIcon(icon);
    }
    return a;
}

QAction* TXLSheetDesigner::Action(const QString& name) const
{
    auto it = m_own.find(name);
    return it != m_own.end() ? it->second : Xl(name);
}

void TXLSheetDesigner::CreateOwnActions()
{
    using D = TXLSheetDesigner;
    Own("AFNew", QStringLiteral("新建(&N)"), &D::New);
    Own("AFOpen", QStringLiteral("打开(&O)..."), &D::Open, QKeySequence(Qt::CTRL | Qt::Key_O), QStringLiteral("打开"));
    Own("AFSave", QStringLiteral("保存(&S)..."), &D::SaveAs, QKeySequence(Qt::CTRL | Qt::Key_S), QStringLiteral("保存"));
    Own("AFLoadExcelData", QStringLiteral("导入 Excel 数据(&I)"), &D::LoadExcelData, {}, QStringLiteral("导入 Excel 数据"));
    Own("AFSaveExelData", QStringLiteral("数据另存 Excel(&X)"), &D::SaveExcelData, {}, QStringLiteral("数据另存 Excel"));
    Own("AFQuickExcelExport", QStringLiteral("快速另存 Excel(&Q)"), &D::QuickExcelExport, {},
        QStringLiteral("快速另存 Excel"));
    QAction* csv = Own("AFLoadCSVData", QStringLiteral("导入 CSV 数据(&C)"), &D::LoadCsvData, {},
                       QStringLiteral("导入 CSV 数据"));
    csv->setStatusTip(QStringLiteral("Excel导入出错时可以导入从Excel另存为CSV格式的数据文件"));
    Own("AFPrintMargin", QStringLiteral("页边距(&M)..."), &D::PrintMargin, {}, QStringLiteral("页边距"));
    Own("AFPrintPreview", QStringLiteral("打印预览(&V)..."), &D::PrintPreview, {}, QStringLiteral("打印预览"));
    Own("AFExit", QStringLiteral("关闭(&C)"), static_cast<void (D::*)()>(nullptr));
    connect(m_own["AFExit"], &QAction::triggered, this, &QWidget::close);
    Own("AFUndo", QStringLiteral("撤销(&Z)"), &D::UndoStep, QKeySequence(Qt::CTRL | Qt::Key_Z), QStringLiteral("撤销"));
    Own("AFRedo", QStringLiteral("重做(&Y)"), &D::RedoStep, QKeySequence(Qt::CTRL | Qt::Key_Y), QStringLiteral("重做"));
    Own("AFRowHeight", QStringLiteral("高度(&H)..."), &D::RowHeight);
    Own("AFColWidth", QStringLiteral("宽度(&W)..."), &D::ColWidth);
    Own("AFRowDefHeight", QStringLiteral("默认高度(&D)..."), &D::RowDefHeight);
    Own("AFColDefWidth", QStringLiteral("默认宽度(&D)..."), &D::ColDefWidth);
    Own("AFRowCount", QStringLiteral("总行数(&R)..."), &D::RowCount);
    Own("AFColCount", QStringLiteral("总列数(&C)..."), &D::ColCount);
    Own("AFDeColor", QStringLiteral("黑白模式"), &D::DeColor, {}, QStringLiteral("黑白模式"));
    Own("AFVertText", QStringLiteral("文本竖排"), &D::VerticalText, {}, QStringLiteral("文本竖排"));
    Own("AFFillTitles", QStringLiteral("辅助标题"), &D::FillTitles, {}, QStringLiteral("辅助标题"));
    Own("APPrev", QStringLiteral("上一页(&B)"), &D::PrevPage, {}, QStringLiteral("上一页"));
    Own("APNext", QStringLiteral("下一页(&N)"), &D::NextPage, {}, QStringLiteral("下一页"));
    Own("APZoom", QStringLiteral("缩放(&Z)"), &D::ZoomPage, {}, QStringLiteral("缩放"));
    Own("APSetup", QStringLiteral("设置(&S)..."), &D::PreviewPageSetup, {}, QStringLiteral("打印设置"));
    Own("APMargin", QStringLiteral("页边距(M)..."), &D::PrintMargin, {}, QStringLiteral("页边距"));
    Own("APClose", QStringLiteral("关闭(&C)"), &D::ClosePreview, {}, QStringLiteral("关闭"));
}

void TXLSheetDesigner::AddCommands(QWidget* to, std::initializer_list<const char*> names) const
{
    for (const char* n : names) {
        if (n[0] == '|') {
            if (auto* menu = qobject_cast<QMenu*>(to))
                menu->addSeparator();
            else if (auto* bar = qobject_cast<QToolBar*>(to))
                bar->addSeparator();
        } else {
            to->addAction(Action(QString::fromLatin1(n)));
        }
    }
}

void TXLSheetDesigner::AddColorButton(QToolBar* bar, const char* action, const char* hint, TColor autoColor)
{
    auto* b = new TGSColorToolButton;
    b->setObjectName(QString::fromLatin1(action) + "Button");
    b->SetAutoText(QStringLiteral("默认"));
    b->SetAutoColor(autoColor);
    b->SetChosen(TXLPaletteBox::kAuto);
    b->setIcon(DesignerIcon(action));
    b->setToolTip(QString::fromUtf8(hint));
    bar->addWidget(b);
    m_actions->SetColorButton(action, b);
}

void TXLSheetDesigner::CreateMenus()
{
    m_menuBar = new QMenuBar;
    m_menuBar->setObjectName(QStringLiteral("MenuBar"));
    m_menuBar->setNativeMenuBar(false);
    auto menu = [](QMenu* parent, const char* caption) { return parent->addMenu(QString::fromUtf8(caption)); };
    auto top = [this](const char* caption) { return m_menuBar->addMenu(QString::fromUtf8(caption)); };

    AddCommands(top("文件(&F)"), {"AFNew", "AFOpen", "AFSave", "AFLoadExcelData", "AFSaveExelData",
                                  "AFQuickExcelExport", "AFLoadCSVData", "|", "XLSheetPageSetup", "AFPrintMargin",
                                  "AFPrintPreview", "XLSheetPrint", "|", "AFExit"});

    QMenu* edit = top("编辑(&E)");
    AddCommands(edit, {"AFUndo", "AFRedo", "|", "XLCut", "XLCopy", "XLPaste", "XLPasteValues", "XLDelete",
                       "XLSelectAll", "|"});
    AddCommands(menu(edit, "清除(&R)"), {"XLClearContents", "XLClearFormatting", "XLClearAll"});
    AddCommands(edit, {"XLDeleteRows", "XLDeleteColumns", "|"});
    AddCommands(menu(edit, "回车方向(&E)"), {"XLDirRight", "XLDirDown", "XLDirLeft", "XLDirUp", "XLDirAuto"});

    AddCommands(top("视图(&V)"), {"XLNormalView", "XLPageBreakView", "|", "XLOptionGridLines", "XLOptionTitles",
                                  "XLOptionPermEdit", "XLOptionSizing"});
    AddCommands(top("插入(&I)"), {"XLInsertRows", "XLInsertColumns", "|", "XLInsertPicture", "XLInsertHyperlink"});

    QMenu* format = top("格式(&F)");
    AddCommands(menu(format, "行(&R)"),
                {"AFRowHeight", "XLAutofitRows", "XLHideRows", "XLShowRows", "|", "AFRowDefHeight"});
    AddCommands(menu(format, "列(&C)"),
                {"AFColWidth", "XLAutofitColumns", "XLHideColumns", "XLShowColumns", "|", "AFColDefWidth"});
    AddCommands(menu(format, "表格(&H)"), {"AFRowCount", "AFColCount", "|", "AFDeColor", "XLSheetBackground"});

    // The menus show the state of the selection when they open.
    for (QMenu* m : m_menuBar->findChildren<QMenu*>())
        connect(m, &QMenu::aboutToShow, this, &TXLSheetDesigner::UpdateActions);
}

void TXLSheetDesigner::CreateStandardBar()
{
    m_standardBar = new QToolBar(QStringLiteral("常用"));
    m_standardBar->setObjectName(QStringLiteral("StandardBar"));
    m_standardBar->setIconSize(QSize(16, 16));
    AddCommands(m_standardBar, {"AFOpen", "AFSave", "AFLoadExcelData", "AFSaveExelData", "AFLoadCSVData", "|",
                                "XLSheetPrint", "AFPrintPreview", "AFPrintMargin", "|", "XLCut", "XLCopy", "XLPaste",
                                "|", "AFUndo", "AFRedo", "|"});
    m_zoomBox = new TXLZoomBox;
    m_zoomBox->setToolTip(QStringLiteral("显示比例"));
    m_zoomBox->setObjectName(QStringLiteral("ZoomBox"));
    m_zoomBox->setMinimumContentsLength(5);
    m_standardBar->addWidget(m_zoomBox);
    m_actions->SetZoomBox(m_zoomBox);
    connect(m_zoomBox, &TXLZoomBox::ValueChosen, this, [this]() {
        m_actions->Find("XLZoom")->Run();
        m_grid->setFocus();
    });
    m_standardBar->addSeparator();
    AddCommands(m_standardBar, {"XLBorderClear", "XLBorderAll", "XLBorderOutline", "XLBorderInside", "|",
                                "XLBorderLeft", "XLBorderRight", "XLBorderTop", "XLBorderBottom", "XLBorderInsideVert",
                                "XLBorderInsideHorz", "|", "XLBorderDiagUp", "XLBorderDiagDown"});

    AddColorButton(m_standardBar, "XLBorderColor", "边框颜色", clBlack);

    m_lineMenu = new QMenu(this);
    AddCommands(m_lineMenu, {"XLBorderSingle", "XLBorderMedium", "XLBorderDouble"});
    m_lineButton = new QToolButton;
    m_lineButton->setObjectName(QStringLiteral("LineStyleButton"));
    m_lineButton->setPopupMode(QToolButton::InstantPopup);
    m_lineButton->setMenu(m_lineMenu);
    m_lineButton->setIcon(Xl("XLBorderSingle")->icon());
    m_lineButton->setToolTip(QStringLiteral("线形"));
    m_standardBar->addWidget(m_lineButton);
    // Choosing a line style also puts its image on the button.
    for (QAction* a : m_lineMenu->actions())
        static_cast<TXLCustomAction*>(a)->OnGridExecute = [this](TXLCustomAction& action, IXLActionGrid&, bool&) {
            m_lineButton->setIcon(action.icon());
        };
}

void TXLSheetDesigner::CreateFormattingBar()
{
    m_formattingBar = new QToolBar(QStringLiteral("格式"));
    m_formattingBar->setObjectName(QStringLiteral("FormattingBar"));
    m_formattingBar->setIconSize(QSize(16, 16));
    m_fontBox = new TXLFontNameBox;
    m_fontBox->setObjectName(QStringLiteral("FontBox"));
    m_fontBox->setToolTip(QStringLiteral("字体"));
    m_fontBox->setMinimumContentsLength(12);
    m_sizeBox = new TXLFontSizeBox;
    m_sizeBox->setObjectName(QStringLiteral("SizeBox"));
    m_sizeBox->setToolTip(QStringLiteral("字号"));
    m_sizeBox->setMinimumContentsLength(3);
    m_fontBox->SetSizeBox(m_sizeBox);
    m_actions->SetFontBox(m_fontBox);
    m_formattingBar->addWidget(m_fontBox);
    m_formattingBar->addWidget(m_sizeBox);
    auto applyFont = [this]() {
        m_actions->Find("XLFontFace")->Run();
        m_grid->setFocus();
    };
    connect(m_fontBox, &TXLFontNameBox::FontChosen, this, applyFont);
    for (TXLToolBox* box : std::initializer_list<TXLToolBox*>{m_fontBox, m_sizeBox, m_zoomBox})
        connect(box, &TXLToolBox::PopupClosed, m_grid, [this]() { m_grid->setFocus(); });
    connect(m_sizeBox, &TXLFontSizeBox::SizeChosen, this, applyFont);
    AddCommands(m_formattingBar, {"|", "XLFontBold", "XLFontItalic", "XLFontUnderline", "XLFontStrikeOut", "|",
                                  "XLAlignLeft", "XLAlignCenter", "XLAlignRight", "|", "XLAlignTop", "XLAlignVCenter",
                                  "XLAlignBottom", "|", "XLMergeCells", "XLMergeAcross", "XLUnmergeCells", "|"});

    AddColorButton(m_formattingBar, "XLFontColor", "字体颜色", clWindowText);
    AddColorButton(m_formattingBar, "XLFillColor", "背景颜色", clWindow);
    AddCommands(m_formattingBar, {"AFDeColor", "|", "XLStyleHidden", "AFVertText", "AFFillTitles"});
}

void TXLSheetDesigner::CreateSelectionMenu()
{
    m_selectionMenu = new QMenu(this);
    m_selectionMenu->setObjectName(QStringLiteral("SelectionMenu"));
    // The pop-up's delete has no short cut of its own (the menu bar's serves).
    auto* del = new QAction(QStringLiteral("删除"), m_selectionMenu);
    connect(del, &QAction::triggered, m_actions->Find("XLDelete"), &QAction::trigger);
    m_selectionMenu->addAction(Xl("XLCut"));
    m_selectionMenu->addAction(Xl("XLCopy"));
    m_selectionMenu->addAction(Xl("XLPaste"));
    m_selectionMenu->addAction(del);
    m_selectionMenu->addSeparator();
    m_selectionMenu->addAction(Xl("XLMergeCells"));
    m_selectionMenu->addAction(Xl("XLUnmergeCells"));
    m_selectionMenu->addSeparator();
    auto* picture = new QAction(QStringLiteral("插入图片..."), m_selectionMenu);
    connect(picture, &QAction::triggered, m_actions->Find("XLInsertPicture"), &QAction::trigger);
    auto* link = new QAction(QStringLiteral("插入超连接..."), m_selectionMenu);
    connect(link, &QAction::triggered, m_actions->Find("XLInsertHyperlink"), &QAction::trigger);
    m_selectionMenu->addAction(picture);
    m_selectionMenu->addAction(link);
    connect(m_selectionMenu, &QMenu::aboutToShow, this, [this, del, picture, link]() {
        UpdateActions();
        del->setEnabled(m_actions->Find("XLDelete")->isEnabled());
        picture->setEnabled(m_actions->Find("XLInsertPicture")->isEnabled());
        link->setEnabled(m_actions->Find("XLInsertHyperlink")->isEnabled());
        // Merge and unmerge show only when they can run.
        for (QAction* a : m_selectionMenu->actions())
            if (a == Action("XLMergeCells") || a == Action("XLUnmergeCells"))
                a->setVisible(a->isEnabled());
    });
    connect(m_selectionMenu, &QMenu::aboutToHide, this, [this]() {
        Action("XLMergeCells")->setVisible(true);
        Action("XLUnmergeCells")->setVisible(true);
    });
    m_grid->SetPopupMenu(m_selectionMenu);
}

void TXLSheetDesigner::CreatePreviewPage()
{
    m_previewPage = new QWidget;
    auto* layout = new QVBoxLayout(m_previewPage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_previewBar = new QToolBar(QStringLiteral("预览"));
    m_previewBar->setObjectName(QStringLiteral("PreviewBar"));
    m_previewBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_previewBar->setIconSize(QSize(16, 16));
    AddCommands(m_previewBar, {"APPrev", "APNext", "APZoom", "|", "XLSheetPrint", "APSetup", "APMargin", "|", "APClose"});
    m_preview = new TXLPreview;
    m_preview->setObjectName(QStringLiteral("Preview"));
    connect(m_preview, &TXLPreview::PageChanged, this, [this]() {
        UpdateStatus();
        UpdateActions();
    });
    layout->addWidget(m_previewBar);
    layout->addWidget(m_preview, 1);
}

void TXLSheetDesigner::CreateStatusBar()
{
    m_statusBar = new QStatusBar;
    m_statusBar->setObjectName(QStringLiteral("StatusBar"));
    m_statusBar->setSizeGripEnabled(true);
    const int widths[4] = {116, 50, 80, 50};
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel;
        m_panels[i]->setFixedWidth(widths[i]);
        m_panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i < 3)
            m_panels[i]->setAlignment(Qt::AlignCenter);
        m_statusBar->addWidget(m_panels[i]);
    }
}

// ---- state ----

bool TXLSheetDesigner::InPreview() const { return m_pages->currentWidget() == m_previewPage; }

QString TXLSheetDesigner::StatusText(int panel) const
{
    return panel >= 0 && panel < 4 ? m_panels[panel]->text() : QString();
}

TGSColorToolButton* TXLSheetDesigner::ColorButton(const QString& action) const { return m_actions->ColorButton(action); }

void TXLSheetDesigner::UpdateStatus()
{
    if (m_preview->Sheet()) {
        m_panels[0]->setText(m_preview->PageText());
        m_panels[1]->clear();
        m_panels[2]->clear();
        return;
    }
    TXLSelection* sel = m_grid->Selection();
    if (!m_sheet || !sel) {
        for (QLabel* l : m_panels)
            l->clear();
        return;
    }
    const TXLRect r = sel->Rect();
    const TXLSection& section = m_sheet->Section(sel->SectionIndex());
    const bool single = r.IsEmpty() || sel->IsSingle();
    if (single)
        m_panels[2]->clear();
    else
        m_panels[2]->setText(QStringLiteral("[%1:%2]").arg(CellName(section.SheetCol(r.Left), section.SheetRow(r.Top)),
                                                          CellName(section.SheetCol(r.Right - 1),
                                                                   section.SheetRow(r.Bottom - 1))));
    QString path = QStringLiteral("[%1, %2").arg(r.Left).arg(r.Top);
    if (!single)
        path += QStringLiteral(" : %1, %2").arg(r.Right - 1).arg(r.Bottom - 1);
    m_panels[0]->setText(path + "]");
    m_panels[1]->setText(CellName(m_grid->Col(), m_grid->Row()));
}

void TXLSheetDesigner::UpdateActions()
{
    m_actions->UpdateAll();
    const bool writable = m_sheet && !m_sheet->ReadOnly();
    const bool preview = InPreview();
    for (const char* n : {"AFNew", "AFOpen", "AFLoadExcelData", "AFLoadCSVData", "AFRowHeight", "AFColWidth",
                          "AFRowDefHeight", "AFColDefWidth", "AFRowCount", "AFColCount", "AFDeColor", "AFVertText",
                          "AFFillTitles", "AFPrintMargin", "APMargin"})
        m_own[n]->setEnabled(writable);
    for (const char* n : {"AFSave", "AFSaveExelData", "AFQuickExcelExport", "AFPrintPreview"})
        m_own[n]->setEnabled(m_sheet != nullptr && !preview);
    m_own["AFUndo"]->setEnabled(writable && m_undo && m_undo->CanUndo());
    m_own["AFRedo"]->setEnabled(writable && m_undo && m_undo->CanRedo());
    m_own["APPrev"]->setEnabled(m_preview->Sheet() && m_preview->PageNo() > 0);
    m_own["APNext"]->setEnabled(m_preview->Sheet() && m_preview->PageNo() < m_preview->PageCount() - 1);
    m_own["APZoom"]->setEnabled(m_preview->Sheet() != nullptr);
    m_own["APSetup"]->setEnabled(m_preview->Sheet() != nullptr);
}

void TXLSheetDesigner::CommitSoon()
{
    if (m_busy || m_commitQueued)
        return;
    m_commitQueued = true;
    QTimer::singleShot(0, this, [this]() {
        m_commitQueued = false;
        // An open editor is a user action under way (opening it may already
        // have made the cell); its step ends when it closes.
        if (!m_busy && m_grid->EditMode() == emNone && m_undo && m_undo->Dirty())
            CommitStep();
    });
}

void TXLSheetDesigner::UpdateSoon()
{
    if (m_updateQueued)
        return;
    m_updateQueued = true;
    QTimer::singleShot(0, this, [this]() {
        m_updateQueued = false;
        UpdateActions();
    });
}

void TXLSheetDesigner::CommitStep()
{
    if (m_undo)
        m_undo->Commit();
    UpdateActions();
}

void TXLSheetDesigner::UpdateCaption()
{
    if (!m_options.StandAlone) {
        setWindowTitle(QStringLiteral("表格编辑器"));
        return;
    }
    const QString name = m_options.FileName.isEmpty() ? QStringLiteral("新表格") : QFileInfo(m_options.FileName).fileName();
    setWindowTitle(name + QStringLiteral("[*] - 表格编辑器"));
    setWindowModified(m_sheet && m_sheet->Modified());
}

void TXLSheetDesigner::SelectionChanged()
{
    if (m_target)
        SetActiveGrid(m_target.get());
    UpdateActions();
    UpdateStatus();
}

void TXLSheetDesigner::CurrentChanged()
{
    UpdateStatus();
}

void TXLSheetDesigner::RestoreName()
{
    if (m_sheet)
        m_sheet->SetName(m_sheetName);
}

template <class F> void TXLSheetDesigner::Command(F&& work)
{
    if (!m_sheet)
        return;
    m_grid->SetEditMode(emNone);
    // What came before (the closed editor's value) is a step of its own.
    CommitStep();
    m_busy = true;
    try {
        work();
    } catch (const std::exception& e) {
        m_busy = false;
        CommitStep();
        ShowError(this, QString::fromStdString(e.what()));
        UpdateStatus();
        return;
    }
    m_busy = false;
    // The grid shows the result before the step is recorded (a large
    // sheet's stream takes a moment to write).
    m_grid->repaint();
    CommitStep();
    UpdateStatus();
    UpdateCaption();
}

// ---- the window's commands ----

void TXLSheetDesigner::New()
{
    TXLMessage m;
    m.Kind = mkQuestion;
    m.Title = QStringLiteral("空工作表");
    m.Text = QStringLiteral("不保存当前工作表数据？");
    m.Buttons = QMessageBox::Ok | QMessageBox::Cancel;
    m.Default = QMessageBox::Ok;
    if (Dialogs().Message(this, m) != QMessageBox::Ok)
        return;
    Command([&] { m_sheet->Clear(); });
}

void TXLSheetDesigner::Open()
{
    if (!m_sheet)
        return;
    TXLFileRequest request;
    request.Title = QStringLiteral("打开");
    request.Folder = m_files.OpenFolder;
    request.Filters = {QStringLiteral("XL File (*.xlf)")};
    request.DefaultSuffix = QStringLiteral("xlf");
    const QString path = Dialogs().OpenFileName(this, request);
    if (!path.isEmpty()) {
        m_files.OpenFolder = QFileInfo(path).absolutePath();
        Command([&] {
            LoadSheetFromFile(*m_sheet, QFile::encodeName(path).toStdString());
            RestoreName();
        });
    }
    RestoreName();
}

void TXLSheetDesigner::SaveAs()
{
    if (!m_sheet)
        return;
    m_grid->SetEditMode(emNone);
    CommitStep();
    TXLFileRequest request;
    request.Title = QStringLiteral("保存");
    request.Folder = m_files.OpenFolder;
    if (m_options.StandAlone && !m_options.FileName.isEmpty())
        request.FileName = QFileInfo(m_options.FileName).completeBaseName() + ".xlf";
    request.Filters = {QStringLiteral("XLGrid Files (*.xlf)")};
    request.DefaultSuffix = QStringLiteral("xlf");
    QString path = Dialogs().SaveFileName(this, request);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".xlf");
    try {
        SaveSheetToFile(*m_sheet, QFile::encodeName(path).toStdString());
    } catch (const std::exception& e) {
        ShowError(this, QString::fromStdString(e.what()));
        return;
    }
    RestoreName();
    m_files.OpenFolder = QFileInfo(path).absolutePath();
    m_undo->MarkClean();
    if (m_options.StandAlone)
        m_options.FileName = path;
    UpdateCaption();
}

void TXLSheetDesigner::LoadExcelData()
{
    Command([&] { RunExcelImport(this, *m_sheet, m_files); });
}

void TXLSheetDesigner::LoadCsvData()
{
    Command([&] { RunCsvImport(this, *m_sheet, m_files); });
}

void TXLSheetDesigner::SaveExcelData()
{
    if (!m_sheet)
        return;
    m_grid->SetEditMode(emNone);
    m_grid->HideSelection();
    RunWorkbookExport(this, *m_sheet, ekFormatted, m_files);
    UpdateActions();
}

void TXLSheetDesigner::QuickExcelExport()
{
    if (!m_sheet)
        return;
    m_grid->SetEditMode(emNone);
    m_grid->HideSelection();
    RunWorkbookExport(this, *m_sheet, ekQuick, m_files);
    UpdateActions();
}

bool TXLSheetDesigner::InputNumber(const QString& title, const QString& prompt, int min, int max, int& value)
{
    TXLPromptDialog dialog(this, title);
    dialog.setObjectName(QStringLiteral("NumberDialog"));
    auto* label = new QLabel(prompt);
    label->setObjectName(QStringLiteral("NumberLabel"));
    auto* edit = new QSpinBox;
    edit->setObjectName(QStringLiteral("NumberEdit"));
    edit->setRange(min, max);
    edit->setValue(value);
    edit->selectAll();
    edit->setMinimumWidth(120);
    dialog.Layout()->addWidget(label, 0, 0);
    dialog.Layout()->addWidget(edit, 0, 1);
    dialog.Finish(1);
    edit->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    edit->interpretText();
    value = edit->value();
    return true;
}

void TXLSheetDesigner::SelectionSize(TXLAxis axis)
{
    TXLSelection* sel = m_grid->Selection();
    if (!m_sheet || !sel)
        return;
    const TXLSection& s = m_sheet->Section(sel->SectionIndex());
    const TXLRect r = sel->Rect();
    const bool rows = axis == sRows;
    const int first = rows ? r.Top : r.Left, end = std::max(rows ? r.Bottom : r.Right, first + 1);
    auto index = [&](int i) { return rows ? s.SheetRow(i) : s.SheetCol(i); };
    int value = m_sheet->Sizes(index(first), axis);
    if (!InputNumber(rows ? QStringLiteral("行高") : QStringLiteral("列宽"),
                     rows ? QStringLiteral("输入新行高:") : QStringLiteral("输入新列宽:"), 0, INT_MAX, value))
        return;
    Command([&] {
        TXLUpdateGuard guard(*m_sheet);
        for (int i = first; i < end; ++i)
            m_sheet->SetSizes(index(i), axis, value);
    });
}

void TXLSheetDesigner::DefaultSize(TXLAxis axis)
{
    if (!m_sheet)
        return;
    const bool rows = axis == sRows;
    int value = m_sheet->DefSize(axis);
    if (InputNumber(rows ? QStringLiteral("默认行高") : QStringLiteral("默认列宽"),
                    rows ? QStringLiteral("输入新行高:") : QStringLiteral("输入新列宽:"), 0, INT_MAX, value))
        Command([&] { m_sheet->SetDefSize(axis, value); });
}

void TXLSheetDesigner::BandCount(TXLAxis axis)
{
    if (!m_sheet)
        return;
    const bool rows = axis == sRows;
    // On a title row (column) the prompt edits the title band's count.
    const bool title = (rows ? m_grid->Row() : m_grid->Col()) < 0;
    int value = m_sheet->Count(axis, !title);
    InputNumber(rows ? (title ? QStringLiteral("标题行数") : QStringLiteral("行数"))
                     : (title ? QStringLiteral("标题列数") : QStringLiteral("列数")),
                rows ? QStringLiteral("输入新行数:") : QStringLiteral("输入新列数:"), 0, INT_MAX, value);
    // The count is assigned also after Cancel (it is then the value it was).
    const int count = std::min(value, TXLSheet::kMaxCount);
    Command([&] { m_sheet->SetCount(axis, !title, count); });
}

void TXLSheetDesigner::RowHeight() { SelectionSize(sRows); }
void TXLSheetDesigner::ColWidth() { SelectionSize(sCols); }
void TXLSheetDesigner::RowDefHeight() { DefaultSize(sRows); }
void TXLSheetDesigner::ColDefWidth() { DefaultSize(sCols); }
void TXLSheetDesigner::RowCount() { BandCount(sRows); }
void TXLSheetDesigner::ColCount() { BandCount(sCols); }

void TXLSheetDesigner::PrintMargin()
{
    if (!m_sheet)
        return;
    TXLPromptDialog dialog(this, QStringLiteral("页边距"));
    dialog.setObjectName(QStringLiteral("MarginDialog"));
    const TXLMargins old = m_sheet->PrintMargins();
    QSpinBox* edits[4];
    const char* labels[4] = {"上", "下", "左", "右"};
    const char* names[4] = {"txtTop", "txtBottom", "txtLeft", "txtRight"};
    const int values[4] = {old.Top, old.Bottom, old.Left, old.Right};
    for (int i = 0; i < 4; ++i) {
        edits[i] = new QSpinBox;
        edits[i]->setObjectName(QString::fromLatin1(names[i]));
        edits[i]->setRange(0, 100);
        edits[i]->setValue(std::clamp(values[i], 0, 100));
        dialog.Layout()->addWidget(new QLabel(QString::fromUtf8(labels[i])), i / 2, (i % 2) * 2);
        dialog.Layout()->addWidget(edits[i], i / 2, (i % 2) * 2 + 1);
    }
    dialog.Finish(2);
    edits[0]->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (QSpinBox* e : edits)
        e->interpretText();
    const TXLMargins margins{edits[2]->value(), edits[0]->value(), edits[3]->value(), edits[1]->value()};
    Command([&] { m_sheet->SetPrintMargins(margins); });
    if (m_preview->Sheet())
        m_preview->Recompute();
    UpdateStatus();
}

void TXLSheetDesigner::PrintPreview()
{
    if (!m_sheet)
        return;
    m_grid->SetEditMode(emNone);
    CommitStep();
    m_pages->setCurrentWidget(m_previewPage);
    m_preview->SetAutoScale(true);
    m_preview->SetSheet(m_sheet);
    m_preview->setFocus();
    UpdateActions();
    UpdateStatus();
}

void TXLSheetDesigner::ClosePreview()
{
    m_pages->setCurrentWidget(m_designPage);
    m_grid->setFocus();
    m_preview->SetSheet(nullptr);
    UpdateActions();
    UpdateStatus();
}

void TXLSheetDesigner::PrevPage() { m_preview->SetPageNo(m_preview->PageNo() - 1); }

void TXLSheetDesigner::NextPage() { m_preview->SetPageNo(m_preview->PageNo() + 1); }

void TXLSheetDesigner::ZoomPage() { m_preview->ToggleZoom(); }

void TXLSheetDesigner::PreviewPageSetup()
{
    m_actions->Find("XLSheetPageSetup")->Run();
    m_preview->Recompute();
    UpdateStatus();
    UpdateActions();
}

void TXLSheetDesigner::DeColor()
{
    Command([&] {
        TXLUpdateGuard guard(*m_sheet);
        for (int row = 0; row < m_sheet->RowCount(); ++row)
            for (int col = 0; col < m_sheet->ColCount(); ++col) {
                if (static_cast<TColor>(m_sheet->GetProperty(col, row, pnColor)) != clWindow)
                    m_sheet->SetProperty(col, row, pnColor, static_cast<int32_t>(clWindow));
                if (TXLCell* cell = m_sheet->FindCell(col, row); cell && cell->FontColor() != clWindowText)
                    cell->SetFontColor(clWindowText);
            }
    });
}

void TXLSheetDesigner::VerticalText()
{
    const int col = m_grid->Col(), row = m_grid->Row();
    const TXLCell* cell = m_sheet ? m_sheet->FindCell(col, row) : nullptr;
    if (!cell)
        return;
    const QString text = QString::fromStdString(cell->AsString());
    const QString vertical = VerticalTextOf(text);
    if (vertical == text)
        return;
    Command([&] { m_sheet->SetValues(col, row, Variant(vertical.toStdString())); });
}

void TXLSheetDesigner::FillTitles()
{
    Command([&] { m_sheet->FillTitles(); });
}

void TXLSheetDesigner::UndoStep() { ShowStep(&TXLUndoStack::Undo); }

void TXLSheetDesigner::RedoStep() { ShowStep(&TXLUndoStack::Redo); }

void TXLSheetDesigner::ShowStep(void (TXLUndoStack::*step)())
{
    if (!m_undo || !m_sheet || m_sheet->ReadOnly())
        return;
    m_grid->SetEditMode(emNone);
    try {
        ((*m_undo).*step)();
    } catch (const std::exception& e) {
        ShowError(this, QString::fromStdString(e.what()));
    }
    // The replaced contents are freed once the grid has shown the step.
    QTimer::singleShot(100, this, [this]() { m_undo->DropDiscarded(); });
    RestoreName();
    UpdateActions();
    UpdateStatus();
    UpdateCaption();
}

// ---- closing ----

bool TXLSheetDesigner::SaveForClose()
{
    const QString file = m_options.FileName;
    if (file.isEmpty()) {
        SaveAs();
        return m_sheet && !m_sheet->Modified();
    }
    try {
        xlio::SaveSheet(*m_sheet, QFile::encodeName(file).toStdString());
    } catch (const std::exception& e) {
        ShowError(this, QString::fromStdString(e.what()));
        return false;
    }
    RestoreName();
    m_undo->MarkClean();
    return true;
}

void TXLSheetDesigner::closeEvent(QCloseEvent* event)
{
    if (InPreview())
        ClosePreview();
    m_grid->SetEditMode(emNone);
    CommitStep();
    if (m_options.StandAlone && m_sheet && m_sheet->Modified()) {
        const QString name =
            m_options.FileName.isEmpty() ? QStringLiteral("新表格") : QFileInfo(m_options.FileName).fileName();
        TXLMessage m;
        m.Kind = mkQuestion;
        m.Title = QStringLiteral("表格编辑器");
        m.Text = QStringLiteral("是否保存对“%1”的修改？").arg(name);
        m.Buttons = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
        m.Default = QMessageBox::Save;
        m.Captions = {{QMessageBox::Save, QStringLiteral("保存")},
                      {QMessageBox::Discard, QStringLiteral("不保存")},
                      {QMessageBox::Cancel, QStringLiteral("取消")}};
        const QMessageBox::StandardButton answer = Dialogs().Message(this, m);
        if (answer == QMessageBox::Cancel || answer == QMessageBox::Escape || answer == QMessageBox::NoButton ||
            (answer == QMessageBox::Save && !SaveForClose())) {
            event->ignore();
            return;
        }
    }
    event->accept();
    if (m_target)
        ClearActiveGrid(m_target.get());
    Q_EMIT Closed();
}

bool TXLSheetDesigner::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::InputMethod:
    case QEvent::Drop:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this)
            CommitSoon();
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void TXLSheetDesigner::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_target)
        SetActiveGrid(m_target.get());
}

// ---- opening ----

void ShowSheetDesigner(TXLSheet& sheet, const TXLDesignerOptions& options, QWidget* parent)
{
    TXLSheetDesigner designer(sheet, options, parent);
    designer.setWindowModality(Qt::ApplicationModal);
    if (!options.Bounds.isValid()) {
        if (const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen()) {
            QRect r = designer.frameGeometry();
            r.moveCenter(screen->availableGeometry().center());
            designer.move(r.topLeft());
        }
    }
    QEventLoop loop;
    QObject::connect(&designer, &TXLSheetDesigner::Closed, &loop, &QEventLoop::quit);
    designer.show();
    designer.activateWindow();
    loop.exec();
    designer.hide();
}

void ShowSheetDesigner(TXLSheet& sheet, int left, int top, const QString& textFormat, int height, int width)
{
    TXLDesignerOptions options;
    options.Bounds = QRect(left, top, width, height);
    options.TextFormat = textFormat;
    ShowSheetDesigner(sheet, options);
}

}  // namespace xlgridui
