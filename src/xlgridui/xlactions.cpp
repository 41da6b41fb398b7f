#include "xlgridui/xlactions.h"

#include "xlgridui/dialogs.h"
#include "xlgridui/palette.h"
#include "xlgridui/xlclipboard.h"
#include "xlgridui/xldesignerboxes.h"
#include "xlgridui/xlpreview.h"

#include "xlpaint/sheetprinter.h"

#include <QAbstractSpinBox>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextEdit>

#include <algorithm>
#include <stdexcept>

namespace xlgridui {

using namespace xlgrid;

// ---- shared state ----

TXLSelection SelectionOf(IXLActionGrid& grid)
{
    return TXLSelection(*grid.ActionSheet(), grid.SelectionSection(), grid.SelectionRect());
}

namespace {
IXLActionGrid* g_activeGrid = nullptr;
}

IXLActionGrid* ActiveGrid() { return g_activeGrid; }
void SetActiveGrid(IXLActionGrid* grid) { g_activeGrid = grid; }
void ClearActiveGrid(IXLActionGrid* grid)
{
    if (g_activeGrid == grid)
        g_activeGrid = nullptr;
}

TXLLine& CurrentLine()
{
    static TXLLine line{1, clBlack};
    return line;
}

QString& LastHyperlink()
{
    static QString text = QStringLiteral("http://");
    return text;
}

// ---- print dialogs ----

namespace {

class TQtPrintDialogs : public IXLPrintDialogs {
public:
    bool PageSetup(QWidget* parent, QPrinter& printer) override
    {
        QPageSetupDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

    bool Print(QWidget* parent, QPrinter& printer, int pageCount, bool selection, TXLPrintChoice& choice) override
    {
        QPrintDialog dialog(&printer, parent);
        dialog.setMinMax(1, std::max(1, pageCount));
        printer.setFromTo(1, std::max(1, pageCount));
        printer.setCopyCount(1);
        QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintPageRange |
                                                           QAbstractPrintDialog::PrintToFile;
        if (selection)
            options |= QAbstractPrintDialog::PrintSelection;
        dialog.setOptions(options);
        dialog.setPrintRange(selection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        switch (dialog.printRange()) {
        case QAbstractPrintDialog::Selection:
            choice.Range = TXLPrintChoice::prSelection;
            break;
        case QAbstractPrintDialog::PageRange:
            choice.Range = TXLPrintChoice::prPages;
            choice.FromPage = dialog.fromPage();
            choice.ToPage = dialog.toPage();
            break;
        default:
            choice.Range = TXLPrintChoice::prAll;
        }
        return true;
    }
};

TQtPrintDialogs g_qtPrintDialogs;
IXLPrintDialogs* g_printDialogs = &g_qtPrintDialogs;

}  // namespace

IXLPrintDialogs& PrintDialogs() { return *g_printDialogs; }

TXLPrintDialogOverride::TXLPrintDialogOverride(IXLPrintDialogs& dialogs) : m_previous(g_printDialogs)
{
    g_printDialogs = &dialogs;
}

TXLPrintDialogOverride::~TXLPrintDialogOverride() { g_printDialogs = m_previous; }

// ---- edit boxes ----

namespace {

QLineEdit* LineEditOf(QWidget* w)
{
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e;
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->isEditable() ? c->lineEdit() : nullptr;
    if (auto* s = qobject_cast<QAbstractSpinBox*>(w))
        return s->findChild<QLineEdit*>();
    return nullptr;
}

bool IsEditBox(QWidget* w)
{
    return LineEditOf(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w);
}

bool HasSelectedText(QWidget* w)
{
    if (QLineEdit* e = LineEditOf(w))
        return e->hasSelectedText();
    if (auto* t = qobject_cast<QTextEdit*>(w))
        return t->textCursor().hasSelection();
    if (auto* t = qobject_cast<QPlainTextEdit*>(w))
        return t->textCursor().hasSelection();
    return false;
}

bool IsReadOnlyBox(QWidget* w)
{
    if (QLineEdit* e = LineEditOf(w))
        return e->isReadOnly();
    if (auto* t = qobject_cast<QTextEdit*>(w))
        return t->isReadOnly();
    if (auto* t = qobject_cast<QPlainTextEdit*>(w))
        return t->isReadOnly();
    return true;
}

// Runs a slot of the box's text control: cut, copy, paste, selectAll, del.
void EditorCommand(QWidget* w, const char* command)
{
    QObject* target = LineEditOf(w);
    if (!target)
        target = w;
    if (qstrcmp(command, "del") == 0) {
        if (QLineEdit* e = LineEditOf(w))
            e->del();
        else if (auto* t = qobject_cast<QTextEdit*>(w))
            t->textCursor().removeSelectedText();
        else if (auto* t = qobject_cast<QPlainTextEdit*>(w))
            t->textCursor().removeSelectedText();
        return;
    }
    QMetaObject::invokeMethod(target, command);
}

bool ClipboardHasText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}

// ---- sheet helpers ----

// Cut, paste and delete need an editable sheet and grid; design mode does
// not lift the grid's read-only option for them.
bool Writable(IXLActionGrid& g)
{
    return TXLCustomAction::CanExecute(g, amLimited) && !g.ActionSheet()->ReadOnly() && !g.ReadOnlyGrid();
}

// The selection clipped to its section.
TXLRect ClippedSelection(IXLActionGrid& g)
{
    const TXLSection& s = g.ActionSheet()->Section(g.SelectionSection());
    return g.SelectionRect().Intersect({0, 0, s.ColCount(), s.RowCount()});
}

// Runs fn(sheetCol, sheetRow) for every position of the selection.
template <class F> void ForEachPosition(IXLActionGrid& g, F fn)
{
    const TXLSection& s = g.ActionSheet()->Section(g.SelectionSection());
    const TXLRect r = ClippedSelection(g);
    for (int row = r.Top; row < r.Bottom; ++row)
        for (int col = r.Left; col < r.Right; ++col)
            fn(s.SheetCol(col), s.SheetRow(row));
}

// The sheet indices of the selection's rows or columns.
std::vector<int> SelectedIndices(IXLActionGrid& g, TXLAxis axis)
{
    const TXLSection& s = g.ActionSheet()->Section(g.SelectionSection());
    const TXLRect r = ClippedSelection(g);
    std::vector<int> out;
    if (axis == sCols)
        for (int c = r.Left; c < r.Right; ++c)
            out.push_back(s.SheetCol(c));
    else
        for (int row = r.Top; row < r.Bottom; ++row)
            out.push_back(s.SheetRow(row));
    return out;
}

int32_t TopLeftProperty(IXLActionGrid& g, int number)
{
    const TXLSection& s = g.ActionSheet()->Section(g.SelectionSection());
    const TXLRect r = g.SelectionRect();
    return g.ActionSheet()->GetProperty(s.SheetCol(r.Left), s.SheetRow(r.Top), number);
}

TXLLayout TopLeftLayout(IXLActionGrid& g) { return TXLLayout::Decode(TopLeftProperty(g, pnLayout)); }

void SetLayoutPart(IXLActionGrid& g, const std::function<void(TXLLayout&)>& change)
{
    TXLSheet& sheet = *g.ActionSheet();
    ForEachPosition(g, [&](int col, int row) {
        TXLLayout l = TXLLayout::Decode(sheet.GetProperty(col, row, pnLayout));
        TXLLayout before = l;
        change(l);
        if (!(l == before))
            sheet.SetProperty(col, row, pnLayout, l.Encode());
    });
}

bool SelectionHasSheetCells(IXLActionGrid& g) { return !ClippedSelection(g).IsEmpty(); }

// The colour a colour button's automatic entry shows: the base style's
// colour of the selection's band.
const TXLBaseStyle& BaseStyleOf(IXLActionGrid& g)
{
    TXLSheet& sheet = *g.ActionSheet();
    return g.SelectionSection() == skClient ? sheet.BaseClientStyle() : sheet.BaseTitleStyle();
}

}  // namespace

// ---- the action ----

TXLCustomAction::TXLCustomAction(const QString& name, const QString& caption, TRules rules, QObject* parent)
    : QAction(caption, parent), m_rules(std::move(rules))
{
    setObjectName(name);
    setCheckable(static_cast<bool>(m_rules.Checked));
    setEnabled(false);
    connect(this, &QAction::triggered, this, [this]() { Run(); });
}

bool TXLCustomAction::CanExecute(IXLActionGrid& grid, TXLActionMode mode)
{
    TXLSheet* sheet = grid.ActionSheet();
    if (!sheet)
        return false;
    if (mode == amReadOnly)
        return true;
    return !sheet->ReadOnly() && (mode == amFree || grid.DesignMode() || !grid.ReadOnlyGrid());
}

QWidget* TXLCustomAction::EditorTarget() const
{
    if (!m_rules.EditorExecute)
        return nullptr;
    QWidget* focus = QApplication::focusWidget();
    return focus && IsEditBox(focus) ? focus : nullptr;
}

IXLActionGrid* TXLCustomAction::GridTarget() const
{
    IXLActionGrid* grid = ActiveGrid();
    if (!grid)
        return nullptr;
    QWidget* widget = grid->ActionWidget();
    QWidget* focus = QApplication::focusWidget();
    // The grid, something inside it, or a window that holds it.
    if (!focus || !widget || focus == widget || widget->isAncestorOf(focus) || focus->window() == widget->window())
        return grid;
    return nullptr;
}

void TXLCustomAction::UpdateState()
{
    if (QWidget* editor = EditorTarget()) {
        setEnabled(!m_rules.EditorAllowed || m_rules.EditorAllowed(editor));
        if (isCheckable())
            setChecked(false);
        return;
    }
    IXLActionGrid* grid = GridTarget();
    const bool enabled = grid && CanExecute(*grid, m_rules.Mode) && (!m_rules.Allowed || m_rules.Allowed(*grid));
    setEnabled(enabled);
    if (isCheckable()) {
        // An action's checked state reads the grid even when it is disabled
        // (a read-only grid still shows its options).
        const bool checked = grid && grid->ActionSheet() && m_rules.Checked(*grid);
        if (checked != isChecked()) {
            const QSignalBlocker block(this);
            setChecked(checked);
        }
    }
}

bool TXLCustomAction::Run()
{
    if (QWidget* editor = EditorTarget()) {
        if (m_rules.EditorAllowed && !m_rules.EditorAllowed(editor))
            return false;
        m_rules.EditorExecute(editor);
        return true;
    }
    IXLActionGrid* grid = GridTarget();
    if (!grid || !CanExecute(*grid, m_rules.Mode) || (m_rules.Allowed && !m_rules.Allowed(*grid))) {
        UpdateState();
        return false;
    }
    auto* owner = qobject_cast<TXLSheetActions*>(parent());
    if (owner)
        Q_EMIT owner->AboutToExecute(this);
    bool useDefault = true;
    if (OnGridExecute)
        OnGridExecute(*this, *grid, useDefault);
    if (useDefault && m_rules.Execute) {
        try {
            m_rules.Execute(*grid);
        } catch (const std::exception& e) {
            ShowError(grid->ActionWidget(), QString::fromStdString(e.what()));
        }
    }
    if (owner) {
        owner->UpdateAll();
        Q_EMIT owner->Executed(this);
    } else {
        UpdateState();
    }
    return true;
}

// ---- pictures ----

QStringList PictureFilters()
{
    return {QStringLiteral("图片文件 (*.png *.jpg *.jpeg *.bmp *.gif *.ico)"), QStringLiteral("所有文件 (*)")};
}

TXLPicture LoadPictureFile(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).size() > (qint64(64) << 20))
        throw std::runtime_error(("图片文件“" + path + "”太大（超过 64 MB）。").toStdString());
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(("无法打开图片文件“" + path + "”：" + file.errorString()).toStdString());
    QByteArray bytes = file.readAll();
    QImageReader reader(path);
    const QSize size = reader.size();
    const QByteArray format = reader.format().toUpper();
    if (format.isEmpty() || !size.isValid())
        throw std::runtime_error(("“" + path + "”不是可以读取的图片文件。").toStdString());
    TXLPicture picture;
    picture.Kind = format == "JPG" ? "JPEG" : format.toStdString();
    picture.Data.assign(bytes.constData(), size_t(bytes.size()));
    picture.Width = size.width();
    picture.Height = size.height();
    return picture;
}

