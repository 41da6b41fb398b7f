#pragma once
// The contract a sheet keeps with its users, checked as it is kept.
//
// SheetContract is a sheet user that records every notification with its
// arguments (rectangles included) and, right after each one, checks it
// against the sheet as it stands then:
//   - a repaint or formatting rectangle is not empty and lies inside its
//     section (the counts of the section's two bands at that moment);
//   - RangeChanged, SectionChanged and SheetChanged never arrive inside an
//     update bracket (the sheet holds them back and sends one SheetChanged);
//   - brackets balance: BeginUpdate once per bracket, EndUpdate never without
//     BeginUpdate, none open when the sheet is destroyed or the tester leaves;
//   - a resized index lies in its band; inserted rows or columns lie in the
//     band after the insertion, a deletion's index at most at its end;
//   - after UnionsChanged every merged range lies inside its section, none
//     overlap, and an anchor sits at its range's top-left;
//   - CellChanged names a cell of this sheet.
//
// Failures go to a handler. When <gtest/gtest.h> is included before this
// header, the process default is GoogleTest's ADD_FAILURE; otherwise it
// prints to stderr and aborts, so nothing fails silently. A QtTest program
// installs its own once, for instance
//   SheetContract::SetDefaultFailureHandler([](const std::string& m) {
//       QTest::qFail(m.c_str(), __FILE__, __LINE__); });
// and a single tester may have its own (SetFailureHandler).
//
// The tester attaches itself on construction and detaches on destruction (or
// Detach()); when the sheet dies first it is told so and lets go. Detach it
// through Detach(), not RemoveUser, so that it knows it has left.

#include "xlgrid/sheet.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace xlgrid::testing {

// One notification as a user received it.
struct Notification {
    enum Kind {
        RangeChanged, SectionChanged, SheetChanged, PrintChanged, SizesChanged, SectorsMoved, SizeChanged,
        CellsFormatted, SheetDestroying, CellChanged, UnionsChanged, BeginUpdate, EndUpdate,
    };
    Kind What = SheetChanged;
    TXLSectionKind Section = skClient;
    TXLRect Rect;
    bool HasRect = false;  // CellsFormatted with no rectangle: the whole section
    TXLRepaint Repaint = rpCells;
    TXLAxes Axes = 0;
    TXLAxis Axis = sCols;
    TXLBand Band = bdClient;
    int Count = 0;
    int Index = 0;
    const TXLCell* Cell = nullptr;

    // "RangeChanged 3 [0,0,1,1]", "RangeChanged 3 [0,0,2,2] sides",
    // "CellsFormatted 3 all", "SizesChanged 1 client", "SectorsMoved rows client 3 at 2",
    // "SizeChanged cols 1", and the bare names of the others.
    static std::string RectText(const TXLRect& r)
    {
        return "[" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
               std::to_string(r.Bottom) + "]";
    }
    std::string Text() const
    {
        auto rect = RectText;
        auto band = [](TXLBand b) { return std::string(b == bdClient ? "client" : "title"); };
        auto axis = [](TXLAxis a) { return std::string(a == sCols ? "cols" : "rows"); };
        std::string section = std::to_string(static_cast<int>(Section));
        switch (What) {
        case RangeChanged: return "RangeChanged " + section + " " + rect(Rect) + (Repaint == rpSides ? " sides" : "");
        case SectionChanged: return "SectionChanged " + section;
        case SheetChanged: return "SheetChanged";
        case PrintChanged: return "PrintChanged";
        case SizesChanged: return "SizesChanged " + std::to_string(Axes) + " " + band(Band);
        case SectorsMoved:
            return "SectorsMoved " + axis(Axis) + " " + band(Band) + " " + std::to_string(Count) + " at " +
                   std::to_string(Index);
        case SizeChanged: return "SizeChanged " + axis(Axis) + " " + std::to_string(Index);
        case CellsFormatted: return "CellsFormatted " + section + " " + (HasRect ? rect(Rect) : "all");
        case SheetDestroying: return "SheetDestroying";
        case CellChanged: return "CellChanged";
        case UnionsChanged: return "UnionsChanged";
        case BeginUpdate: return "BeginUpdate";
        case EndUpdate: return "EndUpdate";
        }
        return "?";
    }
};

class SheetContract : public IXLSheetUser {
public:
    using FailureHandler = std::function<void(const std::string& message)>;

    // `name` prefixes the entries this tester adds to `shared` (an order log
    // several users write to).
    explicit SheetContract(TXLSheet& sheet, std::string name = {}, std::vector<std::string>* shared = nullptr)
        : m_sheet(&sheet), m_name(std::move(name)), m_shared(shared)
    {
        m_sheet->AddUser(this);
    }
    SheetContract(const SheetContract&) = delete;
    SheetContract& operator=(const SheetContract&) = delete;
    ~SheetContract() override { Detach(); }

