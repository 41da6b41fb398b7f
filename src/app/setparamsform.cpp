#include "app/setparamsform.h"

#include "engine/configstore.h"
#include "xlgridui/dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>
#include <exception>
#include <string>

namespace app {
namespace {

constexpr std::array<std::string_view, 13> ReservedHeaders = {
    "性别", "姓名", "学校", "原学校", "毕业学校", "籍贯", "区域",
    "地区", "出生地", "出生日期", "政治面貌", "内宿", "住校"};

// The height the choice's panel opens to for any item but the first.
constexpr int PanelDesignHeight = 64;

std::string Std(const QString& text) { return text.toStdString(); }
QString Qt8(const std::string& text) { return QString::fromStdString(text); }

QSpinBox* NumberBox(QWidget* parent, const char* name)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(1, 999999);
    box->setSingleStep(1);
    box->setValue(1);
    return box;
}

}  // namespace

bool IsReservedHeader(std::string_view text)
{
    for (std::string_view h : ReservedHeaders)
        if (h == text)
            return true;
    return false;
}

TfrmSetParams::TfrmSetParams(QWidget* owner, engine::TConfigStore& config)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_config(config)
{
    setObjectName(QStringLiteral("frmSetParams"));
    setWindowTitle(QStringLiteral("参数设置"));
    setModal(true);

    auto* lblClassNumber = new QLabel(QStringLiteral("班级总数"), this);
    lblClassNumber->setObjectName(QStringLiteral("lblClassNumber"));
    txtClassNumber = NumberBox(this, "txtClassNumber");
    lblClassNumber->setBuddy(txtClassNumber);

    auto* lblClassPrefix = new QLabel(QStringLiteral("班级前缀"), this);
    lblClassPrefix->setObjectName(QStringLiteral("lblClassPrefix"));
    selClassPrefix = new QComboBox(this);
    selClassPrefix->setObjectName(QStringLiteral("selClassPrefix"));
    selClassPrefix->setEditable(true);
    selClassPrefix->setInsertPolicy(QComboBox::NoInsert);
    selClassPrefix->addItems({QStringLiteral("初一"), QStringLiteral("高一"), QStringLiteral("高二")});
    lblClassPrefix->setBuddy(selClassPrefix);

    auto* lblSortField = new QLabel(QStringLiteral("排序字段"), this);
    lblSortField->setObjectName(QStringLiteral("lblSortField"));
    selSortFieldName = new QComboBox(this);
    selSortFieldName->setObjectName(QStringLiteral("selSortFieldName"));
    selSortFieldName->setMinimumContentsLength(8);
    selSortFieldType = new QComboBox(this);
    selSortFieldType->setObjectName(QStringLiteral("selSortFieldType"));
    selSortFieldType->addItems({QStringLiteral("数值型"), QStringLiteral("等级型")});
    lblSortField->setBuddy(selSortFieldName);

    chkCreateStudentID = new QCheckBox(QStringLiteral("生成学号"), this);
    chkCreateStudentID->setObjectName(QStringLiteral("chkCreateStudentID"));
    lblStudentIDPrefix = new QLabel(QStringLiteral("学号前缀"), this);
    lblStudentIDPrefix->setObjectName(QStringLiteral("lblStudentIDPrefix"));
    txtStudentIDPrefix = new QLineEdit(this);
    txtStudentIDPrefix->setObjectName(QStringLiteral("txtStudentIDPrefix"));
    lblStudentIDPrefix->setBuddy(txtStudentIDPrefix);
    chkSex = new QCheckBox(QStringLiteral("性别"), this);
    chkSex->setObjectName(QStringLiteral("chkSex"));

    chkCreateSeats = new QCheckBox(QStringLiteral("编排座位"), this);
    chkCreateSeats->setObjectName(QStringLiteral("chkCreateSeats"));
    lblSeat = new QLabel(QStringLiteral("座位组数"), this);
    lblSeat->setObjectName(QStringLiteral("lblSeat"));
    txtSeatNumber = NumberBox(this, "txtSeatNumber");
    chkSexSeat = new QCheckBox(QStringLiteral("男女同桌"), this);
    chkSexSeat->setObjectName(QStringLiteral("chkSexSeat"));
    chkSexSeat->setChecked(true);  // as the stored default

    RadioGroup = new QGroupBox(this);
    RadioGroup->setObjectName(QStringLiteral("RadioGroup"));
    auto* choiceRow = new QHBoxLayout(RadioGroup);
    auto* choices = new QButtonGroup(this);
    int id = 0;
    for (const char* caption : {"默认", "地区", "住校", "尖子"}) {
        auto* b = new QRadioButton(QString::fromUtf8(caption), RadioGroup);
        choices->addButton(b, id++);
        choiceRow->addWidget(b);
        m_choices.push_back(b);
    }
    m_choices.front()->setChecked(true);
    RadioGroup->setEnabled(false);
    PanelSelect = new QWidget(this);
    PanelSelect->setObjectName(QStringLiteral("PanelSelect"));

    chkBalanced = new QCheckBox(QStringLiteral("均衡分班"), this);
    chkBalanced->setObjectName(QStringLiteral("chkBalanced"));
    chkBalanced->setToolTip(QStringLiteral("各班总分和各科平均分、班内分数分布、学校与地区都尽量均衡，并遵守“调整”列的要求"));

    btnOK = new QPushButton(QStringLiteral(" 设置"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnClose = new QPushButton(QStringLiteral(" 取消"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    // The cancel button is the default one: Enter cancels, as Esc does.
    btnOK->setAutoDefault(false);
    btnClose->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(lblClassNumber, 0, 0);
    grid->addWidget(txtClassNumber, 0, 1, 1, 2);
    grid->addWidget(lblClassPrefix, 1, 0);
    grid->addWidget(selClassPrefix, 1, 1, 1, 2);
    grid->addWidget(lblSortField, 2, 0);
    grid->addWidget(selSortFieldName, 2, 1);
    grid->addWidget(selSortFieldType, 2, 2);
    grid->addWidget(chkCreateStudentID, 3, 0, 1, 3);
    grid->addWidget(lblStudentIDPrefix, 4, 0);
    grid->addWidget(txtStudentIDPrefix, 4, 1);
    grid->addWidget(chkSex, 4, 2);
    grid->addWidget(chkCreateSeats, 5, 0, 1, 3);
    grid->addWidget(lblSeat, 6, 0);
    grid->addWidget(txtSeatNumber, 6, 1);
    grid->addWidget(chkSexSeat, 6, 2);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnClose);

    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addWidget(RadioGroup);
    main->addWidget(PanelSelect);
    main->addWidget(chkBalanced);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TfrmSetParams::ac_OKExecute);
    connect(btnClose, &QPushButton::clicked, this, &TfrmSetParams::ac_CloseExecute);
    connect(chkCreateStudentID, &QCheckBox::toggled, this, [this] { chkCreateStudentIDClick(); });
    connect(chkCreateSeats, &QCheckBox::toggled, this, [this] { chkCreateSeatsClick(); });
    connect(choices, &QButtonGroup::idClicked, this, [this](int i) { RadioGroupClick(i); });

    // FormCreate: the choice's panel collapsed, the seat switch off, its controls hidden.
    m_panelHeight = PanelDesignHeight;
    PanelSelect->setFixedHeight(0);
    chkCreateSeats->setChecked(false);
    chkCreateSeatsClick();
    chkCreateSeats->setEnabled(false);
    chkCreateStudentIDClick();
}

void TfrmSetParams::SetSortFieldItems(const QStringList& items)
{
    selSortFieldName->clear();
    selSortFieldName->addItems(items);
}

void TfrmSetParams::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget())
        move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TfrmSetParams::FormShow()
{
    try {
        m_config.LoadSettings();
    } catch (const std::exception& e) {
        xlgridui::ShowError(this, Qt8(e.what()));
    }
    txtClassNumber->setValue(m_config.ReadIntSetting("ClassCount", 1));
    selClassPrefix->setEditText(Qt8(m_config.ReadSetting("ClassPrefix", "")));
    txtStudentIDPrefix->setText(Qt8(m_config.ReadSetting("StudentIDPrefix", "")));
    chkSex->setChecked(m_config.ReadSetting("SexPrefix", "False") == "True");
    chkCreateStudentID->setChecked(m_config.ReadSetting("CreateStudentID", "False") == "True");
    chkCreateStudentIDClick();
    chkBalanced->setChecked(m_config.ReadBoolSetting("Balanced", "False"));

    selSortFieldName->setCurrentIndex(selSortFieldName->count() > 0 ? 0 : -1);
    int found = selSortFieldName->findText(Qt8(m_config.ReadSetting("SortFieldName", "")), Qt::MatchExactly);
    if (found >= 0)
        selSortFieldName->setCurrentIndex(found);
    selSortFieldType->setCurrentIndex(0);
    found = selSortFieldType->findText(Qt8(m_config.ReadSetting("SortFieldType", "")), Qt::MatchExactly);
    if (found >= 0)
        selSortFieldType->setCurrentIndex(found);
    btnClose->setFocus();
}

int TfrmSetParams::TypedNumber(const QSpinBox* box)
{
    bool ok = false;
    const int n = box->cleanText().trimmed().toInt(&ok);
    return ok ? n : 0;
}

void TfrmSetParams::ac_OKExecute()
{
    if (TypedNumber(txtClassNumber) < 1) {
        xlgridui::ShowWarning(this, QStringLiteral("请输入正确班级总数"));
        return;
    }
    if (TypedNumber(txtSeatNumber) < 1) {
        xlgridui::ShowWarning(this, QStringLiteral("请输入正确座位组数"));
        return;
    }
    m_config.SetStoredValue("ClassCount", TypedNumber(txtClassNumber));
    m_config.SetStoredValue("ClassPrefix", std::string_view(Std(selClassPrefix->currentText())));
    m_config.SetStoredValue("CreateStudentID", chkCreateStudentID->isChecked());
    m_config.SetStoredValue("StudentIDPrefix", std::string_view(Std(txtStudentIDPrefix->text())));
    m_config.SetStoredValue("SexPrefix", chkSex->isChecked());
    m_config.SetStoredValue("SortFieldName", std::string_view(Std(selSortFieldName->currentText())));
    m_config.SetStoredValue("SortFieldType", std::string_view(Std(selSortFieldType->currentText())));
    m_config.SetStoredValue("CreateSeats", chkCreateSeats->isChecked());
    m_config.SetStoredValue("GroupCount", TypedNumber(txtSeatNumber));
    m_config.SetStoredValue("SeatSex", chkSexSeat->isChecked());
    m_config.SetStoredValue("Balanced", chkBalanced->isChecked());
    try {
        m_config.SaveSettings();
    } catch (const std::exception& e) {
        // Nothing is lost: the dialog stays open with what was typed.
        xlgridui::ShowError(this, Qt8(e.what()));
        return;
    }
    if (!chkCreateSeats->isChecked())
        Q_EMIT SeatsSwitchedOff();
    accept();
}

void TfrmSetParams::ac_CloseExecute()
{
    reject();
}

void TfrmSetParams::chkCreateStudentIDClick()
{
    const bool on = chkCreateStudentID->isChecked();
    lblStudentIDPrefix->setVisible(on);
    txtStudentIDPrefix->setVisible(on);
    chkSex->setVisible(on);
}

void TfrmSetParams::chkCreateSeatsClick()
{
    const bool on = chkCreateSeats->isChecked();
    lblSeat->setVisible(on);
    txtSeatNumber->setVisible(on);
    chkSexSeat->setVisible(on);
}

void TfrmSetParams::RadioGroupClick(int index)
{
    PanelSelect->setFixedHeight(index == 0 ? 0 : m_panelHeight);
}

}  // namespace app