// ---- the set ----

TXLSheetActions::TXLSheetActions(QObject* parent) : QObject(parent)
{
    LoadPicture = [](const QString& path) { return LoadPictureFile(path); };
    AddEditActions();
    AddFormatActions();
    AddRangeActions();
    AddViewActions();
    AddSheetActions();
}

TXLCustomAction* TXLSheetActions::Add(const QString& name, const QString& caption, TXLCustomAction::TRules rules,
                                      const QKeySequence& shortcut, const QString& hint)
{
    auto* action = new TXLCustomAction(name, caption, std::move(rules), this);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (!hint.isEmpty())
        action->setToolTip(hint);
    m_all.push_back(action);
    m_byName[name] = action;
    return action;
}

TXLCustomAction* TXLSheetActions::Find(const QString& name) const
{
    auto it = m_byName.find(name);
    return it == m_byName.end() ? nullptr : it->second;
}

void TXLSheetActions::UpdateAll()
{
    for (TXLCustomAction* a : m_all)
        a->UpdateState();
    IXLActionGrid* grid = ActiveGrid();
    if (grid && grid->ActionSheet())
        ShowBoxes(*grid);
    // The background action's caption says what it will do.
    const bool background = grid && grid->ActionSheet() && !grid->ActionSheet()->Background().IsEmpty();
    if (TXLCustomAction* bg = Find("XLSheetBackground"))
        bg->setText(background ? QStringLiteral("移除背景(&B)") : QStringLiteral("背景(&B)..."));
}

