#include "xlgridui/xlundo.h"

#include "xlgrid/sheetstream.h"

#include <memory>

namespace xlgridui {

namespace {
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
}

TXLUndoStack::TXLUndoStack(xlgrid::TXLSheet& sheet, const TXLUndoLimits& limits) : m_sheet(sheet), m_limits(limits)
{
    if (m_limits.MaxSteps == 0)
        m_limits.MaxSteps = 1;
    m_states.push_back(xlgrid::SaveSheetToString(m_sheet));
    m_bytes = m_states.back().size();
    m_clean = m_sheet.Modified() ? kNone : 0;
    m_seen = m_sheet.ChangeCount();
    m_sheet.AddUser(this);
}

TXLUndoStack::~TXLUndoStack()
{
    DropDiscarded();
    if (m_attached)
        m_sheet.RemoveUser(this);
}

void TXLUndoStack::SheetDestroying()
{
    m_sheet.RemoveUser(this);
    m_attached = false;
}

bool TXLUndoStack::Commit()
{
    if (!Dirty())
        return false;
    std::string state = xlgrid::SaveSheetToString(m_sheet);
    m_seen = m_sheet.ChangeCount();
    // A change that changed nothing (a value written over itself) makes no
    // step, and a sheet back at its saved state is not modified.
    if (state == m_states[m_pos]) {
        m_sheet.SetModified(m_pos != m_clean);
        m_seen = m_sheet.ChangeCount();
        return false;
    }
    while (m_states.size() > m_pos + 1) {
        m_bytes -= m_states.back().size();
        m_states.pop_back();
    }
    if (m_clean != kNone && m_clean > m_pos)
        m_clean = kNone;
    m_bytes += state.size();
    m_states.push_back(std::move(state));
    ++m_pos;
    Trim();
    // Every change counts for the close question, also one (a column width)
    // that the sheet itself does not mark.
    m_sheet.SetModified(true);
    m_seen = m_sheet.ChangeCount();
    return true;
}

void TXLUndoStack::Trim()
{
    // The newest step stays undoable whatever its size.
    while (m_pos > 0 && (m_states.size() - 1 > m_limits.MaxSteps || (m_bytes > m_limits.MaxBytes && m_states.size() > 2))) {
        m_bytes -= m_states.front().size();
        m_states.pop_front();
        --m_pos;
        m_clean = (m_clean == kNone || m_clean == 0) ? kNone : m_clean - 1;
    }
}

void TXLUndoStack::Reset()
{
    m_states.clear();
    m_states.push_back(xlgrid::SaveSheetToString(m_sheet));
    m_bytes = m_states.back().size();
    m_pos = 0;
    m_clean = m_sheet.Modified() ? kNone : 0;
    m_seen = m_sheet.ChangeCount();
}

void TXLUndoStack::MarkClean()
{
    Commit();
    m_clean = m_pos;
}

void TXLUndoStack::Show(std::size_t pos)
{
    // The state is read into a sheet of its own and exchanged with the
    // edited sheet's contents, so that the sheet shows it at once; the old
    // contents wait in m_discarded until DropDiscarded (freeing a large
    // sheet's cells costs more than reading it).
    auto fresh = std::make_unique<xlgrid::TXLSheet>();
    xlgrid::TXLLoadOptions options;
    xlgrid::TXLStyler* styler = m_sheet.Styler();
    options.FindStyler = [styler](const std::string&) { return styler; };
    xlgrid::LoadSheetFromStream(*fresh, m_states[pos], options);
    DropDiscarded();
    m_sheet.SwapContents(*fresh);
    m_discarded = std::move(fresh);
    m_pos = pos;
    m_sheet.SetModified(pos != m_clean);
    // The restore itself is no change to record.
    m_seen = m_sheet.ChangeCount();
}

void TXLUndoStack::DropDiscarded()
{
    m_discarded.reset();
}

void TXLUndoStack::Undo()
{
    Commit();
    if (m_pos > 0 && m_attached)
        Show(m_pos - 1);
}

void TXLUndoStack::Redo()
{
    if (CanRedo() && m_attached)
        Show(m_pos + 1);
}

}  // namespace xlgridui
