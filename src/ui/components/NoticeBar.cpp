#include "ui/components/NoticeBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/NoticeBoard.h"

using ZCore::NoticeBoard;

namespace Ui {
namespace Components {

NoticeBar::NoticeBar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("w_notice"));
    setFrameShape(QFrame::StyledPanel);
    setStyleSheet(QStringLiteral("#w_notice { background-color: #fbe3e1; border: 1px solid #c0392b;"
                                 " border-radius: 4px; } #w_notice QLabel { color: #3a0d08; }"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(10);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("l_notice_title"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("l_notice_text"));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texts->addWidget(m_title);
    texts->addWidget(m_text);
    layout->addLayout(texts, 1);
    m_waiting = new QLabel(this);
    m_waiting->setObjectName(QStringLiteral("l_notice_waiting"));
    layout->addWidget(m_waiting);
    m_dismiss = new QPushButton(this);
    m_dismiss->setObjectName(QStringLiteral("b_notice_dismiss"));
    m_dismiss->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_dismiss);
    connect(m_dismiss, &QPushButton::released, this, [] { NoticeBoard::dismiss(); });
    // Queued: a notice is posted from inside whatever logged it, and the bar lays itself out later.
    connect(&NoticeBoard::instance(), &NoticeBoard::signalChanged, this, &NoticeBar::slotRefresh,
            Qt::QueuedConnection);
    slotRefresh();
}

void NoticeBar::slotRefresh()
{
    if (!NoticeBoard::hasNotice()) {
        hide();
        return;
    }
    const ZCore::TNotice notice = NoticeBoard::current();
    m_title->setText(notice.type == QtFatalMsg ? qtTrId("lp_notice_fatal_title")
                                               : qtTrId("lp_notice_critical_title"));
    m_text->setText(NoticeBoard::displayText(notice));
    const int waiting = NoticeBoard::waiting();
    m_waiting->setText(waiting > 0 ? qtTrId("lp_notice_waiting").arg(waiting) : QString());
    m_waiting->setVisible(waiting > 0);
    m_dismiss->setText(qtTrId("lp_notice_dismiss"));
    show();
}

void NoticeBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        slotRefresh();
    QFrame::changeEvent(event);
}

} // namespace Components
} // namespace Ui
