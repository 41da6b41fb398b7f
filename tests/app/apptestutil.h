#pragma once
// What the window tests share: scripted answers to every message box and
// file dialog, a main window whose settings and Temp folder live in a
// temporary folder, and the real sheet designer driven while it is open.

#include "app/mainform.h"
#include "xlgridui/dialogs.h"

#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace xlgridui {
class TXLSheetDesigner;
}

namespace apptest {

// Records every question and answers from a queue (Ok/Yes when it runs dry).
class TScriptedDialogs : public xlgridui::IXLDialogs {
public:
    QMessageBox::StandardButton Message(QWidget* parent, const xlgridui::TXLMessage& message) override;
    QString OpenFileName(QWidget* parent, const xlgridui::TXLFileRequest& request) override;
    QString SaveFileName(QWidget* parent, const xlgridui::TXLFileRequest& request) override;

    std::vector<xlgridui::TXLMessage> Messages;
    std::deque<QMessageBox::StandardButton> Answers;
    std::deque<QString> Files;
};

// Types as a teacher does: ASCII as key presses, other characters committed
// by the input method, one character at a time.
void TypeText(QWidget* target, const QString& text);

// The sample roster of examples/, and a small roster file of the test data.
QString SampleRoster();

// Rows of texts as a roster sheet holds them (caption, headers, students).
using TRows = std::vector<std::vector<std::string>>;
void FillRoster(xlgrid::TXLSheet& sheet, const TRows& rows);

// The designer window open now, or none.
xlgridui::TXLSheetDesigner* OpenDesigner();

// A main window over a temporary folder, with the desktop opener replaced.
// Whenever the real designer opens, the next step of DesignerSteps runs in
// it (none: nothing), what it shows is recorded and it is closed.
class TWindowFixture {
public:
    TWindowFixture();
    ~TWindowFixture();

    app::TfrmMain& Window() { return *m_window; }
    QString ConfigFile() const;
    QString TempFolder() const;
    // The Config.ini lines, in order.
    QStringList ConfigLines() const;
    void WriteConfig(const QStringList& lines) const;

    TScriptedDialogs Dialogs;
    using TDesignerStep = std::function<void(xlgridui::TXLSheetDesigner&)>;
    std::deque<TDesignerStep> DesignerSteps;
    // What the designer showed when the step had run: the sheet's name and
    // every client text, the span of cell (0, 0), the window's bounds.
    struct TDesignerVisit {
        std::string Name;
        TRows Texts;
        int MergedWidth = 0;
        QRect Bounds;
        bool Modal = false;
    };
    std::vector<TDesignerVisit> DesignerVisits;
    std::vector<QUrl> Opened;

    // Data editing with the designer importing the file by its import command.
    void EditWith(const QString& file);
    // The step that imports a file as the designer's 导入 CSV 数据 or 导入 Excel 数据 does.
    TDesignerStep Import(const QString& file);
    // The parameters dialog confirmed with these values (ac_SetParamsExecute).
    void SetParams(int classes, const QString& prefix, bool studentID, const QString& idPrefix, bool sexDigit);

private:
    void VisitDesigner();

    QTemporaryDir m_dir;
    QTimer m_designerWatch;
    bool m_inDesigner = false;
    std::unique_ptr<xlgridui::TXLDialogOverride> m_override;
    std::unique_ptr<app::TfrmMain> m_window;
};

// Every client text of a sheet, RowCount rows of ColCount texts.
TRows SheetTexts(const xlgrid::TXLSheet& sheet);
QStringList TabCaptions(const QTabBar& tabs);

}  // namespace apptest
