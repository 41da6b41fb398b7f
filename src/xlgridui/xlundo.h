#pragma once
// Undo and redo of a sheet's changes, one user action per step.
//
// The stack keeps the sheet's stream after each step: states[0] is the
// sheet as the window opened it, states[i] the sheet after step i, and the
// current position says which state the sheet shows. The window calls
// Commit when a user action is over (its input event has been handled, its
// command has run, its editor has closed): when the sheet changed since the
// last step, its state becomes one new step, so an import of thousands of
// rows is one step. Whether it changed is read from the sheet's change
// count, not from its notifications: a cell asks for its repaint once until
// it is painted, so a second change before a paint sends nothing.
// Undo and Redo load a neighbouring state back into the sheet.
//
// Costs: a commit writes the whole sheet stream (linear in the cells); undo
// and redo read one. Memory is bounded by MaxSteps and MaxBytes: the oldest
// states go first; the newest step stays undoable even when it alone is
// larger than MaxBytes.

#include "xlgrid/sheet.h"

#include <cstddef>
#include <cstdint>
#include <deque>
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

    // Whether the sheet changed since the last step.
    bool Dirty() const { return m_attached && m_sheet.ChangeCount() != m_seen; }
    // Ends a step: when the sheet changed, its state becomes the newest one
    // and the states that redo would have brought back go. Returns whether a
    // step was made.
    bool Commit();
    // Drops every step and takes the present state as the new start (a new
    // sheet was opened and there is nothing to return to).
    void Reset();

    bool CanUndo() const { return Dirty() || m_pos > 0; }
    bool CanRedo() const { return !Dirty() && m_pos + 1 < m_states.size(); }
    // Commits pending changes first, then shows the previous state.
    void Undo();
    void Redo();

    // Steps that can be undone and redone, and the bytes the states hold.
    std::size_t UndoCount() const { return m_pos; }
    std::size_t RedoCount() const { return m_states.size() - 1 - m_pos; }
    std::size_t Bytes() const { return m_bytes; }

    // Frees the contents an undo or redo replaced (the window calls it once
    // the sheet has been repainted; the next undo or redo does it anyway).
    void DropDiscarded();

    // The state the sheet was last saved in: showing it again clears the
    // sheet's Modified flag, any other state sets it.
    void MarkClean();

private:
    void SheetDestroying() override;
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
    // The sheet's change count when the sheet last matched the current state.
    uint64_t m_seen = 0;
    bool m_attached = true;
};

}  // namespace xlgridui
