#include "ui/ReportDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/LocalizationManager.h"

namespace Ui {

ReportDialog::ReportDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlg_report"));
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("l_report_title"));
    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("le_report_title"));
    m_title->setMaxLength(MAX_TITLE);
    m_noteLabel = new QLabel(this);
    m_noteLabel->setObjectName(QStringLiteral("l_report_note"));
    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(QStringLiteral("te_report_note"));
    m_note->setTabChangesFocus(true);
    m_buttons = new QDialogButtonBox(this);
    m_buttons->setObjectName(QStringLiteral("bb_report"));
    m_next = m_buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    m_next->setObjectName(QStringLiteral("b_report_next"));
    m_next->setDefault(true);
    m_cancel = m_buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("b_report_cancel"));
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_title);
    layout->addWidget(m_noteLabel);
    layout->addWidget(m_note, 1);
    layout->addWidget(m_buttons);
    resize(460, 320);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &ReportDialog::slotLoadedLang);
    slotLoadedLang();
}

QString ReportDialog::title() const
{
    return m_title->text().trimmed();
}

QString ReportDialog::note() const
{
    // A pasted novel would only push the charts off the first pages.
    return m_note->toPlainText().trimmed().left(MAX_NOTE);
}

void ReportDialog::slotLoadedLang()
{
    setWindowTitle(qtTrId("lp_report_dialog_title"));
    m_titleLabel->setText(qtTrId("lp_report_dialog_heading"));
    m_title->setPlaceholderText(qtTrId("lp_report_default_title"));
    m_noteLabel->setText(qtTrId("lp_report_dialog_note"));
    m_next->setText(qtTrId("lp_report_dialog_next"));
    m_cancel->setText(qtTrId("lp_report_dialog_cancel"));
}

} // namespace Ui
