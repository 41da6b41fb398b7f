#include "xlgridui/xledit.h"

#include "xlgridui/xldatetimeedit.h"
#include "xlgridui/xlmaskedit.h"
#include "xlgridui/xlmemo.h"
#include "xlgridui/xlnumedit.h"
#include "xlgridui/xlpickedit.h"

#include "xlgrid/section.h"
#include "xlgrid/sheet.h"
#include "xlgrid/style.h"
#include "xlgrid/xlerrors.h"
#include "xlpaint/qtconvert.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

namespace xlgridui {

// ---- the table of editor classes -------------------------------------------

TXLEditorClasses& TXLEditorClasses::Instance()
{
    static TXLEditorClasses classes;
    return classes;
}

TXLEditorClasses::TXLEditorClasses()
{
    Register("TXLMaskEdit", [](QWidget* p) -> TXLEditor* { return new TXLMaskEdit(p); });
    Register("TXLNumEdit", [](QWidget* p) -> TXLEditor* { return new TXLNumEdit(p); });
    Register("TXLDateTimeEdit", [](QWidget* p) -> TXLEditor* { return new TXLDateTimeEdit(p); });
    Register("TXLMemo", [](QWidget* p) -> TXLEditor* { return new TXLMemo(p); });
    Register("TXLPickEdit", [](QWidget* p) -> TXLEditor* { return new TXLPickEdit(p); });
    Register("TXLComboBox", [](QWidget* p) -> TXLEditor* { return new TXLComboBox(p); });
}

void TXLEditorClasses::Register(const std::string& name, TXLEditorFactory factory)
{
    m_factories[name] = std::move(factory);
}

const TXLEditorFactory* TXLEditorClasses::Find(const std::string& name) const
{
    auto it = m_factories.find(name);
    return it == m_factories.end() ? nullptr : &it->second;
}

std::string TXLEditorClasses::EditorOf(const xlgrid::TXLCell& cell) const
{
    // The exact class's own list: a link cell is a text cell underneath but
    // registers no editor, so it never opens one.
    const std::vector<std::string>& editors = cell.CellClass().Editors;
    if (editors.empty())
        return {};
    size_t index = static_cast<size_t>(cell.Editor());
    const std::string& name = index < editors.size() ? editors[index] : editors.front();
    return Find(name) ? name : std::string();
}

bool TXLEdit::HasEditor(const xlgrid::TXLCellClass& cls)
{
    const TXLEditorClasses& classes = TXLEditorClasses::Instance();
    return !cls.Editors.empty() &&
           std::all_of(cls.Editors.begin(), cls.Editors.end(), [&](const std::string& n) { return classes.Find(n); });
}

Qt::Alignment ToQtAlignment(xlgrid::TXLHorzAlign align)
{
    switch (align) {
    case xlgrid::haRight: return Qt::AlignRight;
    case xlgrid::haCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// ---- the host ----------------------------------------------------------------

namespace {

QWidget* GridParent(IXLEditGrid& grid)
{
    QWidget* w = grid.GridWidget();
    if (!w)
        throw xlgrid::EXLGridError("Invalid parent!");
    return w;
}

// The pixels a cell's frame takes on each side.
int FrameWidth(xlgrid::TXLFrame frame)
{
    switch (frame) {
    case xlgrid::frNone: return 0;
    case xlgrid::frFlatUp:
    case xlgrid::frFlatDown: return 1;
    default: return 2;
    }
}

}  // namespace

TXLEdit::TXLEdit(IXLEditGrid& grid) : QWidget(GridParent(grid)), m_grid(grid)
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    m_button = new TXLButton(this);
    m_button->OnClick = [this](bool lower) {
        if (m_editor && IsOpen())
            m_editor->ButtonClick(lower);
    };
    hide();
}

TXLEdit::~TXLEdit()
{
    // The cell is alive: its freeing or its sheet's would have been reported.
    if (m_cell)
        m_cell->SetInEditor(false);
    Detach();
}

void TXLEdit::Detach()
{
    if (m_sheet) {
        m_sheet->RemoveUser(this);
        m_sheet = nullptr;
    }
}

TXLEditMode TXLEdit::Mode() const { return IsOpen() ? m_mode : emNone; }

void TXLEdit::SetMode(TXLEditMode mode)
{
    if (IsOpen() && mode != emNone)
        m_mode = mode;
}

QWidget* TXLEdit::InputWidget() const { return m_editor ? m_editor->InputWidget() : nullptr; }

QRect TXLEdit::ContentRect() const
{
    int b = m_edit3D ? 2 : 0;
    return rect().adjusted(b, b, -b, -b);
}

bool TXLEdit::CellAlive(const xlgrid::TXLCell& cell) const
{
    // Called while the cell object still exists (a notification comes before
    // the cell is freed): a cell on its way out is no longer found at its place.
    const xlgrid::TXLSheet* sheet = cell.Sheet();
    return sheet && sheet->FindCell(cell.SheetCol(), cell.SheetRow()) == &cell;
}

void TXLEdit::UseEditor(const std::string& name)
{
    if (m_editor && name == m_editorName)
        return;
    if (m_editor) {
        // The old control may be inside one of its own event handlers (a key
        // that closed and reopened the host): free it once that returned.
        QWidget* old = m_editor->Widget();
        old->hide();
        old->removeEventFilter(this);
        if (m_editor->InputWidget() != old)
            m_editor->InputWidget()->removeEventFilter(this);
        old->deleteLater();
        m_editor = nullptr;
        m_editorName.clear();
    }
    const TXLEditorFactory* factory = TXLEditorClasses::Instance().Find(name);
    if (!factory)
        throw xlgrid::EXLGridError("No editor class " + name);
    m_editor = (*factory)(this);
    m_editorName = name;
    m_editor->InputWidget()->installEventFilter(this);
    m_editor->OnHeightChanged = [this] { PlaceControls(); };
    m_button->raise();
}

bool TXLEdit::Open(xlgrid::TXLCell& cell, TXLEditMode mode)
{
    if (m_cell == &cell) {
        SetMode(mode);
        return true;
    }
    if (m_cell)
        Finish(true);
    if (OpenCell(cell, mode))
        return true;
    GiveBackToGrid();
    return false;
}

bool TXLEdit::OpenCell(xlgrid::TXLCell& cell, TXLEditMode mode)
{
    std::string name = TXLEditorClasses::Instance().EditorOf(cell);
    if (name.empty())
        return false;
    try {
        UseEditor(name);
        m_cell = &cell;
        m_mode = mode == emNone ? emEditing : mode;
        m_edit3D = m_grid.Edit3D();
        ApplyCellLook();
        TXLLoadResult loaded = m_editor->Load(cell);
        m_forwardClicks = loaded.ForwardClicks;
        m_button->SetStyle(loaded.Button);
        PlaceControls();
    } catch (const std::exception&) {
        m_cell = nullptr;
        m_mode = emNone;
        m_button->SetStyle(esNormal);
        hide();
        return false;
    }
    QWidget* grid = m_grid.GridWidget();
    m_gridFocus = grid->focusPolicy();
    grid->setFocusPolicy(static_cast<Qt::FocusPolicy>(m_gridFocus & ~Qt::TabFocus));
    m_editor->Widget()->show();
    show();
    raise();
    m_editor->InputWidget()->setFocus(Qt::OtherFocusReason);
    cell.SetInEditor(true);
    m_sheet = cell.Sheet();
    if (m_sheet)
        m_sheet->AddUser(this);
    return true;
}

void TXLEdit::ApplyCellLook()
{
    xlgrid::TXLCell& cell = *m_cell;
    QRect r = m_grid.EditorCellRect(cell);
    int f = FrameWidth(cell.Frame());
    r.adjust(f, f, -f, -f);
    if (m_edit3D)
        r.adjust(-2, -2, 2, 2);
    setGeometry(r);

    xlgrid::TColor fill = cell.Color();
    if (fill == xlgrid::clNone)
        if (const xlgrid::TXLSection* section = cell.Section())
            fill = section->BaseStyle()->Color();
    if (fill == xlgrid::clNone)
        fill = xlgrid::clWindow;
    xlgrid::TXLFont cellFont = cell.Font();
    int zoom = m_grid.GridScale();
    QPalette pal = palette();
    QColor back = xlpaint::ToQColor(fill);
    QColor ink = xlpaint::ToQColor(cellFont.Color);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base})
        pal.setColor(role, back);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText})
        pal.setColor(role, ink);
    setPalette(pal);
    setFont(xlpaint::ToQFont(cellFont, zoom));
    QWidget* control = m_editor->Widget();
    control->setPalette(pal);
    control->setFont(font());

    xlgrid::TXLLayout layout = cell.Layout();
    m_vertAlign = layout.VertAlign;
    m_editor->ApplyLayout(layout.HorzAlign, layout.Indent * zoom / 100);
}

