#pragma once
// The sheet actions: commands that menu items, tool buttons and short cuts
// bind to. Each works on the active grid (the grid that last took the
// focus), knows when it is enabled and, for toggles and choices, when it is
// checked, and runs inside one update bracket of the sheet so that a command
// repaints once.
//
// The actions know a grid only through IXLActionGrid, so they can be tested
// with a stand-in grid and bound to any grid control. Clipboard and
// select-all actions also serve a focused edit box (the in-cell editor, the
// font box, a spin box): then they work on its text.

#include "xlgridui/palette.h"
#include "xlgridui/xldesignerboxes.h"

#include "xlgrid/range.h"
#include "xlgrid/sheet.h"

#include <QAction>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPrinter;

namespace xlgridui {

// Which grids an action runs on (see TXLCustomAction::CanExecute).
enum TXLActionMode { amLimited, amVisual, amFree, amReadOnly };

// Groups of grid options the view actions switch.
enum TXLViewOption : unsigned {
    voTitles = 1,     // title columns and rows
    voGridLines = 2,  // vertical and horizontal lines
    voSizing = 4,     // column and row sizing
    voPermEdit = 8,   // the in-cell editor stays open
    voPageBreak = 16, // page-break lines
};

// Where Enter moves the current cell (the grid's EnterDir, same order).
enum TXLMoveDir : int { mdNone, mdRight, mdDown, mdLeft, mdUp, mdAuto };

// What the actions need of a grid.
class IXLActionGrid {
public:
    virtual ~IXLActionGrid() = default;
    virtual QWidget* ActionWidget() = 0;
    virtual xlgrid::TXLSheet* ActionSheet() const = 0;
    // The current pane's selection: its section and local rectangle.
    virtual xlgrid::TXLSectionKind SelectionSection() const = 0;
    virtual xlgrid::TXLRect SelectionRect() const = 0;
    virtual void SelectRange(xlgrid::TXLSectionKind section, const xlgrid::TXLRect& rect) = 0;
    virtual void SelectAllCells() = 0;
    // The current cell in sheet coordinates.
    virtual int CurrentCol() const = 0;
    virtual int CurrentRow() const = 0;
    virtual bool DesignMode() const = 0;
    virtual void SetDesignMode(bool on) = 0;
    // The grid option that forbids editing (design mode lifts it).
    virtual bool ReadOnlyGrid() const = 0;
    // Whether any option of the group is on; switching sets or clears all of it.
    virtual bool HasViewOption(TXLViewOption group) const = 0;
    virtual void SetViewOption(TXLViewOption group, bool on) = 0;
    virtual TXLMoveDir EnterDir() const = 0;
    virtual void SetEnterDir(TXLMoveDir dir) = 0;
    virtual bool ShowHints() const = 0;
    virtual void SetShowHints(bool on) = 0;
    virtual int GridScale() const = 0;
    virtual void SetGridScale(int scale) = 0;
    // Closes the in-cell editor keeping what was typed.
    virtual void EndEdit() = 0;
    virtual void Invalidate() = 0;
};

// The range object of a grid's selection (its sheet must exist).
xlgrid::TXLSelection SelectionOf(IXLActionGrid& grid);

// The grid the actions work on: a grid makes itself active when it takes
// the focus and clears itself when it goes.
IXLActionGrid* ActiveGrid();
void SetActiveGrid(IXLActionGrid* grid);
void ClearActiveGrid(IXLActionGrid* grid);

// State every border action shares: the current line (weight 1, black at
// start) and the address last entered for a hyperlink ("http://").
xlgrid::TXLLine& CurrentLine();
QString& LastHyperlink();

// ---- print dialogs ----

// What the user chose in the print dialog.
struct TXLPrintChoice {
    enum TRange { prAll, prSelection, prPages } Range = prAll;
    int FromPage = 1, ToPage = -1;
};

// The print and page-setup dialogs, answerable by tests like dialogs.h.
class IXLPrintDialogs {
public:
    virtual ~IXLPrintDialogs() = default;
    virtual bool PageSetup(QWidget* parent, QPrinter& printer) = 0;
    // pageCount fills the page range; selection offers (and preselects) the
    // selection choice.
    virtual bool Print(QWidget* parent, QPrinter& printer, int pageCount, bool selection, TXLPrintChoice& choice) = 0;
};
IXLPrintDialogs& PrintDialogs();
class TXLPrintDialogOverride {
public:
    explicit TXLPrintDialogOverride(IXLPrintDialogs& dialogs);
    ~TXLPrintDialogOverride();
    TXLPrintDialogOverride(const TXLPrintDialogOverride&) = delete;
    TXLPrintDialogOverride& operator=(const TXLPrintDialogOverride&) = delete;

private:
    IXLPrintDialogs* m_previous;
};

// ---- actions ----

// One sheet action. Its rules are small functions: the extra condition of
// Enabled beyond CanExecute, the checked state, the work, and for the edit
// actions what they do to a focused edit box.
class TXLCustomAction : public QAction {
    Q_OBJECT
public:
    struct TRules {
        TXLActionMode Mode = amLimited;
        std::function<bool(IXLActionGrid&)> Allowed;
        std::function<bool(IXLActionGrid&)> Checked;
        std::function<void(IXLActionGrid&)> Execute;
        // Edit-box behaviour: enabled state and work on the focused box.
        std::function<bool(QWidget*)> EditorAllowed;
        std::function<void(QWidget*)> EditorExecute;
    };

