#pragma once
// The parameters dialog: the number of classes, the class prefix, the sort
// field and its kind, student numbering, and the seat settings that are
// stored but switched off, and the switch to the balanced deal. Each showing
// reads the settings file afresh; confirming writes all ten settings in
// their order and Balanced after them; Enter and Esc cancel.

#include <QDialog>
#include <QStringList>

#include <string_view>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace engine {
class TConfigStore;
}

namespace app {

// True for the 13 headers that are never offered as sort field.
bool IsReservedHeader(std::string_view text);

class TfrmSetParams : public QDialog {
    Q_OBJECT

public:
    TfrmSetParams(QWidget* owner, engine::TConfigStore& config);

    // The items of the sort-field list, in order (the command fills it).
    void SetSortFieldItems(const QStringList& items);

    // Confirms (as the 设置 button does) and cancels (as 取消, Enter and Esc do).
    Q_SLOT void ac_OKExecute();
    Q_SLOT void ac_CloseExecute();

    QSpinBox* txtClassNumber;
    QComboBox* selClassPrefix;
    QComboBox* selSortFieldName;
    QComboBox* selSortFieldType;
    QCheckBox* chkCreateStudentID;
    QLabel* lblStudentIDPrefix;
    QLineEdit* txtStudentIDPrefix;
    QCheckBox* chkSex;
    QCheckBox* chkCreateSeats;
    QLabel* lblSeat;
    QSpinBox* txtSeatNumber;
    QCheckBox* chkSexSeat;
    QGroupBox* RadioGroup;
    QWidget* PanelSelect;
    QCheckBox* chkBalanced;  // the balanced deal instead of the cyclic one
    QPushButton* btnOK;
    QPushButton* btnClose;

Q_SIGNALS:
    // Confirmed with the seat switch off: the seat-table button goes off.
    void SeatsSwitchedOff();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void chkCreateStudentIDClick();
    void chkCreateSeatsClick();
    void RadioGroupClick(int index);
    // The spin box's text as a number, 0 when it holds none.
    static int TypedNumber(const QSpinBox* box);

    engine::TConfigStore& m_config;
    QList<QRadioButton*> m_choices;
    int m_panelHeight = 0;
};

}  // namespace app