void TXLEdit::PlaceControls()
{
    if (!m_editor)
        return;
    QRect area = ContentRect();
    if (m_button->Style() != esNormal) {
        int w = std::clamp(area.height(), 12, 17);
        w = std::min(w, area.width() / 2);
        m_button->setGeometry(area.right() - w + 1, area.top(), w, area.height());
        area.setRight(area.right() - w);
    }
    int h = std::max(1, std::min(m_editor->PreferredHeight(area.width(), area.height()), area.height()));
    int top = area.top();
    if (m_vertAlign == xlgrid::vaBottom)
        top = area.bottom() + 1 - h;
    else if (m_vertAlign == xlgrid::vaCenter)
        top = area.top() + (area.height() - h) / 2;
    m_editor->Place(QRect(area.left(), top, area.width(), h));
    m_button->raise();
}

void TXLEdit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceControls();
}

void TXLEdit::paintEvent(QPaintEvent*)
{
    if (!m_edit3D)
        return;
    QPainter p(this);
    qDrawWinPanel(&p, rect(), palette(), true);
}

void TXLEdit::Reposition()
{
    if (!IsOpen())
        return;
    ApplyCellLook();
    PlaceControls();
}

void TXLEdit::Finish(bool store)
{
    xlgrid::TXLCell* cell = m_cell;
    m_cell = nullptr;
    m_mode = emNone;
    m_forwardClicks = false;
    // Cleared first: the views paint the cell again, and storing does not
    // report the open cell back to the host.
    cell->SetInEditor(false);
    if (store) {
        try {
            m_editor->Store(*cell);
        } catch (const std::exception&) {
            // A value the cell cannot take is dropped; the cell keeps its content.
        }
    }
    m_button->SetStyle(esNormal);
    hide();
    m_grid.GridWidget()->setFocusPolicy(m_gridFocus);
    Detach();
}

