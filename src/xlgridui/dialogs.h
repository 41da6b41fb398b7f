#pragma once
// The one seam every message box and file dialog of the program goes
// through, so that tests can answer them.
//
// Windows ask Dialogs() instead of calling QMessageBox or QFileDialog. The
// process-wide answerer is the real one (Qt's own dialogs, in Chinese when
// Qt's translations are loaded); a test installs a scripted one with
// TXLDialogOverride and checks what was asked.

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QWidget;

namespace xlgridui {

// What a message box shows: its kind picks the icon.
enum TXLMessageKind { mkInformation, mkWarning, mkError, mkQuestion };

struct TXLMessage {
    TXLMessageKind Kind = mkInformation;
    QString Title;
    QString Text;
    // The buttons offered and the one Enter presses.
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QMessageBox::StandardButton Default = QMessageBox::NoButton;
    // Captions that replace the standard ones, e.g. {Save, "保存"}.
    std::vector<std::pair<QMessageBox::StandardButton, QString>> Captions;
};

struct TXLFileRequest {
    QString Title;
    QString Folder;       // where the dialog opens
    QString FileName;     // suggested name (save dialogs)
    QStringList Filters;  // "Excel 工作簿 (*.xlsx)", …
    QString DefaultSuffix;
};

class IXLDialogs {
public:
    virtual ~IXLDialogs() = default;
    // Returns the button pressed (Cancel or Escape when the box was closed).
    virtual QMessageBox::StandardButton Message(QWidget* parent, const TXLMessage& message) = 0;
    // Returns the chosen file, or an empty string when cancelled.
    virtual QString OpenFileName(QWidget* parent, const TXLFileRequest& request) = 0;
    virtual QString SaveFileName(QWidget* parent, const TXLFileRequest& request) = 0;
};

// The answerer in use: the real dialogs unless a test installed another.
IXLDialogs& Dialogs();

// Installs an answerer for the lifetime of the object (tests).
class TXLDialogOverride {
public:
    explicit TXLDialogOverride(IXLDialogs& dialogs);
    ~TXLDialogOverride();
    TXLDialogOverride(const TXLDialogOverride&) = delete;
    TXLDialogOverride& operator=(const TXLDialogOverride&) = delete;

private:
    IXLDialogs* m_previous;
};

// Short forms for the common boxes.
void ShowWarning(QWidget* parent, const QString& text, const QString& title = {});
void ShowError(QWidget* parent, const QString& text, const QString& title = {});
void ShowInformation(QWidget* parent, const QString& text, const QString& title = {});
// Yes/No question; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, const QString& title = {});

}  // namespace xlgridui