void TXLSheetActions::SetColorButton(const QString& action, TGSColorToolButton* button)
{
    m_colorButtons[action] = button;
    if (button && Find(action))
        connect(button, &TGSColorToolButton::ColorChosen, this, [this, action]() {
            if (TGSColorToolButton* b = ColorButton(action); b && b->AutoClick())
                Find(action)->Run();
        });
    if (button && Find(action))
        connect(button, &QToolButton::clicked, Find(action), [this, action]() { Find(action)->Run(); });
}

TGSColorToolButton* TXLSheetActions::ColorButton(const QString& action) const
{
    auto it = m_colorButtons.find(action);
    return it == m_colorButtons.end() ? nullptr : it->second.data();
}

void TXLSheetActions::ShowBoxes(IXLActionGrid& grid)
{
    // While the grid has the focus the boxes show its state.
    QWidget* focus = QApplication::focusWidget();
    QWidget* widget = grid.ActionWidget();
    const bool gridFocused = !focus || focus == widget || (widget && widget->isAncestorOf(focus));
    if (!gridFocused)
        return;
    if (m_zoomBox)
        m_zoomBox->SetValue(grid.GridScale());
    if (m_fontBox && !ClippedSelection(grid).IsEmpty()) {
        const TXLFont font = SelectionOf(grid).Font();
        m_fontBox->SetFontName(QString::fromStdString(font.Name));
        if (m_fontBox->SizeBox())
            m_fontBox->SizeBox()->SetValue(font.Size);
    }
    if (TGSColorToolButton* b = ColorButton("XLFontColor"))
        b->SetAutoColor(BaseStyleOf(grid).Font().Color);
    if (TGSColorToolButton* b = ColorButton("XLFillColor"))
        b->SetAutoColor(BaseStyleOf(grid).Color());
}

