#pragma once
// The progress window of long commands: a picture, a line of text and a bar,
// no cancel button. It is centred on its owner each time it is shown; every
// step repaints it and lets the event loop run, so the window stays drawn.

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;

namespace app {

class TProgressDialog : public QDialog {
    Q_OBJECT

public:
    explicit TProgressDialog(QWidget* owner);

    void SetRange(int minimum, int maximum);
    void SetPosition(int position);
    int Position() const;
    int Maximum() const;
    void SetText(const QString& text);
    QString Text() const;
    // Shows the window centred on its owner and lets pending events run.
    void ShowCentred();
    // Position one higher, then Pump.
    void StepIt();
    // Lets pending events run, at most every 15 ms (and always at the bar's
    // end), so that a step per cell never costs more than the work itself.
    void Pump();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_picture;
    QLabel* m_text;
    QProgressBar* m_bar;
    int m_position = 0;
    QElapsedTimer m_sincePump;
};

// Lets pending events run (repaints, input) while a command works.
void ProcessPendingEvents();

}  // namespace app
