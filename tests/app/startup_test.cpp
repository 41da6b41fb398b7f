// What the window process does before its window: the single-instance
// guard and Qt's Chinese texts.

#include "app/appglobal.h"
#include "app/multinst.h"
#include "xlgridui/xldesigner.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

class TestStartUp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondGuardIsRefused()
    {
        QTemporaryDir dir;
        app::TSingleInstance first(dir.path());
        QVERIFY(first.Acquire());
        QVERIFY(!first.IsSecondInstance());
        app::TSingleInstance second(dir.path());
        QVERIFY(!second.Acquire());
        QVERIFY(second.IsSecondInstance());
    }

    void lockOfAGoneProcessIsTakenOver()
    {
        QTemporaryDir dir;
        app::TSingleInstance guard(dir.path());
        QFile lock(guard.LockPath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        // The lock file's form: pid, application name, host name.
        lock.write("999999999\nfenban\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        QVERIFY(guard.Acquire());
    }

    void unwritableFolderDoesNotKeepTheProgramFromStarting()
    {
        app::TSingleInstance guard(QStringLiteral("/nonexistent/folder"));
        QVERIFY(guard.Acquire());
        QVERIFY(!guard.IsSecondInstance());
    }

    void qtTextsInChinese()
    {
        QVERIFY(xlgridui::InstallChineseTranslations(*static_cast<QApplication*>(QCoreApplication::instance())));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    }

    void rosterFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("roster");
        QTest::newRow("xlsx") << "名单.xlsx" << true;
        QTest::newRow("upper case") << "ROSTER.XLS" << true;
        QTest::newRow("csv") << "/tmp/a.csv" << true;
        QTest::newRow("sheet file") << "a.xlf" << true;
        QTest::newRow("text") << "a.txt" << false;
        QTest::newRow("no suffix") << "csv" << false;
    }

    void rosterFiles()
    {
        QFETCH(QString, file);
        QFETCH(bool, roster);
        QCOMPARE(app::IsRosterFile(file), roster);
    }
};

QTEST_MAIN(TestStartUp)
#include "startup_test.moc"