void TXLSheetActions::AddEditActions()
{
    using R = TXLCustomAction::TRules;
    auto copyTo = [](IXLActionGrid& g) {
        return CopyRangeToClipboard(*QApplication::clipboard(), *g.ActionSheet(), g.SelectionSection(),
                                    ClippedSelection(g));
    };

    R cut;
    cut.Mode = amLimited;
    cut.Allowed = Writable;
    cut.Execute = [copyTo](IXLActionGrid& g) {
        g.EndEdit();
        // Only what reached the clipboard may leave the sheet.
        if (!copyTo(g)) {
            ShowWarning(g.ActionWidget(), QStringLiteral("无法把选定的单元格放到剪贴板上，单元格保持不变。"));
            return;
        }
        TXLUpdateGuard guard(*g.ActionSheet());
        SelectionOf(g).ClearRange(crContents);
    };
    cut.EditorAllowed = [](QWidget* w) { return HasSelectedText(w) && !IsReadOnlyBox(w); };
    cut.EditorExecute = [](QWidget* w) { EditorCommand(w, "cut"); };
    Add("XLCut", QStringLiteral("剪切(&U)"), cut, QKeySequence(Qt::CTRL | Qt::Key_X), QStringLiteral("剪切"));

    R copy;
    copy.Mode = amReadOnly;
    copy.Execute = [copyTo](IXLActionGrid& g) {
        g.EndEdit();
        copyTo(g);
    };
    copy.EditorAllowed = HasSelectedText;
    copy.EditorExecute = [](QWidget* w) { EditorCommand(w, "copy"); };
    Add("XLCopy", QStringLiteral("复制(&C)"), copy, QKeySequence(Qt::CTRL | Qt::Key_C), QStringLiteral("复制"));

    auto paste = [](int ignore) {
        R r;
        r.Mode = amLimited;
        r.Allowed = [ignore](IXLActionGrid& g) {
            return Writable(g) && CanPasteMimeData(QApplication::clipboard()->mimeData(), ignore);
        };
        r.Execute = [ignore](IXLActionGrid& g) {
            g.EndEdit();
            TXLRect pasted;
            {
                TXLUpdateGuard guard(*g.ActionSheet());
                pasted = PasteMimeData(*g.ActionSheet(), g.SelectionSection(), g.SelectionRect(),
                                       QApplication::clipboard()->mimeData(), ignore);
            }
            if (!pasted.IsEmpty())
                g.SelectRange(g.SelectionSection(), pasted);
        };
        r.EditorAllowed = [ignore](QWidget* w) { return ignore == 0 && ClipboardHasText() && !IsReadOnlyBox(w); };
        r.EditorExecute = [](QWidget* w) { EditorCommand(w, "paste"); };
        return r;
    };
    Add("XLPaste", QStringLiteral("粘贴(&P)"), paste(0), QKeySequence(Qt::CTRL | Qt::Key_V), QStringLiteral("粘贴"));
    Add("XLPasteValues", QStringLiteral("粘贴值(&V)"), paste(piFormatting));

    R del;
    del.Mode = amLimited;
    del.Allowed = Writable;
    del.Execute = [](IXLActionGrid& g) {
        g.EndEdit();
        TXLUpdateGuard guard(*g.ActionSheet());
        SelectionOf(g).ClearRange(crContents);
    };
    del.EditorAllowed = [](QWidget* w) { return HasSelectedText(w) && !IsReadOnlyBox(w); };
    del.EditorExecute = [](QWidget* w) { EditorCommand(w, "del"); };
    Add("XLDelete", QStringLiteral("删除(&D)"), del, QKeySequence(Qt::Key_Delete), QStringLiteral("删除"));

    R all;
    all.Mode = amReadOnly;
    all.Execute = [](IXLActionGrid& g) { g.SelectAllCells(); };
    all.EditorExecute = [](QWidget* w) { EditorCommand(w, "selectAll"); };
    Add("XLSelectAll", QStringLiteral("全选(&A)"), all, QKeySequence(Qt::CTRL | Qt::Key_A));
}