void TXLEdit::GiveBackToGrid()
{
    m_grid.GridWidget()->setFocus(Qt::OtherFocusReason);
    m_grid.EditorClosed();
}

void TXLEdit::Close(bool store)
{
    if (!m_cell)
        return;
    Finish(store);
    GiveBackToGrid();
}

void TXLEdit::CellChanged(xlgrid::TXLCell* cell)
{
    if (!cell || cell != m_cell)
        return;
    if (!CellAlive(*cell)) {
        Close(false);  // being freed (still alive now): nothing to store into any more
        return;
    }
    ApplyCellLook();
    PlaceControls();
}

void TXLEdit::SheetDestroying()
{
    Close(false);  // the cells are still alive
}

bool TXLEdit::ForwardsClicks() const
{
    return IsOpen() && m_forwardClicks && m_editor->WantsGridClicks();
}

bool TXLEdit::GridClick(int col, int row)
{
    if (!ForwardsClicks())
        return false;
    return m_editor->GridClick(col, row);
}

bool TXLEdit::GridClick(const xlgrid::TXLCell& clicked)
{
    xlgrid::TXLRect r;
    clicked.GetSheetRect(r);
    return GridClick(r.Left, r.Top);
}

void TXLEdit::ForwardText(const QString& text)
{
    if (!IsOpen() || text.isEmpty())
        return;
    m_editor->SelectAllText();
    QWidget* input = m_editor->InputWidget();
    int key = Qt::Key_unknown;
    if (text == QLatin1String("\b"))
        key = Qt::Key_Backspace;
    else if (text.size() == 1 && text[0].unicode() > 32 && text[0].unicode() < 127)
        key = text[0].toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Backspace ? QString() : text);
    // The grid already handled this key: it goes to the control only.
    m_forwarding = true;
    QApplication::sendEvent(input, &press);
    m_forwarding = false;
}

bool TXLEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_editor || watched != m_editor->InputWidget() || !IsOpen())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Editing keys belong to the control, never to menu short cuts.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress && !m_forwarding) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (m_grid.EditorKeyPress(*key))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace xlgridui