    TXLCustomAction(const QString& name, const QString& caption, TRules rules, QObject* parent);

    TXLActionMode Mode() const { return m_rules.Mode; }
    // The grid has a sheet and either the mode is amReadOnly, or the sheet is
    // not read-only and (the mode is amFree, or the grid is in design mode,
    // or the grid has no read-only option).
    static bool CanExecute(IXLActionGrid& grid, TXLActionMode mode);
    // Enabled and checked from the active grid (or the focused edit box).
    void UpdateState();
    // Runs on the active grid (what triggering does); false when it could not run.
    bool Run();

    // Called first with `useDefault` true; leaving it true lets the action do its work.
    std::function<void(TXLCustomAction&, IXLActionGrid&, bool& useDefault)> OnGridExecute;

private:
    // The focused edit box this action serves instead of the grid, if any.
    QWidget* EditorTarget() const;
    // The active grid when the focus is in its window.
    IXLActionGrid* GridTarget() const;

    TRules m_rules;
};

// Every sheet action of a window, by name ("XLCopy", "XLMergeCells", ...),
// with its caption, short cut and hint, plus the tool-bar controls some of
// them read.
class TXLSheetActions : public QObject {
    Q_OBJECT
public:
    explicit TXLSheetActions(QObject* parent = nullptr);

    TXLCustomAction* Find(const QString& name) const;
    TXLCustomAction* operator[](const QString& name) const { return Find(name); }
    const std::vector<TXLCustomAction*>& All() const { return m_all; }
    // Refreshes every action's enabled and checked state.
    void UpdateAll();

    // The controls bound to actions.
    void SetColorButton(const QString& action, TGSColorToolButton* button);
    TGSColorToolButton* ColorButton(const QString& action) const;
    void SetFontBox(TXLFontNameBox* box) { m_fontBox = box; }
    TXLFontNameBox* FontBox() const { return m_fontBox; }
    void SetZoomBox(TXLZoomBox* box) { m_zoomBox = box; }
    TXLZoomBox* ZoomBox() const { return m_zoomBox; }
    // The font face action autofits the rows it changes.
    bool AutoHeight = false;
    // Loads a picture file for the picture and background actions (tests swap it).
    std::function<xlgrid::TXLPicture(const QString& path)> LoadPicture;

Q_SIGNALS:
    // Before an action runs on a grid (the window ends the step before it).
    void AboutToExecute(TXLCustomAction* action);
    // After an action ran on a grid (the window refreshes what depends on it).
    void Executed(TXLCustomAction* action);

private:
    TXLCustomAction* Add(const QString& name, const QString& caption, TXLCustomAction::TRules rules,
                         const QKeySequence& shortcut = {}, const QString& hint = {});
    void AddEditActions();
    void AddFormatActions();
    void AddRangeActions();
    void AddViewActions();
    void AddSheetActions();
    void ShowBoxes(IXLActionGrid& grid);

    std::vector<TXLCustomAction*> m_all;
    std::map<QString, TXLCustomAction*> m_byName;
    std::map<QString, QPointer<TGSColorToolButton>> m_colorButtons;
    QPointer<TXLFontNameBox> m_fontBox;
    QPointer<TXLZoomBox> m_zoomBox;
};

// A picture file as a sheet picture; raises std::runtime_error with a
// message for the user when the file is no picture.
xlgrid::TXLPicture LoadPictureFile(const QString& path);
// The open-dialog filters of picture files.
QStringList PictureFilters();

}  // namespace xlgridui
