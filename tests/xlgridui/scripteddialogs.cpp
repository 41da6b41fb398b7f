#include "scripteddialogs.h"

namespace xlgridui::testing {

TScriptedDialogs::TScriptedDialogs() : m_override(*this), m_printOverride(*this) {}
TScriptedDialogs::~TScriptedDialogs() = default;

QMessageBox::StandardButton TScriptedDialogs::Message(QWidget*, const TXLMessage& message)
{
    Messages.push_back(message);
    if (Buttons.empty())
        return (message.Buttons & QMessageBox::Cancel) ? QMessageBox::Cancel
               : (message.Buttons & QMessageBox::No)   ? QMessageBox::No
                                                       : QMessageBox::Ok;
    const QMessageBox::StandardButton b = Buttons.front();
    Buttons.pop_front();
    return b;
}

QString TScriptedDialogs::OpenFileName(QWidget*, const TXLFileRequest& request)
{
    Requests.push_back(request);
    if (Files.empty())
        return {};
    QString f = Files.front();
    Files.pop_front();
    return f;
}

QString TScriptedDialogs::SaveFileName(QWidget* parent, const TXLFileRequest& request)
{
    return OpenFileName(parent, request);
}

bool TScriptedDialogs::PageSetup(QWidget*, QPrinter&)
{
    ++SetupAsked;
    return SetupAnswer;
}

bool TScriptedDialogs::Print(QWidget*, QPrinter& printer, int pageCount, bool selection, TXLPrintChoice& choice)
{
    ++PrintAsked;
    LastPageCount = pageCount;
    LastSelection = selection;
    if (!PrintAnswer)
        return false;
    if (!PrintFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(PrintFile);
    }
    choice = Choice;
    return true;
}

QStringList TScriptedDialogs::Texts() const
{
    QStringList out;
    for (const TXLMessage& m : Messages)
        out << m.Text;
    return out;
}

}  // namespace xlgridui::testing
