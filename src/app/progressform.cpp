#include "app/progressform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace app {

TProgressDialog::TProgressDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowTitle(QStringLiteral("请稍候"));
    setModal(false);
    m_picture = new QLabel(this);
    m_picture->setPixmap(QPixmap(QStringLiteral(":/fenban/picture.png"))
                             .scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lblProgress"));
    m_text->setMinimumWidth(260);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("pbProgress"));
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 0);

    auto* right = new QVBoxLayout;
    right->addWidget(m_text);
    right->addWidget(m_bar);
    auto* row = new QHBoxLayout(this);
    row->addWidget(m_picture, 0, Qt::AlignTop);
    row->addLayout(right, 1);
    row->setSizeConstraint(QLayout::SetFixedSize);
}

void TProgressDialog::SetRange(int minimum, int maximum)
{
    // A bar with maximum 0 would run as a busy indicator; keep it still.
    m_bar->setRange(minimum, std::max(maximum, minimum + 1));
    if (maximum <= minimum)
        m_bar->setValue(minimum);
}

void TProgressDialog::SetPosition(int position)
{
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
    m_position = position;
}

int TProgressDialog::Position() const { return m_position; }
int TProgressDialog::Maximum() const { return m_bar->maximum(); }

void TProgressDialog::SetText(const QString& text) { m_text->setText(text); }
QString TProgressDialog::Text() const { return m_text->text(); }

void TProgressDialog::ShowCentred()
{
    adjustSize();
    if (QWidget* owner = parentWidget()) {
        QRect frame = owner->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    ProcessPendingEvents();
    m_sincePump.start();
}

void TProgressDialog::StepIt()
{
    SetPosition(m_position + 1);
    Pump();
}

void TProgressDialog::Pump()
{
    if (m_sincePump.isValid() && m_sincePump.elapsed() < 15 && m_position < m_bar->maximum())
        return;
    ProcessPendingEvents();
    m_sincePump.start();
}

void TProgressDialog::keyPressEvent(QKeyEvent* event)
{
    // No cancel: Esc does not close the window while a command works.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void ProcessPendingEvents()
{
    QApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace app
