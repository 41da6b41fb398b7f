#pragma once
// Undo and redo of a sheet's changes, one user action per step.
//
// The stack keeps the sheet's stream after each step: states[0] is the
// sheet as the window opened it, states[i] the sheet after step i, and the
// current position says which state the sheet shows. A change anywhere (the
// grid, an editor, an action, a paste, an import) reaches the stack as a
// sheet notification and marks it dirty; the window calls Commit once the
// user action is over (when its event has been handled), which appends one
// state, so an import of thousands of rows is one step. Undo and Redo load
// a neighbouring state back into the sheet.
//
// Costs: a commit writes the whole sheet stream (linear in the cells); undo
// and redo read one. Memory is bounded by MaxSteps and MaxBytes: the oldest
// states go first; the newest step stays undoable even when it alone is
// larger than MaxBytes.

#include "xlgrid/sheet.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace xlgridui {

struct TXLUndoLimits {
    std::size_t MaxSteps = 100;
    std::size_t MaxBytes = std::size_t(64) << 20;
};

class TXLUndoStack : private xlgrid::IXLSheetUser {
public:
    // Takes the sheet's present state as the state to return to.
    explicit TXLUndoStack(xlgrid::TXLSheet& sheet, const TXLUndoLimits& limits = {});
    ~TXLUndoStack() override;
    TXLUndoStack(const TXLUndoStack&) = delete;
    TXLUndoStack& operator=(const TXLUndoStack&) = delete;

    xlgrid::TXLSheet& Sheet() const { return m_sheet; }

    // Whether the sheet changed since the last commit.
    bool Dirty() const { return m_dirty; }
    // Ends a step: when the sheet changed, its state becomes the newest one
    // and the states that redo would have brought back go. Returns whether a
    // step was made.
    bool Commit();
    // Drops every step and takes the present state as the new start (a new
    // sheet was opened and there is nothing to return to).
    void Reset();

    bool CanUndo() const { return m_dirty || m_pos > 0; }
    bool CanRedo() const { return !m_dirty && m_pos + 1 < m_states.size(); }
    // Commits pending changes first, then shows the previous state.
    void Undo();
    void Redo();

    // Steps that can be undone and redone, and the bytes the states hold.
    std::size_t UndoCount() const { return m_pos; }
    std::size_t RedoCount() const { return m_states.size() - 1 - m_pos; }
    std::size_t Bytes() const { return m_bytes; }

    // Called when a change makes a clean stack dirty (the window schedules
    // the commit that ends the user action).
    std::function<void()> OnDirty;

    // Frees the contents an undo or redo replaced (the window calls it once
    // the sheet has been repainted; the next undo or redo does it anyway).
    void DropDiscarded();

    // The state the sheet was last saved in: showing it again clears the
    // sheet's Modified flag, any other state sets it.
    void MarkClean();

private:
    // Any change the sheet reports.
    void RangeChanged(xlgrid::TXLSectionKind, const xlgrid::TXLRect&, xlgrid::TXLRepaint) override { Touch(); }
    void SectionChanged(xlgrid::TXLSectionKind) override { Touch(); }
    void SheetChanged() override { Touch(); }
    void PrintChanged() override { Touch(); }
    void SizesChanged(xlgrid::TXLAxes, xlgrid::TXLBand) override { Touch(); }
    void SectorsMoved(xlgrid::TXLAxis, xlgrid::TXLBand, int, int) override { Touch(); }
    void SizeChanged(xlgrid::TXLAxis, int, xlgrid::TXLBand) override { Touch(); }
    void CellsFormatted(xlgrid::TXLSectionKind, const xlgrid::TXLRect*) override { Touch(); }
    void UnionsChanged() override { Touch(); }
    void SheetDestroying() override;

    void Touch()
    {
        if (m_restoring || m_dirty)
            return;
        m_dirty = true;
        if (OnDirty)
            OnDirty();
    }
    void Show(std::size_t pos);
    void Trim();

    xlgrid::TXLSheet& m_sheet;
    std::unique_ptr<xlgrid::TXLSheet> m_discarded;
    TXLUndoLimits m_limits;
    std::deque<std::string> m_states;
    std::size_t m_pos = 0;
    std::size_t m_bytes = 0;
    // Index of the saved state; npos when it was dropped or overwritten.
    std::size_t m_clean = 0;
    bool m_dirty = false;
    bool m_restoring = false;
    bool m_attached = true;
};

}  // namespace xlgridui