void TXLSheetActions::AddFormatActions()
{
    using R = TXLCustomAction::TRules;
    auto visual = [](std::function<void(IXLActionGrid&)> work) {
        R r;
        r.Mode = amVisual;
        r.Execute = [work](IXLActionGrid& g) {
            g.EndEdit();
            TXLUpdateGuard guard(*g.ActionSheet());
            work(g);
        };
        return r;
    };
    auto bit = [](TXLSide s) { return static_cast<TXLSides>(1u << s); };

    // Sets of sides with the current line.
    const TXLSides outer = bit(sLeft) | bit(sTop) | bit(sRight) | bit(sBottom);
    const TXLSides inner = bit(sHInside) | bit(sVInside);
    struct SidesAction { const char* name; const char* caption; TXLSides sides; bool clear; };
    const SidesAction sides[] = {
        {"XLBorderClear", "无框线", static_cast<TXLSides>(0xFF), true},
        {"XLBorderAll", "所有框线", static_cast<TXLSides>(outer | inner), false},
        {"XLBorderOutline", "外侧框线", outer, false},
        {"XLBorderInside", "内侧框线", inner, false},
    };
    for (const SidesAction& a : sides) {
        const TXLSides set = a.sides;
        const bool clear = a.clear;
        Add(a.name, QString::fromUtf8(a.caption), visual([set, clear](IXLActionGrid& g) {
                SelectionOf(g).SetSides(set, clear ? TXLLine{} : CurrentLine());
            }),
            {}, QString::fromUtf8(a.caption));
    }

    struct SideAction { const char* name; const char* caption; TXLSide side; };
    const SideAction single[] = {
        {"XLBorderLeft", "左框线", sLeft},         {"XLBorderRight", "右框线", sRight},
        {"XLBorderTop", "上框线", sTop},           {"XLBorderBottom", "下框线", sBottom},
        {"XLBorderInsideVert", "内部竖框线", sVInside}, {"XLBorderInsideHorz", "内部横框线", sHInside},
        {"XLBorderDiagUp", "斜上框线", sBias2},    {"XLBorderDiagDown", "斜下框线", sBias1},
    };
    for (const SideAction& a : single) {
        const TXLSide side = a.side;
        auto has = [side](IXLActionGrid& g) { return TXLLine::Decode(TopLeftProperty(g, side)).Weight > 0; };
        R r = visual([side, has, bit](IXLActionGrid& g) {
            SelectionOf(g).SetSides(bit(side), has(g) ? TXLLine{} : CurrentLine());
        });
        r.Checked = has;
        Add(a.name, QString::fromUtf8(a.caption), r, {}, QString::fromUtf8(a.caption));
    }

    struct WeightAction { const char* name; const char* caption; uint8_t weight; };
    const WeightAction weights[] = {
        {"XLBorderSingle", "细线形", 1}, {"XLBorderMedium", "中等线形", 2}, {"XLBorderDouble", "粗线形", 3}};
    for (const WeightAction& a : weights) {
        const uint8_t w = a.weight;
        R r;
        r.Mode = amVisual;
        r.Checked = [w](IXLActionGrid&) { return CurrentLine().Weight == w; };
        r.Execute = [w](IXLActionGrid&) { CurrentLine().Weight = w; };
        Add(a.name, QString::fromUtf8(a.caption), r);
    }

    R borderColor;
    borderColor.Mode = amVisual;
    borderColor.Allowed = [this](IXLActionGrid&) { return ColorButton("XLBorderColor") != nullptr; };
    borderColor.Execute = [this](IXLActionGrid&) { CurrentLine().Color = ColorButton("XLBorderColor")->Color(); };
    Add("XLBorderColor", QStringLiteral("边框颜色"), borderColor, {}, QStringLiteral("边框颜色"));

    struct StyleAction { const char* name; const char* caption; uint8_t style; };
    const StyleAction styles[] = {{"XLFontBold", "加粗", fsBold},
                                  {"XLFontItalic", "倾斜", fsItalic},
                                  {"XLFontUnderline", "下划线", fsUnderline},
                                  {"XLFontStrikeOut", "删除线", fsStrikeOut}};
    for (const StyleAction& a : styles) {
        const uint8_t style = a.style;
        auto has = [style](IXLActionGrid& g) { return (SelectionOf(g).Font().Style & style) != 0; };
        R r = visual([style, has](IXLActionGrid& g) {
            TXLFont font = SelectionOf(g).Font();
            font.Style = static_cast<uint8_t>(has(g) ? (font.Style & ~style) : (font.Style | style));
            SelectionOf(g).SetFont(font, style);
        });
        r.Checked = has;
        Add(a.name, QString::fromUtf8(a.caption), r, {}, QString::fromUtf8(a.caption));
    }

    struct HorzAction { const char* name; const char* caption; TXLHorzAlign align; };
    const HorzAction horz[] = {
        {"XLAlignLeft", "左对齐", haLeft}, {"XLAlignCenter", "横向居中", haCenter}, {"XLAlignRight", "右对齐", haRight}};
    for (const HorzAction& a : horz) {
        const TXLHorzAlign align = a.align;
        R r = visual([align](IXLActionGrid& g) { SetLayoutPart(g, [align](TXLLayout& l) { l.HorzAlign = align; }); });
        r.Checked = [align](IXLActionGrid& g) { return TopLeftLayout(g).HorzAlign == align; };
        Add(a.name, QString::fromUtf8(a.caption), r, {}, QString::fromUtf8(a.caption));
    }
    struct VertAction { const char* name; const char* caption; TXLVertAlign align; };
    const VertAction vert[] = {
        {"XLAlignTop", "上对齐", vaTop}, {"XLAlignVCenter", "中部居中", vaCenter}, {"XLAlignBottom", "底端对齐", vaBottom}};
    for (const VertAction& a : vert) {
        const TXLVertAlign align = a.align;
        R r = visual([align](IXLActionGrid& g) { SetLayoutPart(g, [align](TXLLayout& l) { l.VertAlign = align; }); });
        r.Checked = [align](IXLActionGrid& g) { return TopLeftLayout(g).VertAlign == align; };
        Add(a.name, QString::fromUtf8(a.caption), r, {}, QString::fromUtf8(a.caption));
    }

    {
        auto has = [](IXLActionGrid& g) {
            return (static_cast<TXLCellStyles>(TopLeftProperty(g, pnStyles)) & StyleBit(csHidden)) != 0;
        };
        R r = visual([has](IXLActionGrid& g) {
            const bool on = !has(g);
            TXLSheet& sheet = *g.ActionSheet();
            ForEachPosition(g, [&](int col, int row) {
                auto s = static_cast<TXLCellStyles>(sheet.GetProperty(col, row, pnStyles));
                auto n = on ? (s | StyleBit(csHidden)) : (s & ~StyleBit(csHidden));
                if (n != s)
                    sheet.SetProperty(col, row, pnStyles, static_cast<int32_t>(n));
            });
        });
        r.Checked = has;
        Add("XLStyleHidden", QStringLiteral("隐藏单元格"), r, {}, QStringLiteral("隐藏单元格"));
    }

    R face = visual([this](IXLActionGrid& g) {
        TXLFont font = SelectionOf(g).Font();
        font.Name = m_fontBox->FontName().toStdString();
        uint32_t flags = kFontName;
        if (m_fontBox->SizeBox()) {
            font.Size = m_fontBox->SizeBox()->Value();
            flags |= kFontSize;
        }
        SelectionOf(g).SetFont(font, flags);
        if (AutoHeight)
            for (int row : SelectedIndices(g, sRows))
                g.ActionSheet()->SetSizes(row, sRows, -1);
    });
    face.Allowed = [this](IXLActionGrid&) { return m_fontBox != nullptr; };
    Add("XLFontFace", QStringLiteral("字体"), face, {}, QStringLiteral("字体"));

    R fontColor = visual([this](IXLActionGrid& g) {
        TXLFont font = SelectionOf(g).Font();
        font.Color = ColorButton("XLFontColor")->Color();
        SelectionOf(g).SetFont(font, kFontColor);
    });
    fontColor.Allowed = [this](IXLActionGrid&) { return ColorButton("XLFontColor") != nullptr; };
    Add("XLFontColor", QStringLiteral("字体颜色"), fontColor, {}, QStringLiteral("字体颜色"));

    R fillColor = visual([this](IXLActionGrid& g) {
        SelectionOf(g).SetProperty(pnColor, static_cast<int32_t>(ColorButton("XLFillColor")->Color()));
    });
    fillColor.Allowed = [this](IXLActionGrid&) { return ColorButton("XLFillColor") != nullptr; };
    Add("XLFillColor", QStringLiteral("背景颜色"), fillColor, {}, QStringLiteral("背景颜色"));
}

