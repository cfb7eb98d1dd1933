#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QDialogButtonBox;
class QPushButton;

namespace Ui {

// Asks for the report's optional title and note before the file is chosen. Opened window-modal
// and answered through finished(), never run in a loop of its own.
class ReportDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MAX_TITLE = 120;
    static constexpr int MAX_NOTE = 4000;

    explicit ReportDialog(QWidget* parent = nullptr);

    QString title() const;
    QString note() const;
    QLineEdit* titleEdit() const { return m_title; }
    QPlainTextEdit* noteEdit() const { return m_note; }

public slots:
    void slotLoadedLang();

private:
    QLabel* m_titleLabel = nullptr;
    QLineEdit* m_title = nullptr;
    QLabel* m_noteLabel = nullptr;
    QPlainTextEdit* m_note = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    // Own buttons: the box would put the toolkit's texts back on standard ones at a language change.
    QPushButton* m_next = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace Ui
