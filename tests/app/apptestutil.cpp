#include "apptestutil.h"

#include "app/setparamsform.h"
#include "xlgrid/cell.h"
#include "xlgrid/encoding.h"
#include "xlgridui/xldesigner.h"
#include "xlio/sheetimport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QToolBar>
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

xlgridui::TXLSheetDesigner* OpenDesigner()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<xlgridui::TXLSheetDesigner*>(w); d && d->isVisible())
            return d;
    return nullptr;
}

TWindowFixture::TWindowFixture()
{
    m_override = std::make_unique<xlgridui::TXLDialogOverride>(Dialogs);
    app::TAppPaths paths{std::filesystem::path(m_dir.filePath(QStringLiteral("Config.ini")).toStdString()),
                         std::filesystem::path(m_dir.filePath(QStringLiteral("Temp")).toStdString())};
    // The designer runs its own event loop while it is open: look for it there.
    m_designerWatch.setInterval(10);
    QObject::connect(&m_designerWatch, &QTimer::timeout, [this] { VisitDesigner(); });
    m_designerWatch.start();
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
    m_designerWatch.stop();
    m_window.reset();
}

void TWindowFixture::VisitDesigner()
{
    xlgridui::TXLSheetDesigner* designer = OpenDesigner();
    if (!designer || m_inDesigner)
        return;
    m_inDesigner = true;
    if (!DesignerSteps.empty()) {
        TDesignerStep step = std::move(DesignerSteps.front());
        DesignerSteps.pop_front();
        if (step)
            step(*designer);
    }
    const xlgrid::TXLSheet& sheet = *designer->Sheet();
    TDesignerVisit visit{sheet.Name(), SheetTexts(sheet), 0, designer->frameGeometry(),
                         designer->windowModality() == Qt::ApplicationModal};
    if (const xlgrid::TXLCell* c = sheet.FindCell(0, 0))
        visit.MergedWidth = c->Width();
    DesignerVisits.push_back(std::move(visit));
    designer->close();
    m_inDesigner = false;
}

TWindowFixture::TDesignerStep TWindowFixture::Import(const QString& file)
{
    return [this, file](xlgridui::TXLSheetDesigner& designer) {
        const bool csv = QFileInfo(file).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
        QAction* import = designer.Action(csv ? QStringLiteral("AFLoadCSVData") : QStringLiteral("AFLoadExcelData"));
        QVERIFY(import && import->isEnabled());
        Dialogs.Files.push_back(file);
        // Its tool bar button when it has one, as a teacher clicks it.
        QWidget* button = designer.StandardBar()->widgetForAction(import);
        if (button && button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
        else
            import->trigger();
        QVERIFY(Dialogs.Files.empty());
    };
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
    DesignerSteps.push_back(Import(file));
    const int visits = int(DesignerVisits.size());
    m_window->ac_Edit->trigger();
    QCOMPARE(int(DesignerVisits.size()), visits + 1);
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
