#include "xlgridui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>

namespace xlgridui {
namespace {

QString DefaultTitle(const QString& title)
{
    return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}

QMessageBox::Icon IconOf(TXLMessageKind kind)
{
    switch (kind) {
    case mkWarning:
        return QMessageBox::Warning;
    case mkError:
        return QMessageBox::Critical;
    case mkQuestion:
        return QMessageBox::Question;
    case mkInformation:
        break;
    }
    return QMessageBox::Information;
}

class TQtDialogs : public IXLDialogs {
public:
    QMessageBox::StandardButton Message(QWidget* parent, const TXLMessage& m) override
    {
        QMessageBox box(IconOf(m.Kind), DefaultTitle(m.Title), m.Text, m.Buttons, parent);
        if (m.Default != QMessageBox::NoButton)
            box.setDefaultButton(m.Default);
        for (const auto& [button, caption] : m.Captions)
            if (QAbstractButton* b = box.button(button))
                b->setText(caption);
        const int result = box.exec();
        return static_cast<QMessageBox::StandardButton>(result);
    }

    QString OpenFileName(QWidget* parent, const TXLFileRequest& r) override
    {
        return QFileDialog::getOpenFileName(parent, r.Title, r.Folder, r.Filters.join(";;"));
    }

    QString SaveFileName(QWidget* parent, const TXLFileRequest& r) override
    {
        QFileDialog dialog(parent, r.Title, r.Folder, r.Filters.join(";;"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!r.DefaultSuffix.isEmpty())
            dialog.setDefaultSuffix(r.DefaultSuffix);
        if (!r.FileName.isEmpty())
            dialog.selectFile(r.FileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().front();
    }
};

TQtDialogs g_qtDialogs;
IXLDialogs* g_dialogs = &g_qtDialogs;

QMessageBox::StandardButton Show(QWidget* parent, TXLMessageKind kind, const QString& text, const QString& title,
                                 QMessageBox::StandardButtons buttons)
{
    TXLMessage m;
    m.Kind = kind;
    m.Title = title;
    m.Text = text;
    m.Buttons = buttons;
    return Dialogs().Message(parent, m);
}

}  // namespace

IXLDialogs& Dialogs() { return *g_dialogs; }

TXLDialogOverride::TXLDialogOverride(IXLDialogs& dialogs) : m_previous(g_dialogs) { g_dialogs = &dialogs; }

TXLDialogOverride::~TXLDialogOverride() { g_dialogs = m_previous; }

void ShowWarning(QWidget* parent, const QString& text, const QString& title)
{
    Show(parent, mkWarning, text, title, QMessageBox::Ok);
}

void ShowError(QWidget* parent, const QString& text, const QString& title)
{
    Show(parent, mkError, text, title, QMessageBox::Ok);
}

void ShowInformation(QWidget* parent, const QString& text, const QString& title)
{
    Show(parent, mkInformation, text, title, QMessageBox::Ok);
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& title)
{
    return Show(parent, mkQuestion, text, title, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace xlgridui
