#pragma once
// A dialog answerer for widget tests: it records every message box and file
// dialog asked for and answers from queues (Cancel and no file when empty).

#include "xlgridui/dialogs.h"
#include "xlgridui/xlactions.h"

#include <QPrinter>
#include <QString>

#include <deque>
#include <vector>

namespace xlgridui::testing {

class TScriptedDialogs : public IXLDialogs, public IXLPrintDialogs {
public:
    TScriptedDialogs();
    ~TScriptedDialogs() override;

    std::deque<QMessageBox::StandardButton> Buttons;
    std::deque<QString> Files;
    std::vector<TXLMessage> Messages;
    std::vector<TXLFileRequest> Requests;
    // Print dialog: the answer and what it chooses; page setup: the answer.
    bool PrintAnswer = false;
    TXLPrintChoice Choice;
    QString PrintFile;  // a PDF file the printer writes to
    bool SetupAnswer = false;
    int PrintAsked = 0, SetupAsked = 0;
    int LastPageCount = 0;
    bool LastSelection = false;

    QMessageBox::StandardButton Message(QWidget* parent, const TXLMessage& message) override;
    QString OpenFileName(QWidget* parent, const TXLFileRequest& request) override;
    QString SaveFileName(QWidget* parent, const TXLFileRequest& request) override;
    bool PageSetup(QWidget* parent, QPrinter& printer) override;
    bool Print(QWidget* parent, QPrinter& printer, int pageCount, bool selection, TXLPrintChoice& choice) override;

    // The texts of the messages shown so far.
    QStringList Texts() const;

private:
    TXLDialogOverride m_override;
    TXLPrintDialogOverride m_printOverride;
};

}  // namespace xlgridui::testing
