// The parameters dialog as the teacher meets it: the sort-field list the
// command prepares, the fields read from the settings file, the two number
// refusals, Enter and Esc cancelling, and the ten settings written in order.

#include "apptestutil.h"

#include "app/setparamsform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using apptest::TRows;
using apptest::TWindowFixture;

Q_DECLARE_METATYPE(TRows)

namespace {

QStringList Items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

const TRows GoodRoster = {
    {"2026级新生", "", "", "", "", "", "", ""},
    {"考号", "姓名", "性别", "学校", "语文", "数学", "总分", "调整"},
    {"001", "张三", "男", "一中", "90", "80", "170", ""},
    {"002", "李四", "女", "二中", "85", "95", "180", ""},
    {"003", "王五", "男", "一中", "70", "60", "130", ""},
};

}  // namespace

class TestSetParams : public QObject {
    Q_OBJECT

private:
    // Runs the parameters command; inside the dialog `inside` runs, then the
    // dialog is cancelled unless `inside` closed it.
    void WithDialog(TWindowFixture& f, const std::function<void(app::TfrmSetParams&)>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            app::TfrmSetParams& d = *f.Window().frmSetParams;
            inside(d);
            ran = true;
            if (d.isVisible())
                d.ac_CloseExecute();
        });
        f.Window().ac_SetParams->trigger();
        QVERIFY(ran);
        QVERIFY(!f.Window().frmSetParams->isVisible());
    }