void TXLSheetActions::AddRangeActions()
{
    using R = TXLCustomAction::TRules;
    auto limited = [](std::function<void(IXLActionGrid&)> work, std::function<bool(IXLActionGrid&)> allowed = {}) {
        R r;
        r.Mode = amLimited;
        r.Allowed = std::move(allowed);
        r.Execute = [work](IXLActionGrid& g) {
            g.EndEdit();
            TXLUpdateGuard guard(*g.ActionSheet());
            work(g);
        };
        return r;
    };

    Add("XLMergeCells", QStringLiteral("合并单元格"),
        limited([](IXLActionGrid& g) { SelectionOf(g).Merge(); },
                [](IXLActionGrid& g) { return SelectionHasSheetCells(g) && !SelectionOf(g).IsSingle(); }),
        {}, QStringLiteral("合并单元格"));
    Add("XLMergeAcross", QStringLiteral("横向合并单元格"),
        limited([](IXLActionGrid& g) { SelectionOf(g).Merge(true); },
                [](IXLActionGrid& g) { return ClippedSelection(g).Width() >= 2; }),
        {}, QStringLiteral("横向合并单元格"));
    Add("XLUnmergeCells", QStringLiteral("拆分单元格"),
        limited([](IXLActionGrid& g) { SelectionOf(g).Unmerge(); },
                [](IXLActionGrid& g) { return SelectionHasSheetCells(g) && SelectionOf(g).IsMerged(); }),
        {}, QStringLiteral("拆分单元格"));

    Add("XLClearContents", QStringLiteral("内容(&C)"),
        limited([](IXLActionGrid& g) { SelectionOf(g).ClearRange(crContents); }),
        QKeySequence(Qt::CTRL | Qt::Key_Delete));
    Add("XLClearFormatting", QStringLiteral("格式(&F)"),
        limited([](IXLActionGrid& g) { SelectionOf(g).ClearRange(crFormats); }));
    Add("XLClearAll", QStringLiteral("全部(&A)"),
        limited([](IXLActionGrid& g) { SelectionOf(g).ClearRange(crContents | crFormats); }));

    auto insert = [](TXLAxis axis, bool remove) {
        return [axis, remove](IXLActionGrid& g) {
            const TXLSection& s = g.ActionSheet()->Section(g.SelectionSection());
            const TXLRect r = g.SelectionRect();
            const int first = axis == sCols ? s.SheetCol(r.Left) : s.SheetRow(r.Top);
            const int span = std::max(1, axis == sCols ? r.Width() : r.Height());
            g.ActionSheet()->InsertSectors(axis, first, remove ? -span : span);
        };
    };
    Add("XLInsertRows", QStringLiteral("行(&R)"), limited(insert(sRows, false)));
    Add("XLInsertColumns", QStringLiteral("列(&C)"), limited(insert(sCols, false)));
    Add("XLDeleteRows", QStringLiteral("删除行(&X)"), limited(insert(sRows, true)));
    Add("XLDeleteColumns", QStringLiteral("删除列(&Y)"), limited(insert(sCols, true)));

    auto sizes = [](TXLAxis axis, std::function<void(TXLSheet&, int, TXLAxis)> fn) {
        return [axis, fn](IXLActionGrid& g) {
            for (int i : SelectedIndices(g, axis))
                fn(*g.ActionSheet(), i, axis);
        };
    };
    auto autofit = [](TXLSheet& s, int i, TXLAxis a) { s.SetSizes(i, a, -1); };
    auto hide = [](TXLSheet& s, int i, TXLAxis a) { s.SetVisible(i, a, false); };
    auto show = [](TXLSheet& s, int i, TXLAxis a) { s.SetVisible(i, a, true); };
    Add("XLAutofitRows", QStringLiteral("自动适合(&A)"), limited(sizes(sRows, autofit)));
    Add("XLAutofitColumns", QStringLiteral("自动适合"), limited(sizes(sCols, autofit)));
    Add("XLHideRows", QStringLiteral("隐藏(&U)"), limited(sizes(sRows, hide)));
    Add("XLShowRows", QStringLiteral("显示(&V)"), limited(sizes(sRows, show)));
    Add("XLHideColumns", QStringLiteral("隐藏"), limited(sizes(sCols, hide)));
    Add("XLShowColumns", QStringLiteral("显示"), limited(sizes(sCols, show)));

    R picture;
    picture.Mode = amLimited;
    picture.Execute = [this](IXLActionGrid& g) {
        g.EndEdit();
        TXLFileRequest request;
        request.Title = QStringLiteral("插入图像");
        request.Filters = PictureFilters();
        const QString path = Dialogs().OpenFileName(g.ActionWidget(), request);
        if (path.isEmpty())
            return;
        TXLSheet& sheet = *g.ActionSheet();
        TXLUpdateGuard guard(sheet);
        SelectionOf(g).Merge();
        ForEachPosition(g, [&](int col, int row) { sheet.SetCellClass(col, row, TXLCPicture::Class()); });
        // The block stays a picture block also when the file cannot be read.
        TXLPicture loaded = LoadPicture(path);
        if (TXLCell* cell = sheet.FindCell(g.CurrentCol(), g.CurrentRow()))
            cell->SetAsPicture(&loaded);
    };
    Add("XLInsertPicture", QStringLiteral("图片(&P)..."), picture, {}, QStringLiteral("插入图片"));

    R link;
    link.Mode = amLimited;
    link.Execute = [](IXLActionGrid& g) {
        g.EndEdit();
        bool ok = false;
        const QString text = QInputDialog::getText(g.ActionWidget(), QStringLiteral("插入超链接"),
                                                   QStringLiteral("输入网址:"), QLineEdit::Normal, LastHyperlink(), &ok);
        if (!ok)
            return;
        LastHyperlink() = text;
        TXLSheet& sheet = *g.ActionSheet();
        TXLUpdateGuard guard(sheet);
        if (TXLCell* cell = sheet.SetCellClass(g.CurrentCol(), g.CurrentRow(), TXLCUrl::Class()))
            cell->SetAsString(text.toStdString());
    };
    Add("XLInsertHyperlink", QStringLiteral("超连接(&L)..."), link, {}, QStringLiteral("插入超连接"));
}

