#pragma once
// What the window tests share: scripted answers to every message box and
// file dialog, a main window whose settings and Temp folder live in a
// temporary folder, and rosters brought in as the designer's import would.

#include "app/mainform.h"
#include "xlgridui/dialogs.h"

#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <vector>

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

// A main window over a temporary folder, with the designer and the desktop
// opener replaced: the designer imports the next file of DesignerFiles
// (none: it changes nothing) and records the sheet it was given.
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
    std::deque<QString> DesignerFiles;
    // What the designer saw: the sheet's name, title and every client text.
    struct TDesignerVisit {
        std::string Name;
        TRows Texts;
        int MergedWidth = 0;  // span of cell (0, 0)
    };
    std::vector<TDesignerVisit> DesignerVisits;
    std::vector<QUrl> Opened;

    // Data editing with the designer importing the file.
    void EditWith(const QString& file);
    // The parameters dialog confirmed with these values (ac_SetParamsExecute).
    void SetParams(int classes, const QString& prefix, bool studentID, const QString& idPrefix, bool sexDigit);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<xlgridui::TXLDialogOverride> m_override;
    std::unique_ptr<app::TfrmMain> m_window;
};

// Every client text of a sheet, RowCount rows of ColCount texts.
TRows SheetTexts(const xlgrid::TXLSheet& sheet);
QStringList TabCaptions(const QTabBar& tabs);

}  // namespace apptest
