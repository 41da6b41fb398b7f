// The designer on a roster workbook: importing a 3,000-student and a
// 100,000-student xlsx into the open designer until the grid has repainted
// (the command's own undo step included), and undoing that import.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFENBAN_BUILD_TESTS=OFF -DFENBAN_BUILD_BENCH=ON
//   cmake --build build-bench -j2 --target designer_bench
//   QT_QPA_PLATFORM=offscreen build-bench/bench/designer_bench
//
// The reported time is the import's: wall clock from the command until the
// grid's pane painted the rows. The counters, in milliseconds and averaged
// over the runs: import_ms (the same), command_ms (the whole command, with
// the undo step written after the grid showed the rows), undo_ms (undoing
// the import until the grid repainted) and freed_ms (freeing the undone
// contents, which the designer does once the grid has shown the earlier
// state); import_cpu_ms (the process's CPU time over the command), undo_mb
// (what the undo states hold after the import, bounded by 64 MB with the
// newest step always kept) and progress_shown (1 when the import's progress
// dialog appeared). The window is 1280 x 800.

#include "xlgridui/dialogs.h"
#include "xlgridui/grid.h"
#include "xlgridui/gridview.h"
#include "xlgridui/xldesigner.h"
#include "xlgridui/xlundo.h"

#include "xlgrid/sheet.h"
#include "xlio/sheetexport.h"
#include "xlpaint/qtconvert.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <QProgressDialog>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// The process's CPU time (user and system) in milliseconds.
double CpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

// Whether a progress dialog was shown.
class TProgressSeen : public QObject {
public:
    bool Seen = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched))
            Seen = true;
        return false;
    }
};

class TFileAnswer : public xlgridui::IXLDialogs {
public:
    QString File;
    QMessageBox::StandardButton Message(QWidget*, const xlgridui::TXLMessage&) override { return QMessageBox::Ok; }
    QString OpenFileName(QWidget*, const xlgridui::TXLFileRequest&) override { return File; }
    QString SaveFileName(QWidget*, const xlgridui::TXLFileRequest&) override { return {}; }
};

QApplication& App()
{
    static int argc = 1;
    static char name[] = "designer_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        xlpaint::InstallFontSubstitutions();
        xlpaint::InstallTextMeasure();
        return a;
    }();
    return *app;
}

// A roster workbook of n students: caption, headers, then one row each.
QString Roster(int students)
{
    static QTemporaryDir dir;
    static std::map<int, QString> made;
    if (auto it = made.find(students); it != made.end())
        return it->second;
    xlgrid::TXLSheet sheet;
    const char* headers[] = {"学号", "姓名", "性别", "语文", "数学", "英语", "总分", "备注"};
    sheet.SetColCount(8);
    sheet.SetRowCount(students + 2);
    sheet.SetText(0, 0, "高一年级学生名单");
    for (int c = 0; c < 8; ++c)
        sheet.SetText(c, 1, headers[c]);
    for (int i = 0; i < students; ++i) {
        const int r = i + 2;
        sheet.SetText(0, r, std::to_string(20260000 + i));
        sheet.SetText(1, r, "学生" + std::to_string(i));
        sheet.SetText(2, r, i % 2 ? "女" : "男");
        for (int c = 3; c < 6; ++c)
            sheet.SetValues(c, r, xlgrid::Variant(int32_t(60 + (i * 7 + c * 13) % 41)));
        sheet.SetValues(6, r, xlgrid::Variant(int32_t(200 + i % 100)));
    }
    const QString path = dir.filePath(QString("roster-%1.xlsx").arg(students));
    xlio::ExportSheetQuick(path.toStdString(), sheet);
    made[students] = path;
    return path;
}

// The time of the latest paint of the grid's client pane.
class TPaintClock : public QObject {
public:
    Clock::time_point Last;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Last = Clock::now();
        return false;
    }
};

void Settle(xlgridui::TXLSheetDesigner& designer)
{
    QApplication::processEvents();
    designer.Grid()->repaint();
}

void ImportIntoDesigner(benchmark::State& state)
{
    App();
    const int students = static_cast<int>(state.range(0));
    TFileAnswer answer;
    answer.File = Roster(students);
    xlgridui::TXLDialogOverride guard(answer);
    double importMs = 0, commandMs = 0, undoMs = 0, freedMs = 0, cpuMs = 0, undoBytes = 0;
    TProgressSeen progress;
    qApp->installEventFilter(&progress);
    int runs = 0;
    for (auto _ : state) {
        xlgrid::TXLSheet sheet;
        xlgridui::TXLSheetDesigner designer(sheet);
        designer.resize(1280, 800);
        designer.show();
        Settle(designer);
        const int rowsBefore = sheet.RowCount();
        TPaintClock painted;
        QWidget* client = designer.Grid()->View(xlgrid::skClient);
        client->installEventFilter(&painted);

        const auto t0 = Clock::now();
        const double c0 = CpuMs();
        designer.Action("AFLoadExcelData")->trigger();
        const auto done = Clock::now();
        cpuMs += CpuMs() - c0;
        Settle(designer);
        undoBytes += double(designer.Undo()->Bytes());
        // The grid showed the rows; the undo step was written after that.
        const auto t1 = painted.Last > t0 ? std::min(painted.Last, done) : done;
        commandMs += Ms(t0, done);
        if (sheet.RowCount() != students + 2) {
            state.SkipWithError("the import did not fill the sheet");
            break;
        }
        const auto u0 = Clock::now();
        designer.Action("AFUndo")->trigger();
        designer.Grid()->repaint();
        const auto t2 = Clock::now();
        designer.Undo()->DropDiscarded();
        const auto t3 = Clock::now();
        if (sheet.RowCount() != rowsBefore) {
            state.SkipWithError("the undo did not bring the sheet back");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        importMs += Ms(t0, t1);
        undoMs += Ms(u0, t2);
        freedMs += Ms(t2, t3);
        ++runs;
        designer.close();
    }
    if (runs == 0)
        return;
    state.counters["import_ms"] = importMs / runs;
    state.counters["command_ms"] = commandMs / runs;
    state.counters["undo_ms"] = undoMs / runs;
    state.counters["freed_ms"] = freedMs / runs;
    state.counters["import_cpu_ms"] = cpuMs / runs;
    state.counters["undo_mb"] = undoBytes / runs / (1 << 20);
    state.counters["progress_shown"] = progress.Seen ? 1 : 0;
    qApp->removeEventFilter(&progress);
}

}  // namespace

BENCHMARK(ImportIntoDesigner)->Arg(3000)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseManualTime();