private Q_SLOTS:
    void controls()
    {
        TWindowFixture f;
        WithDialog(f, [](app::TfrmSetParams& d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("参数设置"));
            QCOMPARE(d.txtClassNumber->minimum(), 1);
            QCOMPARE(d.txtClassNumber->maximum(), 999999);
            QCOMPARE(Items(d.selClassPrefix), (QStringList{"初一", "高一", "高二"}));
            QVERIFY(d.selClassPrefix->isEditable());
            QCOMPARE(Items(d.selSortFieldType), (QStringList{"数值型", "等级型"}));
            QCOMPARE(d.chkCreateStudentID->text(), QStringLiteral("生成学号"));
            QCOMPARE(d.chkCreateSeats->text(), QStringLiteral("编排座位"));
            QVERIFY(!d.chkCreateSeats->isEnabled());
            QVERIFY(!d.chkCreateSeats->isChecked());
            QVERIFY(!d.txtSeatNumber->isVisible());
            QVERIFY(!d.chkSexSeat->isVisible());
            QVERIFY(!d.RadioGroup->isEnabled());
            QCOMPARE(d.PanelSelect->height(), 0);
            QCOMPARE(d.btnOK->text(), QStringLiteral(" 设置"));
            QCOMPARE(d.btnClose->text(), QStringLiteral(" 取消"));
            QVERIFY(d.btnClose->isDefault());
            // The prefix box, its label and the sex digit follow the numbering switch.
            QVERIFY(!d.txtStudentIDPrefix->isVisible());
            QTest::mouseClick(d.chkCreateStudentID, Qt::LeftButton, {}, QPoint(4, d.chkCreateStudentID->height() / 2));
            QVERIFY(d.chkCreateStudentID->isChecked());
            QVERIFY(d.txtStudentIDPrefix->isVisible());
            QVERIFY(d.lblStudentIDPrefix->isVisible());
            QVERIFY(d.chkSex->isVisible());
        });
    }

    void sortFieldList_data()
    {
        QTest::addColumn<TRows>("roster");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("warnings");
        QTest::newRow("reserved headers left out, order kept")
            << GoodRoster << QStringList{"考号", "语文", "数学", "总分", "调整"} << 0;
        QTest::newRow("two rows: no check, empty list")
            << TRows{GoodRoster[0], GoodRoster[1]} << QStringList{} << 0;
        TRows failing = GoodRoster;
        failing[3][2] = "女生";  // a sex the check refuses
        QTest::newRow("failing check with a known sort field offers only it")
            << failing << QStringList{"总分"} << 1;
    }

    void sortFieldList()
    {
        QFETCH(TRows, roster);
        QFETCH(QStringList, items);
        QFETCH(int, warnings);
        TWindowFixture f;
        apptest::FillRoster(f.Window().Sheet, roster);
        WithDialog(f, [&](app::TfrmSetParams& d) {
            QCOMPARE(Items(d.selSortFieldName), items);
            QCOMPARE(int(f.Dialogs.Messages.size()), warnings);
        });
    }

    void fieldsReadFromFile()
    {
        TWindowFixture f;
        apptest::FillRoster(f.Window().Sheet, GoodRoster);
        f.WriteConfig({"[Global]", "ClassCount=2", "ClassPrefix=高三", "CreateStudentID=True",
                       "StudentIDPrefix=X", "SexPrefix=True", "SortFieldName=数学", "SortFieldType=等级型"});
        WithDialog(f, [](app::TfrmSetParams& d) {
            QCOMPARE(d.txtClassNumber->value(), 2);
            QCOMPARE(d.selClassPrefix->currentText(), QStringLiteral("高三"));
            QVERIFY(d.chkCreateStudentID->isChecked());
            QCOMPARE(d.txtStudentIDPrefix->text(), QStringLiteral("X"));
            QVERIFY(d.chkSex->isChecked());
            QCOMPARE(d.selSortFieldName->currentText(), QStringLiteral("数学"));
            QCOMPARE(d.selSortFieldType->currentText(), QStringLiteral("等级型"));
        });
    }

    void confirmWritesTenSettingsInOrder()
    {
        TWindowFixture f;
        apptest::FillRoster(f.Window().Sheet, GoodRoster);
        f.WriteConfig({"[Global]", "CreateSeats=True"});
        f.Window().ac_Seats->setEnabled(true);
        WithDialog(f, [](app::TfrmSetParams& d) {
            d.txtClassNumber->setValue(12);
            apptest::TypeText(d.selClassPrefix->lineEdit(), QStringLiteral("高三"));
            d.selSortFieldName->setCurrentText(QStringLiteral("总分"));
            d.chkCreateStudentID->setChecked(true);
            d.txtStudentIDPrefix->setText(QStringLiteral("2026"));
            QTest::mouseClick(d.btnOK, Qt::LeftButton);
        });
        QCOMPARE(f.ConfigLines(),
                 (QStringList{"[Global]", "CreateSeats=False", "ClassCount=12", "ClassPrefix=高三",
                              "CreateStudentID=True", "StudentIDPrefix=2026", "SexPrefix=False",
                              "SortFieldName=总分", "SortFieldType=数值型", "GroupCount=1", "SeatSex=True", "Balanced=False"}));
        QVERIFY(!f.Window().ac_Seats->isEnabled());
    }

    void freshFileListsKeysInOrder()
    {
        TWindowFixture f;
        WithDialog(f, [](app::TfrmSetParams& d) { d.ac_OKExecute(); });
        QCOMPARE(f.ConfigLines(),
                 (QStringList{"[Global]", "ClassCount=1", "ClassPrefix=", "CreateStudentID=False",
                              "StudentIDPrefix=", "SexPrefix=False", "SortFieldName=", "SortFieldType=数值型",
                              "CreateSeats=False", "GroupCount=1", "SeatSex=True", "Balanced=False"}));
    }

    void balancedSwitch_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("click");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("written");
        QTest::newRow("absent: off, left off") << "" << false << false << "Balanced=False";
        QTest::newRow("absent: off, clicked on") << "" << true << false << "Balanced=True";
        QTest::newRow("True: on, clicked off") << "Balanced=True" << true << true << "Balanced=False";
        QTest::newRow("true is not True: off") << "Balanced=true" << false << false << "Balanced=False";
    }

    void balancedSwitch()
    {
        QFETCH(QString, stored);
        QFETCH(bool, click);
        QFETCH(bool, shown);
        QFETCH(QString, written);
        TWindowFixture f;
        QStringList lines{"[Global]"};
        if (!stored.isEmpty())
            lines << stored;
        f.WriteConfig(lines);
        WithDialog(f, [&](app::TfrmSetParams& d) {
            QCOMPARE(d.chkBalanced->text(), QStringLiteral("均衡分班"));
            QCOMPARE(d.chkBalanced->isChecked(), shown);
            // Below every other control, above the buttons.
            for (QWidget* other : std::initializer_list<QWidget*>{d.txtClassNumber, d.selSortFieldName,
                                                                 d.chkCreateStudentID, d.chkCreateSeats, d.RadioGroup})
                QVERIFY(d.chkBalanced->geometry().top() >= other->geometry().bottom());
            QVERIFY(d.chkBalanced->geometry().bottom() < d.btnOK->geometry().top());
            if (click)
                QTest::mouseClick(d.chkBalanced, Qt::LeftButton, {}, QPoint(4, d.chkBalanced->height() / 2));
            QCOMPARE(d.chkBalanced->isChecked(), shown != click);
            QTest::mouseClick(d.btnOK, Qt::LeftButton);
        });
        // Written once: in its place when the file held it, else after the ten keys.
        QCOMPARE(f.ConfigLines().filter(QRegularExpression(QStringLiteral("^Balanced="))), QStringList{written});
        if (stored.isEmpty())
            QCOMPARE(f.ConfigLines().last(), written);
    }

    void cancelKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");
        QTest::newRow("Enter in the class number") << int(Qt::Key_Return) << "txtClassNumber";
        QTest::newRow("Enter in the prefix box") << int(Qt::Key_Return) << "selClassPrefix";
        QTest::newRow("keypad Enter on the dialog") << int(Qt::Key_Enter) << "btnClose";
        QTest::newRow("Esc in the class number") << int(Qt::Key_Escape) << "txtClassNumber";
    }

    void cancelKeys()
    {
        QFETCH(int, key);
        QFETCH(QString, focus);
        TWindowFixture f;
        f.WriteConfig({"[Global]", "ClassCount=3"});
        WithDialog(f, [&](app::TfrmSetParams& d) {
            d.txtClassNumber->setValue(9);
            QWidget* target = d.findChild<QWidget*>(focus);
            QVERIFY(target);
            if (auto* combo = qobject_cast<QComboBox*>(target))
                target = combo->lineEdit();
            target->setFocus();
            QTest::keyClick(target, Qt::Key(key));
            QVERIFY(!d.isVisible());
        });
        QCOMPARE(f.ConfigLines(), (QStringList{"[Global]", "ClassCount=3"}));
    }

    void numberRefusals_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("warning");
        QTest::newRow("class number emptied") << "txtClassNumber" << "" << "请输入正确班级总数";
        QTest::newRow("class number typed as 0") << "txtClassNumber" << "0" << "请输入正确班级总数";
        QTest::newRow("desk groups emptied") << "txtSeatNumber" << "" << "请输入正确座位组数";
    }

    void numberRefusals()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, warning);
        TWindowFixture f;
        WithDialog(f, [&](app::TfrmSetParams& d) {
            auto* spin = d.findChild<QSpinBox*>(box);
            spin->setFocus();
            QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(spin, Qt::Key_Backspace);
            QTest::keyClicks(spin, typed);
            QCOMPARE(spin->cleanText(), typed);
            d.ac_OKExecute();
            QVERIFY(d.isVisible());
            QCOMPARE(int(f.Dialogs.Messages.size()), 1);
            QCOMPARE(f.Dialogs.Messages.back().Text, warning);
            QCOMPARE(f.Dialogs.Messages.back().Kind, xlgridui::mkWarning);
        });
        QVERIFY(f.ConfigLines().isEmpty());
    }
};

QTEST_MAIN(TestSetParams)
#include "setparams_test.moc"
