#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

namespace Ui {
namespace Components {

// The window's notice area: the notice board's current message under the title bar, with its repeat
// count and how many wait behind it, until the person dismisses it. It never takes the input focus
// or runs an event loop of its own, so the scan and the remote clients go on while it is shown.
class NoticeBar : public QFrame
{
    Q_OBJECT

public:
    explicit NoticeBar(QWidget* parent = nullptr);

    QLabel* textLabel() const { return m_text; }
    QLabel* waitingLabel() const { return m_waiting; }
    QPushButton* dismissButton() const { return m_dismiss; }

public slots:
    void slotRefresh();

protected:
    void changeEvent(QEvent* event) override;

private:
    QLabel* m_title = nullptr;
    QLabel* m_text = nullptr;
    QLabel* m_waiting = nullptr;
    QPushButton* m_dismiss = nullptr;
};

} // namespace Components
} // namespace Ui
