// The window's looks as PNG files for a person to check: the empty window,
// the designer opened from data editing, the parameters dialog, the
// overview, a class tab with a found student, the progress window, and the
// overview of a balanced division with its report. With FENBAN_SHOTS naming a folder the pictures are
// written there (scripts/screenshots.sh runs this under Xvfb); without it
// the same states are walked and only checked to paint.

#include "apptestutil.h"

#include "app/progressform.h"
#include "app/setparamsform.h"
#include "xlgridui/xldesigner.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>
#include <QTimer>

namespace {

void Shot(QWidget* w, const char* name)
{
    QApplication::processEvents();
    const QPixmap pixmap = w->grab();
    QVERIFY(!pixmap.isNull());
    const QByteArray folder = qgetenv("FENBAN_SHOTS");
    if (!folder.isEmpty())
        QVERIFY(pixmap.save(QDir(QString::fromLocal8Bit(folder)).filePath(QLatin1String(name))));
}

}  // namespace

class TestScreenshots : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shots()
    {
        apptest::TWindowFixture f;
        app::TfrmMain& w = f.Window();
        w.resize(1400, 860);
        Shot(&w, "empty-window.png");

        f.DesignerSteps.push_back([&](xlgridui::TXLSheetDesigner& d) {
            f.Import(apptest::SampleRoster())(d);
            Shot(&d, "designer.png");
        });
        w.ac_Edit->trigger();
        QCOMPARE(int(f.DesignerVisits.size()), 1);
        QTimer::singleShot(0, [&] {
            app::TfrmSetParams* d = w.frmSetParams;
            d->txtClassNumber->setValue(12);
            d->selClassPrefix->setEditText(QStringLiteral("高一"));
            d->chkCreateStudentID->setChecked(true);
            d->txtStudentIDPrefix->setText(QStringLiteral("2026"));
            Shot(d, "parameters.png");
            d->ac_OKExecute();
        });
        w.ac_SetParams->trigger();

        w.ac_Compute->trigger();
        Shot(&w, "overview.png");

        w.tcInfo->setCurrentIndex(4);
        w.txtSearch->setFocus();
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("李"));
        QApplication::sendEvent(w.txtSearch, &commit);
        Shot(&w, "class-found.png");

        w.ProgressDialog->SetRange(0, 14);
        w.ProgressDialog->SetPosition(6);
        w.ProgressDialog->SetText(QStringLiteral("正在生成班级表格..."));
        w.ProgressDialog->ShowCentred();
        Shot(w.ProgressDialog, "progress.png");
        w.ProgressDialog->hide();

        // The same roster divided with 均衡分班 on.
        QTimer::singleShot(0, [&] {
            app::TfrmSetParams* d = w.frmSetParams;
            d->chkBalanced->setChecked(true);
            Shot(d, "parameters-balanced.png");
            d->ac_OKExecute();
        });
        w.ac_SetParams->trigger();
        w.ac_Compute->trigger();
        QVERIFY(!w.BalanceReportText().isEmpty());
        Shot(&w, "balanced-overview.png");
    }
};

QTEST_MAIN(TestScreenshots)
#include "screenshots_test.moc"
