#pragma once
// The sheet designer: the window in which a teacher edits one sheet in
// place (types or pastes a roster, imports it, formats it, opens and saves
// it as a sheet file, previews and prints it, exports it as a workbook).
//
// Every change goes straight into the sheet handed in; the caller reads it
// again when the window closes. Two pages share the window: the design page
// (menu bar, standard and formatting tool bars, grid) and the preview page
// (its tool bar and the print preview); the status bar below both. Every
// change can be undone and redone, one user action per step, back to the
// state the window opened with.

#include "xlgridui/xldesignerio.h"

#include "xlgrid/xltypes.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QStackedWidget;
class QStatusBar;
class QToolBar;
class QToolButton;
class QApplication;

namespace xlgrid {
class TXLSheet;
}

namespace xlgridui {

class TGSColorToolButton;
class TXLFontNameBox;
class TXLFontSizeBox;
class TXLGrid;
class TXLGridActionTarget;
class TXLPreview;
class TXLSheetActions;
class TXLUndoStack;
class TXLZoomBox;

struct TXLDesignerOptions {
    // Where the window opens (empty: a default size, centred).
    QRect Bounds;
    // The Excel number format the formatted export gives every text cell.
    QString TextFormat;
    // Where the exports suggest saving.
    QString TempFolder;
    // Stand-alone use: the file being edited (may be empty for a new sheet).
    // The caption names it and closing with unsaved changes asks to save.
    bool StandAlone = false;
    QString FileName;
};

class TXLSheetDesigner : public QWidget {
    Q_OBJECT
public:
    TXLSheetDesigner(xlgrid::TXLSheet& sheet, const TXLDesignerOptions& options = {}, QWidget* parent = nullptr);
    ~TXLSheetDesigner() override;

    xlgrid::TXLSheet* Sheet() const { return m_sheet; }
    TXLGrid* Grid() const { return m_grid; }
    TXLPreview* Preview() const { return m_preview; }
    TXLSheetActions& SheetActions() const { return *m_actions; }
    TXLUndoStack* Undo() const { return m_undo.get(); }
    TXLDesignerFiles& Files() { return m_files; }
    // The window's own commands by name ("AFOpen", "APNext", "AFUndo", ...)
    // and the sheet actions ("XLCopy", ...).
    QAction* Action(const QString& name) const;
    QMenuBar* MenuBar() const { return m_menuBar; }
    QToolBar* StandardBar() const { return m_standardBar; }
    QToolBar* FormattingBar() const { return m_formattingBar; }
    QToolBar* PreviewBar() const { return m_previewBar; }
    QMenu* SelectionMenu() const { return m_selectionMenu; }
    TGSColorToolButton* ColorButton(const QString& action) const;
    QToolButton* LineStyleButton() const { return m_lineButton; }
    TXLZoomBox* ZoomBox() const { return m_zoomBox; }
    TXLFontNameBox* FontBox() const { return m_fontBox; }
    TXLFontSizeBox* SizeBox() const { return m_sizeBox; }
    bool InPreview() const;
    // The four status panels.
    QString StatusText(int panel) const;

    // Fills the status bar from the grid (or the preview's page).
    void UpdateStatus();
    // Refreshes every command's enabled and checked state.
    void UpdateActions();
    // Ends a user action: the changes it made become one undo step.
    void CommitStep();
    // UpdateActions once the present event has been handled.
    void UpdateSoon();
    // CommitStep once the present event has been handled and no editor is open.
    void CommitSoon();

