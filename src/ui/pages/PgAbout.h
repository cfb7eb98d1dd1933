#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>

#include "ui/pages/MWAbstractPage.h"

class QLabel;
class QPushButton;
class QWidget;

namespace MW_Pages {

// The about page: program version, the toolkit's about box, the support contact and the data folder.
class PgAbout : public MWAbstractPage
{
    Q_OBJECT

public:
    // Shows the toolkit's about box (parent, title); tests replace it.
    using TAboutPresenter = std::function<void(QWidget* parent, const QString& title)>;

    static constexpr const char* SUPPORT_CONTACT = "support@tolvek.example";

    explicit PgAbout(QObject* parent = nullptr);
    ~PgAbout() override;

    static QString staticTag() { return QStringLiteral("MW_Pages::PgAbout"); }
    static void setAboutPresenter(TAboutPresenter presenter) { s_presenter = std::move(presenter); }

    void retranslateUi() override;

public slots:
    void slotShowAboutQt();

protected:
    void initUi() override;
    void initUiActions() override;

private:
    QLabel* m_versionTitle = nullptr;
    QLabel* m_version = nullptr;
    QPushButton* m_aboutQt = nullptr;
    QLabel* m_credit = nullptr;
    QLabel* m_supportTitle = nullptr;
    QLabel* m_support = nullptr;
    QLabel* m_dataDirTitle = nullptr;
    QLabel* m_dataDir = nullptr;
    static inline TAboutPresenter s_presenter;
    QPointer<QMessageBox> m_aboutBox;
};

} // namespace MW_Pages
