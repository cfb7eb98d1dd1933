#include "ui/pages/PgSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>

#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "measurement/DataScanManager.h"
#include "remote/RemoteControlServer.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"

using Ui::PageFileDialogs;
using ZCore::LocalizationManager;
using ZCore::SettingsManager;
using ZData::DataScanManager;

namespace MW_Pages {

namespace {
// A profile is small; anything larger was picked by mistake.
constexpr qint64 MAX_PRESET_BYTES = 4 * 1024 * 1024;
} // namespace

PgSettings::PgSettings(QObject* parent) : MWAbstractPage(parent) {}

PgSettings::~PgSettings() = default;

QString PgSettings::presetProblem(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return qtTrId("lp_pgsettings_preset_missing");
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return qtTrId("lp_pgsettings_preset_unreadable");
    if (file.size() > MAX_PRESET_BYTES || file.peek(4096).contains('\0'))
        return qtTrId("lp_pgsettings_preset_not_ini");
    file.close();
    QSettings probe(path, QSettings::IniFormat);
    if (probe.status() != QSettings::NoError)
        return qtTrId("lp_pgsettings_preset_not_ini");
    return QString();
}

void PgSettings::initUi()
{
    QWidget* inner = scrollWidget(ZCommon::ENavBarMenuPages::SETTINGS);
    auto* grid = new QGridLayout(inner);
    grid->setObjectName(QStringLiteral("gridLayout_settings"));
    auto label = [inner](const char* name) {
        auto* l = new QLabel(inner);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    m_languageTitle = label("label_4");
    m_language = new QComboBox(inner);
    m_language->setObjectName(QStringLiteral("comb_settings_lang"));
    m_interpolationTitle = label("label_31");
    m_interpolation = new QCheckBox(inner);
    m_interpolation->setObjectName(QStringLiteral("cb_interpolation_enabled"));
    m_remoteTitle = label("l_remote_title");
    m_remote = new QCheckBox(inner);
    m_remote->setObjectName(QStringLiteral("cb_remote_enabled"));
    m_remotePortTitle = label("l_remote_port");
    m_remotePort = new QLineEdit(inner);
    m_remotePort->setObjectName(QStringLiteral("le_remote_port"));
    m_remotePort->setMaxLength(5);
    m_remotePort->setValidator(new QIntValidator(1, 65535, m_remotePort));
    m_remotePort->setText(QString::number(ZRemote::RemoteControlServer::DEFAULT_PORT));
    m_presetTitle = label("label_26");
    m_save = new QPushButton(inner);
    m_save->setObjectName(QStringLiteral("b_profile_save_file"));
    m_save->setIcon(QIcon(QStringLiteral(":/ui/save")));
    m_load = new QPushButton(inner);
    m_load->setObjectName(QStringLiteral("b_profile_load_file"));
    m_load->setIcon(QIcon(QStringLiteral(":/ui/open_file")));
    grid->addWidget(m_languageTitle, 0, 0);
    grid->addWidget(m_language, 0, 1);
    grid->addWidget(m_interpolationTitle, 1, 0);
    grid->addWidget(m_interpolation, 1, 1);
    grid->addWidget(m_remoteTitle, 2, 0);
    grid->addWidget(m_remote, 2, 1);
    grid->addWidget(m_remotePortTitle, 3, 0);
    grid->addWidget(m_remotePort, 3, 1);
    grid->addWidget(m_presetTitle, 4, 0, 1, 2);
    grid->addWidget(m_save, 5, 0, 1, 2);
    grid->addWidget(m_load, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);

    {
        const QSignalBlocker blocker(m_language);
        const QStringList files = LocalizationManager::files();
        for (const QString& file : files)
            m_language->addItem(LocalizationManager::languageName(file), file);
        m_language->setCurrentIndex(-1);
    }
    const QString suffix = QString::fromLatin1(SettingsManager::FILE_EXTENSION);
    m_saveDialog = PageFileDialogs::createSaveDialog(m_window, suffix);
    m_loadDialog = PageFileDialogs::createLoadDialog(m_window, suffix);
    retranslateUi();
    MWAbstractPage::initUi();
}

void PgSettings::initUiActions()
{
    MWAbstractPage::initUiActions();
    connect(&LocalizationManager::instance(), &LocalizationManager::signalLoadedLang, this,
            &PgSettings::slotLoadedLang);
    connect(m_window, &MainWindow::signalSettingsRestored, this, &PgSettings::restoreSettings);
    connect(m_window, &MainWindow::signalSettingsSaved, this, &PgSettings::saveSettings);
    connect(m_language, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PgSettings::slotChangedLanguage);
    connect(m_save, &QPushButton::released, this, &PgSettings::slotPresetSaveFile);
    connect(m_saveDialog, &QFileDialog::finished, this, &PgSettings::slotProcessPresetSaveFile);
    connect(m_load, &QPushButton::released, this, &PgSettings::slotPresetLoadFile);
    connect(m_loadDialog, &QFileDialog::finished, this, &PgSettings::slotProcessPresetLoadFile);
    connect(m_interpolation, &QCheckBox::stateChanged, this, &PgSettings::slotInterpolationEnabled);
    connect(m_remote, &QCheckBox::stateChanged, this, &PgSettings::slotRemoteChanged);
    connect(m_remotePort, &QLineEdit::returnPressed, this, &PgSettings::slotRemoteChanged);
}

void PgSettings::retranslateUi()
{
    if (!m_save)
        return;
    m_languageTitle->setText(qtTrId("lp_psettings_language"));
    m_interpolationTitle->setText(qtTrId("lp_psettings_interpolation_title"));
    m_interpolation->setText(qtTrId("lp_psettings_interpolation_enabled"));
    m_remoteTitle->setText(qtTrId("lp_psettings_remote_title"));
    m_remote->setText(qtTrId("lp_psettings_remote_enabled"));
    m_remotePortTitle->setText(qtTrId("lp_psettings_remote_port"));
    m_presetTitle->setText(qtTrId("lp_psettings_preset_title"));
    m_save->setText(qtTrId("lp_psettings_btn_save"));
    m_load->setText(qtTrId("lp_psettings_btn_load"));
    m_saveDialog->setWindowTitle(qtTrId("lp_pgsettings_save_dialog_title"));
    m_loadDialog->setWindowTitle(qtTrId("lp_pgsettings_load_dialog_title"));
    const QStringList filters = qtTrId("lp_pgsettings_preset_file_filters").split(QStringLiteral(";;"));
    m_saveDialog->setNameFilters(filters);
    m_loadDialog->setNameFilters(filters);
}

void PgSettings::slotLoadedLang()
{
    retranslateUi();
}

void PgSettings::slotChangedLanguage(int index)
{
    if (index < 0)
        return;
    LocalizationManager::setLanguage(m_language->itemData(index).toString());
}

void PgSettings::slotInterpolationEnabled()
{
    DataScanManager::setInterpolationEnabled(m_interpolation->isChecked(), true);
}

void PgSettings::slotRemoteChanged()
{
    const quint16 port = quint16(m_remotePort->text().toUInt());
    ZRemote::RemoteControlServer::saveProfileConfiguration(m_remote->isChecked(), port);
    if (m_window && m_window->remoteControl())
        m_window->remoteControl()->applyConfiguration();
}

void PgSettings::openDialog(QFileDialog* dialog, const char* missingId)
{
    const ZCore::TaggedLog log(m_tag);
    if (!dialog) {
        log.critical(missingId);
        return;
    }
    QString dir = SettingsManager::userDir();
    if (dir.isEmpty() || !ZCore::UtilityModules::Path::dirExists(dir)) {
        dir.clear();
        log.critical("lp_pgsettings_no_users_dir");
    }
    dialog->setDirectory(dir);
    PageFileDialogs::open(dialog);
}

void PgSettings::slotPresetSaveFile()
{
    openDialog(m_saveDialog, "lp_pgsettings_save_dialog_failed");
}

void PgSettings::slotPresetLoadFile()
{
    openDialog(m_loadDialog, "lp_pgsettings_load_dialog_failed");
}

void PgSettings::slotProcessPresetSaveFile(int result)
{
    if (result != QDialog::Accepted) {
        ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> save dialog wasn't accepted"));
        return;
    }
    const QString path = PageFileDialogs::firstSelected(m_saveDialog);
    if (!SettingsManager::saveAs(path))
        qCritical().noquote() << ZCore::TaggedLog(m_tag).line(
            QStringLiteral(">> ") + qtTrId("lp_pgsettings_cant_save_preset").arg(path));
}

void PgSettings::slotProcessPresetLoadFile(int result)
{
    if (result != QDialog::Accepted) {
        ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> load dialog wasn't accepted"));
        return;
    }
    const QString path = PageFileDialogs::firstSelected(m_loadDialog);
    // The manager would fall back to the defaults for a file it cannot take, losing the working
    // profile; a bad choice is reported and leaves everything as it is.
    const QString problem = presetProblem(path);
    if (!problem.isEmpty()) {
        qCritical().noquote() << ZCore::TaggedLog(m_tag).line(
            QStringLiteral(">> ") + qtTrId("lp_pgsettings_cant_load_preset").arg(path, problem));
        return;
    }
    SettingsManager::load(path);
}

void PgSettings::saveSettings()
{
    QSettings* settings = SettingsManager::settings();
    if (!settings) {
        ZCore::TaggedLog(m_tag).critical("lp_err_cant_write_settings");
        return;
    }
    settings->beginGroup(SettingsManager::groupName(ZCore::ESettingsGroups::DEFAULT));
    settings->setValue(QString::fromLatin1(KEY_LANGUAGE), LocalizationManager::currentFile());
    settings->setValue(QString::fromLatin1(KEY_INTERPOLATION), DataScanManager::isInterpolationEnabled());
    settings->setValue(QString::fromLatin1(ZRemote::RemoteControlServer::KEY_ENABLED), m_remote->isChecked());
    const uint port = m_remotePort->text().toUInt();
    settings->setValue(QString::fromLatin1(ZRemote::RemoteControlServer::KEY_PORT),
                       port >= 1 && port <= 65535 ? port : uint(ZRemote::RemoteControlServer::DEFAULT_PORT));
    settings->endGroup();
}

void PgSettings::restoreSettings()
{
    QSettings* settings = SettingsManager::settings();
    if (!settings) {
        ZCore::TaggedLog(m_tag).warn(QStringLiteral(">> no settings loaded"));
        return;
    }
    settings->beginGroup(SettingsManager::groupName(ZCore::ESettingsGroups::DEFAULT));
    const QString language =
        settings
            ->value(QString::fromLatin1(KEY_LANGUAGE), QString::fromLatin1(LocalizationManager::DEFAULT_FILE))
            .toString();
    const bool interpolation = settings->value(QString::fromLatin1(KEY_INTERPOLATION), false).toBool();
    settings->endGroup();

    const int index = m_language->findText(LocalizationManager::languageName(language));
    if (index >= 0 && index != m_language->currentIndex())
        m_language->setCurrentIndex(index);
    {
        const QSignalBlocker blocker(m_interpolation);
        m_interpolation->setChecked(interpolation);
    }
    const ZRemote::RemoteControlServer::TConfig remote = ZRemote::RemoteControlServer::profileConfiguration();
    {
        const QSignalBlocker blocker(m_remote);
        m_remote->setChecked(remote.enabled);
    }
    m_remotePort->setText(QString::number(remote.port));
    if (m_window && m_window->remoteControl())
        m_window->remoteControl()->applyConfiguration();
    // The views redraw only when the flag really changes.
    DataScanManager::setInterpolationEnabled(interpolation,
                                             interpolation != DataScanManager::isInterpolationEnabled());
}

} // namespace MW_Pages
