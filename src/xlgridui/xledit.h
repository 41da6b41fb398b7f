#pragma once
// The in-cell editor host, the editor controls' common face and the table
// of editor classes.
//
// The grid owns one TXLEdit, a child widget of the grid. Opening on a cell
// looks up the editor class for the cell's exact value class and its Editor
// index (the names come from the value class, xlgrid::TXLCellClass::Editors;
// this table maps each name to a Qt control), reuses the current control
// when the class is the same, and lets the control load the cell. The host
// sees every key the control receives before the control does and offers it
// to the grid (IXLEditGrid::EditorKeyPress); what the grid does not take,
// the control handles.

#include "xlgridui/editgrid.h"
#include "xlgridui/xlbutton.h"

#include "xlgrid/sheet.h"
#include "xlgrid/xltypes.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <string>

namespace xlgridui {

// What a control answers when it loads a cell.
struct TXLLoadResult {
    TXLEditStyle Button = esNormal;
    // Clicks on grid cells go to the control (the number editor's formulas).
    bool ForwardClicks = false;
};

// An in-cell editor control as the host sees it: create, load, store.
class TXLEditor {
public:
    virtual ~TXLEditor() = default;

    // The control the host places inside itself.
    virtual QWidget* Widget() = 0;
    // The widget that takes typed text and the focus (a pick list's edit box).
    virtual QWidget* InputWidget() { return Widget(); }
    virtual TXLLoadResult Load(xlgrid::TXLCell& cell) = 0;
    // May throw; the host swallows the error and the cell keeps its content.
    virtual void Store(xlgrid::TXLCell& cell) = 0;
    // The cell's horizontal alignment and indent (already zoomed).
    virtual void ApplyLayout(xlgrid::TXLHorzAlign align, int indent) = 0;
    // The host's button: spinner halves (lower = step down) or the drop-down.
    virtual void ButtonClick(bool /*lower*/) {}
    // Puts a clicked cell's name into the text; false when it was refused.
    virtual bool GridClick(int /*col*/, int /*row*/) { return false; }
    // Whether a click on a grid cell should go to GridClick now.
    virtual bool WantsGridClicks() const { return false; }
    // Selects the whole text, so that typed text replaces it.
    virtual void SelectAllText() = 0;
    // The control's own height for a width, at most maxHeight.
    virtual int PreferredHeight(int width, int maxHeight) const = 0;
    // Places the control in the host's area (a pick list pushes its own
    // arrow out of sight, under the host's button).
    virtual void Place(const QRect& area) { Widget()->setGeometry(area); }
    virtual bool DropDownOpen() const { return false; }

    // Set by the host: the control's height may have changed.
    std::function<void()> OnHeightChanged;

protected:
    void HeightChanged()
    {
        if (OnHeightChanged)
            OnHeightChanged();
    }
};

// A cell's horizontal alignment as Qt's.
Qt::Alignment ToQtAlignment(xlgrid::TXLHorzAlign align);

using TXLEditorFactory = std::function<TXLEditor*(QWidget* parent)>;

// Editor class name -> control factory. The six editors of the sheet are
// registered when the table is first used; a program may add its own.
class TXLEditorClasses {
public:
    static TXLEditorClasses& Instance();

    // Replaces an earlier registration of the same name.
    void Register(const std::string& name, TXLEditorFactory factory);
    const TXLEditorFactory* Find(const std::string& name) const;
    // The editor class of a cell: the cell's exact value class's list at the
    // cell's Editor index; empty when the class has no editor.
    std::string EditorOf(const xlgrid::TXLCell& cell) const;

private:
    TXLEditorClasses();
    std::map<std::string, TXLEditorFactory> m_factories;
};

// The host window of the in-cell editor: placed over the cell (its whole
// merged block), in the cell's colour and zoomed font, with a TXLButton at
// its right edge. Hidden while no cell is open. While open the host is a
// user of the cell's sheet, so it follows the cell's format and lets go of
// the cell when the cell or the sheet is freed, whatever the grid does.
class TXLEdit : public QWidget, public xlgrid::IXLSheetUser {
    Q_OBJECT
public:
    // Throws xlgrid::EXLGridError "Invalid parent!" when the grid gives no widget.
    explicit TXLEdit(IXLEditGrid& grid);
    ~TXLEdit() override;

    // Opens on a cell (closing with storing on another cell first). False
    // when the cell has no editor or opening failed: the host is hidden, the
    // grid keeps its tab stop and focus, and EditorClosed was called.
    bool Open(xlgrid::TXLCell& cell, TXLEditMode mode);
    // Closes, storing the text first when asked (a storing error is
    // swallowed: the cell keeps its content); then the host hides, the
    // grid's tab stop comes back, the grid takes the focus and EditorClosed
    // is called. Nothing happens when nothing is open.
    void Close(bool store);
    // Follows the cell after zooming or scrolling.
    void Reposition();
    // Typed text (a character, or a committed input-method text) in entering
    // mode: the whole text is selected first, so the typed text replaces it.
    // "\b" is the Backspace key, which clears the text.
    void ForwardText(const QString& text);
    void SetMode(TXLEditMode mode);
    // emNone while closed.
    TXLEditMode Mode() const;
    bool IsOpen() const { return m_cell != nullptr; }
    xlgrid::TXLCell* Cell() const { return m_cell; }
    // Whether a click on a grid cell should be handed to GridClick instead of
    // moving the current cell: the number editor with formulas allowed while
    // its text is a formula.
    bool ForwardsClicks() const;
    // A grid cell was clicked while ForwardsClicks(): the number editor puts
    // the cell's A1 name into its formula. False when the name was refused.
    bool GridClick(int col, int row);
    bool GridClick(const xlgrid::TXLCell& clicked);
    // The open cell changed: the host follows its colour, font and layout,
    // or closes without storing when the cell is being freed.
    void CellChanged(xlgrid::TXLCell* cell) override;
    // Closes without storing.
    void SheetDestroying() override;

    static bool HasEditor(const xlgrid::TXLCellClass& cls);

    TXLEditor* Editor() const { return m_editor; }
    QWidget* InputWidget() const;
    TXLButton* Button() const { return m_button; }
    // The area the control and the button share (inside the 3-D border).
    QRect ContentRect() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool OpenCell(xlgrid::TXLCell& cell, TXLEditMode mode);
    void UseEditor(const std::string& name);
    void ApplyCellLook();
    void PlaceControls();
    // Ends the edit without giving the focus back (shared by Close and a reopen).
    void Finish(bool store);
    void GiveBackToGrid();
    void Detach();
    bool CellAlive(const xlgrid::TXLCell& cell) const;

    IXLEditGrid& m_grid;
    TXLEditor* m_editor = nullptr;
    std::string m_editorName;
    TXLButton* m_button = nullptr;
    xlgrid::TXLCell* m_cell = nullptr;
    xlgrid::TXLSheet* m_sheet = nullptr;  // registered with while open
    TXLEditMode m_mode = emNone;
    xlgrid::TXLVertAlign m_vertAlign = xlgrid::vaTop;
    bool m_forwardClicks = false;
    bool m_edit3D = false;
    bool m_forwarding = false;
    Qt::FocusPolicy m_gridFocus = Qt::StrongFocus;
};

}  // namespace xlgridui