    // Leaves the sheet; an open bracket is closed by the sheet (EndUpdate).
    void Detach()
    {
        if (!m_sheet)
            return;
        TXLSheet* sheet = m_sheet;
        sheet->RemoveUser(this);
        m_sheet = nullptr;
        if (m_depth != 0)
            Fail("left the sheet inside an open update bracket");
    }
    bool Attached() const { return m_sheet != nullptr; }

    // What was received, as text (Notification::Text) and as records.
    std::vector<std::string> Events;
    std::vector<Notification> Records;
    // Entries of Events that start with `prefix`.
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& e : Events)
            if (e.rfind(prefix, 0) == 0)
                ++n;
        return n;
    }
    // The rectangles of the RangeChanged records of a section, in order.
    std::vector<TXLRect> Repaints(TXLSectionKind section) const
    {
        std::vector<TXLRect> rects;
        for (const Notification& n : Records)
            if (n.What == Notification::RangeChanged && n.Section == section)
                rects.push_back(n.Rect);
        return rects;
    }
    void Clear()
    {
        Events.clear();
        Records.clear();
    }
    // Off: only check, keep nothing (for sheets that live long and change much).
    void SetRecording(bool on) { m_recording = on; }
    int Failures() const { return m_failures; }
    bool InsideBracket() const { return m_depth > 0; }

    void SetFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }
    static void SetDefaultFailureHandler(FailureHandler handler) { DefaultHandler() = std::move(handler); }
    static FailureHandler& DefaultHandler()
    {
        static FailureHandler handler;
        return handler;
    }

    // ---- IXLSheetUser ----

    void RangeChanged(TXLSectionKind section, const TXLRect& rect, TXLRepaint what) override
    {
        Notification n = Make(Notification::RangeChanged);
        n.Section = section;
        n.Rect = rect;
        n.HasRect = true;
        n.Repaint = what;
        Record(n);
        ExpectOutsideBracket(n);
        ExpectInside(n, section, rect);
    }
    void SectionChanged(TXLSectionKind section) override
    {
        Notification n = Make(Notification::SectionChanged);
        n.Section = section;
        Record(n);
        ExpectOutsideBracket(n);
    }
    void SheetChanged() override
    {
        Notification n = Make(Notification::SheetChanged);
        Record(n);
        ExpectOutsideBracket(n);
    }
    void PrintChanged() override { Record(Make(Notification::PrintChanged)); }
    void SizesChanged(TXLAxes axes, TXLBand band) override
    {
        Notification n = Make(Notification::SizesChanged);
        n.Axes = axes;
        n.Band = band;
        Record(n);
        if (axes & ~(AxisBit(sCols) | AxisBit(sRows)))
            Fail(n, "names an axis that does not exist");
    }
    void SectorsMoved(TXLAxis axis, TXLBand band, int count, int index) override
    {
        // Inserted rows or columns lie in the band; a deletion's index at most at its end.
        ExpectInBand(Notification::SectorsMoved, axis, band, count, index, [count, index](int size) {
            return count != 0 && index >= 0 &&
                   (count > 0 ? static_cast<int64_t>(index) + count <= size : index <= size);
        });
    }
    void SizeChanged(TXLAxis axis, int index, TXLBand band) override
    {
        ExpectInBand(Notification::SizeChanged, axis, band, 0, index,
                     [index](int size) { return index >= 0 && index < size; });
    }
    void CellsFormatted(TXLSectionKind section, const TXLRect* rect) override
    {
        Notification n = Make(Notification::CellsFormatted);
        n.Section = section;
        if (rect) {
            n.Rect = *rect;
            n.HasRect = true;
        }
        Record(n);
        if (rect)
            ExpectInside(n, section, *rect);
    }
    void SheetDestroying() override
    {
        Notification n = Make(Notification::SheetDestroying);
        Record(n);
        if (m_depth != 0)
            Fail(n, "arrives inside an open update bracket");
        m_sheet = nullptr;  // the sheet forgets its users itself
        m_depth = 0;
    }
    void CellChanged(TXLCell* cell) override
    {
        Notification n = Make(Notification::CellChanged);
        n.Cell = cell;
        Record(n);
        if (!cell)
            Fail(n, "names no cell");
        else if (m_sheet && cell->Sheet() != m_sheet)
            Fail(n, "names a cell of another sheet");
    }
    void UnionsChanged() override
    {
        Notification n = Make(Notification::UnionsChanged);
        Record(n);
        if (!m_sheet)
            return;
        for (TXLSectionKind kind : kSectionKinds) {
            const TXLSection& s = m_sheet->Section(kind);
            const auto& unions = s.Unions();
            for (size_t i = 0; i < unions.size(); ++i) {
                const TXLRect& r = unions[i].Rect;
                std::string which = "merged range " + Rect(r) + " of section " + std::to_string(kind);
                if (r.IsEmpty() || r.Left < 0 || r.Top < 0 || r.Right > s.ColCount() || r.Bottom > s.RowCount())
                    Fail(n, which + " lies outside its section");
                for (size_t k = i + 1; k < unions.size(); ++k)
                    if (r.Intersects(unions[k].Rect))
                        Fail(n, which + " overlaps " + Rect(unions[k].Rect));
                if (const TXLCell* a = unions[i].Anchor)
                    if (a->Col() != r.Left || a->LocalRow() != r.Top)
                        Fail(n, which + " has its anchor away from its top-left");
            }
        }
    }
    void BeginUpdate() override
    {
        Notification n = Make(Notification::BeginUpdate);
        Record(n);
        if (m_depth > 0)
            Fail(n, "opens a second bracket (a user gets one BeginUpdate per bracket)");
        ++m_depth;
    }
    void EndUpdate() override
    {
        Notification n = Make(Notification::EndUpdate);
        Record(n);
        if (m_depth == 0)
            Fail(n, "closes a bracket that was never opened");
        else
            --m_depth;
    }

