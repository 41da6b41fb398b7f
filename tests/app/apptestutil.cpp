#include "apptestutil.h"

#include "app/browse.h"
#include "app/setparamsform.h"
#include "xlgrid/cell.h"
#include "xlgrid/encoding.h"
#include "xlio/sheetimport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QRegularExpression>
#include <QTimer>

namespace apptest {

QMessageBox::StandardButton TScriptedDialogs::Message(QWidget*, const xlgridui::TXLMessage& message)
{
    Messages.push_back(message);
    if (!Answers.empty()) {
        QMessageBox::StandardButton b = Answers.front();
        Answers.pop_front();
        return b;
    }
    return message.Buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
}

QString TScriptedDialogs::OpenFileName(QWidget*, const xlgridui::TXLFileRequest&)
{
    if (Files.empty())
        return {};
    QString f = Files.front();
    Files.pop_front();
    return f;
}

QString TScriptedDialogs::SaveFileName(QWidget* parent, const xlgridui::TXLFileRequest& request)
{
    return OpenFileName(parent, request);
}

void TypeText(QWidget* target, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            QTest::keyClicks(target, QString(c));
            continue;
        }
        QString character(c);
        if (c.isHighSurrogate() && i + 1 < text.size())
            character += text.at(++i);
        QInputMethodEvent commit;
        commit.setCommitString(character);
        QApplication::sendEvent(target, &commit);
    }
}

QString SampleRoster()
{
    return QStringLiteral(FENBAN_SOURCE_DIR "/examples/roster.csv");
}

void FillRoster(xlgrid::TXLSheet& sheet, const TRows& rows)
{
    xlio::ImportTable(sheet, rows);
}

TRows SheetTexts(const xlgrid::TXLSheet& sheet)
{
    TRows out(std::size_t(sheet.RowCount()), std::vector<std::string>(std::size_t(sheet.ColCount())));
    for (int r = 0; r < sheet.RowCount(); ++r)
        for (int c = 0; c < sheet.ColCount(); ++c)
            if (const xlgrid::TXLCell* cell = sheet.FindCell(c, r))
                out[std::size_t(r)][std::size_t(c)] = cell->AsString();
    return out;
}

QStringList TabCaptions(const QTabBar& tabs)
{
    QStringList out;
    for (int i = 0; i < tabs.count(); ++i)
        out << tabs.tabText(i);
    return out;
}

TWindowFixture::TWindowFixture()
{
    m_override = std::make_unique<xlgridui::TXLDialogOverride>(Dialogs);
    app::TAppPaths paths{std::filesystem::path(m_dir.filePath(QStringLiteral("Config.ini")).toStdString()),
                         std::filesystem::path(m_dir.filePath(QStringLiteral("Temp")).toStdString())};
    app::SetSheetDesigner([this](QWidget*, xlgrid::TXLSheet& sheet, const QRect&) {
        if (!DesignerFiles.empty()) {
            QString error;
            const bool ok = app::ImportRosterFile(sheet, DesignerFiles.front(), error);
            DesignerFiles.pop_front();
            QVERIFY2(ok, qPrintable(error));
        }
        TDesignerVisit visit{sheet.Name(), SheetTexts(sheet), 0};
        if (const xlgrid::TXLCell* c = sheet.FindCell(0, 0))
            visit.MergedWidth = c->Width();
        DesignerVisits.push_back(std::move(visit));
    });
    m_window = std::make_unique<app::TfrmMain>(paths);
    m_window->OpenUrl = [this](const QUrl& url) {
        Opened.push_back(url);
        return true;
    };
    m_window->resize(1200, 800);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

TWindowFixture::~TWindowFixture()
{
    m_window.reset();
    app::SetSheetDesigner(nullptr);
}

QString TWindowFixture::ConfigFile() const { return m_dir.filePath(QStringLiteral("Config.ini")); }
QString TWindowFixture::TempFolder() const { return m_dir.filePath(QStringLiteral("Temp")); }

QStringList TWindowFixture::ConfigLines() const
{
    QFile f(ConfigFile());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    const std::string text = xlgrid::Gb18030ToUtf8(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    QStringList lines = QString::fromStdString(text).split(QRegularExpression(QStringLiteral("\r?\n")));
    lines.removeAll(QString());
    return lines;
}

void TWindowFixture::WriteConfig(const QStringList& lines) const
{
    QFile f(ConfigFile());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::fromStdString(
        xlgrid::Utf8ToGb18030((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toStdString())));
}

void TWindowFixture::EditWith(const QString& file)
{
    DesignerFiles.push_back(file);
    m_window->ac_Edit->trigger();
}

void TWindowFixture::SetParams(int classes, const QString& prefix, bool studentID, const QString& idPrefix,
                               bool sexDigit)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        app::TfrmSetParams* d = m_window->frmSetParams;
        QVERIFY(d->isVisible());
        d->txtClassNumber->setValue(classes);
        d->selClassPrefix->setEditText(prefix);
        d->chkCreateStudentID->setChecked(studentID);
        d->txtStudentIDPrefix->setText(idPrefix);
        d->chkSex->setChecked(sexDigit);
        QTest::mouseClick(d->btnOK, Qt::LeftButton);
        ran = true;
    });
    m_window->ac_SetParams->trigger();
    QVERIFY(ran);
}

}  // namespace apptest
