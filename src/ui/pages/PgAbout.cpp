#include "ui/pages/PgAbout.h"
#include "core/AppVersion.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "core/AppPaths.h"
#include "core/LocalizationManager.h"
#include "core/utility/VersionNumber.h"
#include "ui/MainWindow.h"

namespace MW_Pages {

PgAbout::PgAbout(QObject* parent) : MWAbstractPage(parent) {}

PgAbout::~PgAbout() = default;

void PgAbout::initUi()
{
    QWidget* inner = scrollWidget(ZCommon::ENavBarMenuPages::ABOUT);
    auto* grid = new QGridLayout(inner);
    grid->setObjectName(QStringLiteral("gridLayout_about"));
    auto label = [inner](const char* name) {
        auto* l = new QLabel(inner);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    m_versionTitle = label("l_about_appversion_title");
    m_version = label("l_about_appversion_value");
    m_version->setText(QStringLiteral("x.x.x"));
    m_aboutQt = new QPushButton(inner);
    m_aboutQt->setObjectName(QStringLiteral("b_about_qt"));
    m_credit = label("label_27");
    m_credit->setWordWrap(true);
    m_supportTitle = label("label_28");
    m_support = label("label_29");
    m_support->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_dataDirTitle = label("l_about_datadir_title");
    m_dataDir = label("l_about_datadir_value");
    m_dataDir->setWordWrap(true);
    m_dataDir->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_versionTitle, 0, 0);
    grid->addWidget(m_version, 0, 1);
    grid->addWidget(m_aboutQt, 1, 0, 1, 2);
    grid->addWidget(m_credit, 2, 0, 1, 2);
    // The address on a line of its own: beside a long translated title it would be cut.
    grid->addWidget(m_supportTitle, 3, 0, 1, 2);
    grid->addWidget(m_support, 4, 0, 1, 2);
    grid->addWidget(m_dataDirTitle, 5, 0, 1, 2);
    grid->addWidget(m_dataDir, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);

    m_version->setText(ZCore::AppVersion::text());
    m_support->setText(QString::fromLatin1(SUPPORT_CONTACT));
    // Where the user finds their calibrations, traces and logs.
    m_dataDir->setText(QDir::toNativeSeparators(ZCore::AppPaths::baseDir()));
    retranslateUi();
    MWAbstractPage::initUi();
}

void PgAbout::initUiActions()
{
    MWAbstractPage::initUiActions();
    connect(m_aboutQt, &QPushButton::released, this, &PgAbout::slotShowAboutQt);
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &PgAbout::retranslateUi);
}

void PgAbout::retranslateUi()
{
    if (!m_aboutQt)
        return;
    m_versionTitle->setText(qtTrId("lp_pabout_appversion_title"));
    m_aboutQt->setText(qtTrId("lp_pabout_about_qt"));
    m_credit->setText(qtTrId("lp_pabout_icons_credit"));
    m_supportTitle->setText(qtTrId("lp_pabout_support_title"));
    m_dataDirTitle->setText(qtTrId("lp_pabout_data_dir_title"));
}

void PgAbout::slotShowAboutQt()
{
    const QString title = qtTrId("lp_pmain_about");
    if (s_presenter) {
        s_presenter(m_window, title);
        return;
    }
    // Opened, not executed: the toolkit's own about box would run an event loop inside this click.
    if (m_aboutBox) {
        m_aboutBox->raise();
        return;
    }
    m_aboutBox = new QMessageBox(m_window);
    m_aboutBox->setObjectName(QStringLiteral("box_about_qt"));
    m_aboutBox->setAttribute(Qt::WA_DeleteOnClose);
    m_aboutBox->setWindowTitle(title);
    m_aboutBox->setIconPixmap(QPixmap(QStringLiteral(":/qt-project.org/qmessagebox/images/qtlogo-64.png")));
    m_aboutBox->setText(qtTrId("lp_pabout_qt_text").arg(QString::fromLatin1(qVersion())));
    m_aboutBox->setStandardButtons(QMessageBox::Ok);
    m_aboutBox->open();
}

} // namespace MW_Pages
