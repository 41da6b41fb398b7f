// The desktop window's figures: the main window created and drawn, compute
// until the overview is shown (3,000 students in 40 classes, 100,000
// students), and on a 100,000-student grade sheet shown in the grid a tab
// switch with its repaint and one search keystroke. Runs on the offscreen
// platform unless a display is set; the settings live in a temporary
// folder. The start of the real process is timed by window_start.py.

#include "app/mainform.h"
#include "app/progressform.h"
#include "xlgrid/encoding.h"
#include "xlgridui/dialogs.h"
#include "xlgridui/grid.h"
#include "xlio/sheetimport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

// Answers every box with Ok/Yes, so that nothing waits for a person.
class TQuietDialogs : public xlgridui::IXLDialogs {
public:
    QMessageBox::StandardButton Message(QWidget*, const xlgridui::TXLMessage& m) override
    {
        return m.Buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    }
    QString OpenFileName(QWidget*, const xlgridui::TXLFileRequest&) override { return {}; }
    QString SaveFileName(QWidget*, const xlgridui::TXLFileRequest&) override { return {}; }
};

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

app::TAppPaths Paths()
{
    return {Folder().filePath(QStringLiteral("Config.ini")).toStdString(),
            Folder().filePath(QStringLiteral("Temp")).toStdString()};
}

void WriteConfig(int classes, bool balanced = false)
{
    QFile f(Folder().filePath(QStringLiteral("Config.ini")));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const QString text = QStringLiteral("[Global]\r\nClassCount=%1\r\nCreateStudentID=True\r\n"
                                        "SortFieldName=Total\r\nSortFieldType=数值型\r\nBalanced=%2\r\n")
                             .arg(classes)
                             .arg(balanced ? QStringLiteral("True") : QStringLiteral("False"));
    f.write(QByteArray::fromStdString(xlgrid::Utf8ToGb18030(text.toStdString())));
}

// A roster of n students: number, name, sex, school and a total.
xlio::Table Roster(int n)
{
    static const char* family[] = {"张", "王", "李", "赵", "陈", "刘", "杨", "黄", "周", "吴"};
    static const char* given[] = {"伟", "芳", "娜", "敏", "静", "磊", "洋", "艳", "勇", "军", "杰", "涛"};
    std::mt19937 rng(7);
    xlio::Table t;
    t.push_back({"Roster", "", "", "", ""});
    t.push_back({"考号", "姓名", "性别", "学校", "Total"});
    for (int i = 0; i < n; ++i) {
        std::string name = std::string(family[rng() % 10]) + given[rng() % 12] + given[rng() % 12];
        t.push_back({std::to_string(100000 + i), name, rng() % 2 ? "男" : "女", "一中", std::to_string(200 + rng() % 300)});
    }
    return t;
}

struct TWindow {
    std::unique_ptr<app::TfrmMain> Window;
    explicit TWindow(int students, int classes, bool balanced = false)
    {
        WriteConfig(classes, balanced);
        Window = std::make_unique<app::TfrmMain>(Paths());
        Window->OpenUrl = [](const QUrl&) { return true; };
        Window->resize(1400, 900);
        Window->show();
        QApplication::processEvents();
        if (students > 0) {
            xlio::ImportTable(Window->Sheet, Roster(students));
            Window->ac_Compute->setEnabled(true);
        }
    }
};

void BM_WindowCreatedAndDrawn(benchmark::State& state)
{
    for (auto _ : state) {
        app::TfrmMain w(Paths());
        w.resize(1400, 900);
        w.show();
        w.repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_WindowCreatedAndDrawn)->Unit(benchmark::kMillisecond);

// Compute until the overview is on view and repainted.
void BM_ComputeToOverview(benchmark::State& state)
{
    const int students = int(state.range(0)), classes = int(state.range(1));
    TWindow t(students, classes);
    for (auto _ : state) {
        t.Window->ac_Compute->trigger();
        t.Window->Grid->repaint();
        if (t.Window->tcInfo->count() != classes + 3)
            state.SkipWithError("compute failed");
    }
}
BENCHMARK(BM_ComputeToOverview)->Args({3000, 40})->Args({100000, 40})->Unit(benchmark::kMillisecond)->Iterations(3);

// The same with 均衡分班 on: the balanced deal, the report beside the overview.
void BM_BalancedComputeToOverview(benchmark::State& state)
{
    const int students = int(state.range(0)), classes = int(state.range(1));
    TWindow t(students, classes, true);
    for (auto _ : state) {
        t.Window->ac_Compute->trigger();
        t.Window->repaint();
        if (t.Window->tcInfo->count() != classes + 3 || t.Window->BalanceReportText().isEmpty())
            state.SkipWithError("balanced compute failed");
    }
}
BENCHMARK(BM_BalancedComputeToOverview)->Args({3000, 40})->Unit(benchmark::kMillisecond)->Iterations(3);

// A tab switch to the 100,000-student grade sheet and back, each repainted.
void BM_TabSwitchGrade100k(benchmark::State& state)
{
    TWindow t(100000, 40);
    t.Window->ac_Compute->trigger();
    bool grade = false;
    for (auto _ : state) {
        grade = !grade;
        t.Window->tcInfo->setCurrentIndex(grade ? 1 : 2);
        t.Window->Grid->repaint();
    }
}
BENCHMARK(BM_TabSwitchGrade100k)->Unit(benchmark::kMillisecond);

// One keystroke in the search box on the grade sheet (the last character
// of the key, committed as an input method commits it), until the grid has
// repainted: the number of the last student (the search walks every row
// from the top, names before numbers; the grid scrolls there) and a name
// found nowhere.
void BM_SearchKeystrokeGrade100k(benchmark::State& state)
{
    TWindow t(100000, 40);
    t.Window->ac_Compute->trigger();
    t.Window->tcInfo->setCurrentIndex(1);
    const xlgrid::TXLSheet& grade = *t.Window->ResultSheets[0].Sheet;
    const int lastRow = grade.RowCount() - 1;
    const xlgrid::TXLCell* last = grade.FindCell(t.Window->Columns.IDCol, lastRow);
    const QString key = state.range(0) ? QString::fromStdString(last->AsString()) : QStringLiteral("无此人");
    t.Window->txtSearch->setFocus();
    for (auto _ : state) {
        state.PauseTiming();
        t.Window->txtSearch->setText(key.left(key.size() - 1));
        t.Window->Grid->SetCurCell({0, 0});
        t.Window->Grid->repaint();
        state.ResumeTiming();
        QInputMethodEvent commit;
        commit.setCommitString(key.right(1));
        QApplication::sendEvent(t.Window->txtSearch, &commit);
        t.Window->Grid->repaint();
    }
    if (t.Window->txtSearch->text() != key || (state.range(0) && t.Window->Grid->Row() != lastRow))
        state.SkipWithError("the keystroke did not find the last student");
}
BENCHMARK(BM_SearchKeystrokeGrade100k)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TQuietDialogs quiet;
    xlgridui::TXLDialogOverride answers(quiet);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