void TXLSheetActions::AddViewActions()
{
    using R = TXLCustomAction::TRules;
    struct DirAction { const char* name; const char* caption; TXLMoveDir dir; };
    const DirAction dirs[] = {{"XLDirRight", "右(&R)", mdRight},
                              {"XLDirDown", "下(&D)", mdDown},
                              {"XLDirLeft", "左(&L)", mdLeft},
                              {"XLDirUp", "上(&U)", mdUp},
                              {"XLDirAuto", "自动(&A)", mdAuto}};
    auto* dirGroup = new QActionGroup(this);
    for (const DirAction& a : dirs) {
        const TXLMoveDir dir = a.dir;
        R r;
        r.Mode = amReadOnly;
        r.Checked = [dir](IXLActionGrid& g) { return g.EnterDir() == dir; };
        r.Execute = [dir](IXLActionGrid& g) { g.SetEnterDir(dir); };
        dirGroup->addAction(Add(a.name, QString::fromUtf8(a.caption), r));
    }

    struct OptionAction { const char* name; const char* caption; TXLViewOption option; QKeySequence key; };
    const OptionAction options[] = {
        {"XLOptionGridLines", "网格线(&G)", voGridLines, QKeySequence(Qt::CTRL | Qt::Key_G)},
        {"XLOptionTitles", "标题(&T)", voTitles, QKeySequence(Qt::CTRL | Qt::Key_T)},
        {"XLOptionPermEdit", "总是编辑(&E)", voPermEdit, QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"XLOptionSizing", "调整大小(&S)", voSizing, QKeySequence()},
    };
    for (const OptionAction& a : options) {
        const TXLViewOption option = a.option;
        R r;
        r.Mode = amReadOnly;
        r.Checked = [option](IXLActionGrid& g) { return g.HasViewOption(option); };
        r.Execute = [option](IXLActionGrid& g) { g.SetViewOption(option, !g.HasViewOption(option)); };
        Add(a.name, QString::fromUtf8(a.caption), r, a.key);
    }

    auto* viewGroup = new QActionGroup(this);
    for (bool pageBreak : {false, true}) {
        R r;
        r.Mode = amReadOnly;
        r.Checked = [pageBreak](IXLActionGrid& g) { return g.HasViewOption(voPageBreak) == pageBreak; };
        r.Execute = [pageBreak](IXLActionGrid& g) { g.SetViewOption(voPageBreak, pageBreak); };
        viewGroup->addAction(Add(pageBreak ? "XLPageBreakView" : "XLNormalView",
                                 pageBreak ? QStringLiteral("分页视图(&P)") : QStringLiteral("标准视图(&S)"), r));
    }

    R hints;
    hints.Mode = amReadOnly;
    hints.Checked = [](IXLActionGrid& g) { return g.ShowHints(); };
    hints.Execute = [](IXLActionGrid& g) { g.SetShowHints(!g.ShowHints()); };
    Add("XLShowHints", QStringLiteral("显示提示"), hints, QKeySequence(Qt::CTRL | Qt::Key_H));

    R design;
    design.Mode = amFree;
    design.Checked = [](IXLActionGrid& g) { return g.DesignMode(); };
    design.Execute = [](IXLActionGrid& g) { g.SetDesignMode(!g.DesignMode()); };
    Add("XLDesignMode", QStringLiteral("设计模式"), design, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));

    R zoom;
    zoom.Mode = amReadOnly;
    zoom.Allowed = [this](IXLActionGrid&) { return m_zoomBox != nullptr; };
    zoom.Execute = [this](IXLActionGrid& g) { g.SetGridScale(std::max(25, qRound(m_zoomBox->Value()))); };
    Add("XLZoom", QStringLiteral("显示比例"), zoom, {}, QStringLiteral("显示比例"));
}