    // The number prompt: a small dialog with the prompt and a spin box;
    // true when OK replaced `value`.
    bool InputNumber(const QString& title, const QString& prompt, int min, int max, int& value);
    // The stand-alone caption: the file's name, or the plain caption.
    void UpdateCaption();

Q_SIGNALS:
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateGrid();
    void CreateOwnActions();
    void CreateMenus();
    void CreateStandardBar();
    void CreateFormattingBar();
    void CreateSelectionMenu();
    void CreatePreviewPage();
    void CreateStatusBar();
    QAction* Own(const QString& name, const QString& caption, void (TXLSheetDesigner::*slot)(),
                 const QKeySequence& shortcut = {}, const QString& hint = {});
    QAction* Xl(const QString& name) const;
    // Adds the named commands to a menu or tool bar in order; "|" is a separator.
    void AddCommands(QWidget* to, std::initializer_list<const char*> names) const;
    // A colour button on a tool bar, bound to its colour action, with the automatic entry "默认".
    void AddColorButton(QToolBar* bar, const char* action, const char* hint, xlgrid::TColor autoColor);

    // The window's commands
    void New();
    void Open();
    void SaveAs();
    void LoadExcelData();
    void LoadCsvData();
    void SaveExcelData();
    void QuickExcelExport();
    void PrintMargin();
    void PrintPreview();
    void ClosePreview();
    void PrevPage();
    void NextPage();
    void ZoomPage();
    void PreviewPageSetup();
    void RowHeight();
    void ColWidth();
    void RowDefHeight();
    void ColDefWidth();
    void RowCount();
    void ColCount();
    void DeColor();
    void VerticalText();
    void FillTitles();
    void UndoStep();
    void RedoStep();
    void ShowStep(void (TXLUndoStack::*step)());

    // The number prompts: the size of the selected rows or columns, the
    // default size, and the count of the band the current cell lies in.
    void SelectionSize(xlgrid::TXLAxis axis);
    void DefaultSize(xlgrid::TXLAxis axis);
    void BandCount(xlgrid::TXLAxis axis);
    void SelectionChanged();
    void CurrentChanged();
    // Runs a command as one undo step with the grid's editor closed.
    template <class F> void Command(F&& work);
    // Saves for the close question; false when not saved (cancelled or failed).
    bool SaveForClose();
    void RestoreName();

    xlgrid::TXLSheet* m_sheet;
    TXLDesignerOptions m_options;
    TXLDesignerFiles m_files;
    std::string m_sheetName;
    std::unique_ptr<TXLUndoStack> m_undo;
    bool m_busy = false;
    bool m_commitQueued = false;
    bool m_updateQueued = false;

    QStackedWidget* m_pages = nullptr;
    QWidget* m_designPage = nullptr;
    QWidget* m_previewPage = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_standardBar = nullptr;
    QToolBar* m_formattingBar = nullptr;
    QToolBar* m_previewBar = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_panels[4] = {};
    QMenu* m_selectionMenu = nullptr;
    QMenu* m_lineMenu = nullptr;
    QToolButton* m_lineButton = nullptr;
    TXLGrid* m_grid = nullptr;
    std::unique_ptr<TXLGridActionTarget> m_target;
    TXLPreview* m_preview = nullptr;
    TXLSheetActions* m_actions = nullptr;
    TXLZoomBox* m_zoomBox = nullptr;
    TXLFontNameBox* m_fontBox = nullptr;
    TXLFontSizeBox* m_sizeBox = nullptr;
    std::map<QString, QAction*> m_own;
};

// Opens the designer modally on the sheet with the given bounds (the main
// window passes its own) and returns when it closes; the caller reads the sheet.
void ShowSheetDesigner(xlgrid::TXLSheet& sheet, int left, int top, const QString& textFormat, int height, int width);
void ShowSheetDesigner(xlgrid::TXLSheet& sheet, const TXLDesignerOptions& options, QWidget* parent = nullptr);

// Loads Qt's own Chinese translations so that standard buttons and dialogs
// read 确定, 取消, 是, 否. Returns whether they were found.
bool InstallChineseTranslations(QApplication& app);

// The vertical-text rule: a carriage return between every two characters of
// a text of more than one character; shorter texts stay as they are.
QString VerticalTextOf(const QString& text);

}  // namespace xlgridui