private:
    static std::string Rect(const TXLRect& r) { return Notification::RectText(r); }
    template <class InBand>
    void ExpectInBand(Notification::Kind kind, TXLAxis axis, TXLBand band, int count, int index, InBand inBand)
    {
        Notification n = Make(kind);
        n.Axis = axis;
        n.Band = band;
        n.Count = count;
        n.Index = index;
        Record(n);
        if (!m_sheet)
            return;
        int size = m_sheet->Count(axis, band == bdClient);
        if (!inBand(size))
            Fail(n, "lies outside its band of " + std::to_string(size));
    }
    Notification Make(Notification::Kind kind) const
    {
        Notification n;
        n.What = kind;
        return n;
    }
    void Record(const Notification& n)
    {
        if (!m_recording)
            return;
        Records.push_back(n);
        Events.push_back(n.Text());
        if (m_shared)
            m_shared->push_back(m_name + ":" + Events.back());
    }
    void ExpectOutsideBracket(const Notification& n)
    {
        if (m_depth > 0)
            Fail(n, "arrives inside an update bracket (it must be held back)");
    }
    void ExpectInside(const Notification& n, TXLSectionKind section, const TXLRect& r)
    {
        if (!m_sheet)
            return;
        const TXLSection& s = m_sheet->Section(section);
        int cols = s.ColCount(), rows = s.RowCount();
        if (r.IsEmpty())
            Fail(n, "has an empty rectangle");
        else if (r.Left < 0 || r.Top < 0 || r.Right > cols || r.Bottom > rows)
            Fail(n, "reaches past its section of " + std::to_string(cols) + " x " + std::to_string(rows));
    }
    void Fail(const Notification& n, const std::string& what) { Fail(n.Text() + " " + what); }
    void Fail(const std::string& what)
    {
        ++m_failures;
        std::string message = "sheet contract" + (m_name.empty() ? std::string() : " (" + m_name + ")") + ": " + what;
        if (m_onFailure)
            m_onFailure(message);
        else if (DefaultHandler())
            DefaultHandler()(message);
        else {
            std::fprintf(stderr, "%s\n", message.c_str());
            std::abort();
        }
    }

    TXLSheet* m_sheet;
    std::string m_name;
    std::vector<std::string>* m_shared;
    FailureHandler m_onFailure;
    int m_depth = 0;
    int m_failures = 0;
    bool m_recording = true;
};

// A sheet that carries a contract tester for its whole life (checking only,
// nothing recorded): every notification of every test that uses it is checked.
class CheckedSheet : public TXLSheet {
public:
    CheckedSheet() { Contract.SetRecording(false); }
    SheetContract Contract{*this, "checked sheet"};
};

}  // namespace xlgrid::testing

#if defined(ADD_FAILURE)
namespace {
// GoogleTest is here: contract failures fail the running test.
[[maybe_unused]] const bool kSheetContractReportsToGTest = [] {
    auto& handler = xlgrid::testing::SheetContract::DefaultHandler();
    if (!handler)
        handler = [](const std::string& message) { ADD_FAILURE() << message; };
    return true;
}();
}  // namespace
#endif