void TXLSheetActions::AddSheetActions()
{
    using R = TXLCustomAction::TRules;
    R calc;
    calc.Mode = amFree;
    calc.Execute = [](IXLActionGrid& g) {
        g.EndEdit();
        TXLUpdateGuard guard(*g.ActionSheet());
        g.ActionSheet()->Recalculate();
    };
    Add("XLSheetCalculate", QStringLiteral("重新计算"), calc, QKeySequence(Qt::Key_F5));

    R background;
    background.Mode = amLimited;
    background.Execute = [this](IXLActionGrid& g) {
        TXLSheet& sheet = *g.ActionSheet();
        if (!sheet.Background().IsEmpty()) {
            sheet.SetBackground(TXLPicture{});
            return;
        }
        TXLFileRequest request;
        request.Title = QStringLiteral("打开背景图像");
        request.Filters = PictureFilters();
        const QString path = Dialogs().OpenFileName(g.ActionWidget(), request);
        if (!path.isEmpty())
            sheet.SetBackground(LoadPicture(path));
    };
    Add("XLSheetBackground", QStringLiteral("背景(&B)..."), background);

    R print;
    print.Mode = amReadOnly;
    print.Execute = [](IXLActionGrid& g) {
        g.EndEdit();
        TXLSheet& sheet = *g.ActionSheet();
        QPrinter& printer = SharedPrinter();
        RefreshPrinterMetrics();
        xlpaint::TXLSheetPrinter sheetPrinter(sheet);
        const TXLRect sel = ClippedSelection(g);
        const bool selection = sel.Width() * int64_t(sel.Height()) > 1;
        TXLPrintChoice choice;
        const int pages = static_cast<int>(std::min(sheetPrinter.PageCount(), xlpaint::kMaxPrintPages));
        if (!PrintDialogs().Print(g.ActionWidget(), printer, pages, selection, choice))
            return;
        switch (choice.Range) {
        case TXLPrintChoice::prSelection:
            sheetPrinter.PrintRange(SelectionOf(g), std::string(), AxisBit(sCols) | AxisBit(sRows), printer);
            break;
        case TXLPrintChoice::prPages:
            sheetPrinter.Print(printer, choice.FromPage, choice.ToPage);
            break;
        case TXLPrintChoice::prAll:
            sheetPrinter.Print(printer, 0, -1);
            break;
        }
    };
    Add("XLSheetPrint", QStringLiteral("打印(&P)..."), print, {}, QStringLiteral("打印"));

    R setup;
    setup.Mode = amReadOnly;
    setup.Execute = [](IXLActionGrid& g) {
        QPrinter& printer = SharedPrinter();
        if (PrintDialogs().PageSetup(g.ActionWidget(), printer))
            ApplyPrinterMetrics(printer);
    };
    Add("XLSheetPageSetup", QStringLiteral("页面设置(&T)..."), setup, {}, QStringLiteral("打印设置"));
}

}  // namespace xlgridui
