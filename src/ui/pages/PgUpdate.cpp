#include "ui/pages/PgUpdate.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/VersionNumber.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/FirmwareUpdater.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "server/ServerManager.h"
#include "ui/MainWindow.h"
#include "ui/components/ClampedLineEdit.h"

using Ui::Components::ClampedLineEdit;
using ZCore::UtilityModules::VersionNumber;
using ZData::DataScanManager;
using ZData::DeviceManager;
using ZData::EServerCommands;
using ZData::FirmwareUpdater;
using ZData::ServerManager;
using ZData::DM::SerialPort;

namespace MW_Pages {

PgUpdate::PgUpdate(QObject* parent) : MWAbstractPage(parent) {}

PgUpdate::~PgUpdate() = default;

const QString& PgUpdate::notAvailable()
{
    static const QString text = QStringLiteral("N/A");
    return text;
}

void PgUpdate::initUi()
{
    QWidget* inner = scrollWidget(ZCommon::ENavBarMenuPages::UPDATE);
    m_grid = new QGridLayout(inner);
    m_grid->setObjectName(QStringLiteral("gridLayout_update"));
    auto label = [inner](const char* name) {
        auto* l = new QLabel(inner);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto value = [&label](const char* name) {
        QLabel* l = label(name);
        // Whatever the server or the device sends is shown as it stands, never as markup.
        l->setTextFormat(Qt::PlainText);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setText(notAvailable());
        return l;
    };
    m_idTitle = label("label");
    m_versionTitle = label("label_2");
    m_actualTitle = label("label_10");
    m_deviceId = value("l_device_id");
    m_deviceVersion = value("l_device_version");
    m_actualVersion = value("l_actual_version");
    m_check = new QPushButton(inner);
    m_check->setObjectName(QStringLiteral("b_check_update"));
    m_check->setAutoDefault(false);
    m_check->setDefault(false);
    m_update = new QPushButton(inner);
    m_update->setObjectName(QStringLiteral("b_do_update"));
    m_update->setAutoDefault(false);
    m_elDelayTitle = label("label_11");
    m_elDelayValueTitle = label("label_17");
    m_elDelayUnit = label("label_24");
    m_elDelay = new ClampedLineEdit(inner);
    m_elDelay->setObjectName(QStringLiteral("le_el_delay_value"));
    m_elDelay->setMaxLength(EL_DELAY_MAX_LENGTH);
    m_elDelay->setValidator(
        new QIntValidator(-DataScanManager::MAX_EL_DELAY_PS, DataScanManager::MAX_EL_DELAY_PS, m_elDelay));
    m_elDelay->enableClamping();
    m_elDelay->setText(QString::number(DataScanManager::elDelayValue()));
    m_elDelayEnabled = new QCheckBox(inner);
    m_elDelayEnabled->setObjectName(QStringLiteral("cb_el_delay_enabled"));
    m_elDelayEnabled->setChecked(DataScanManager::isElDelayEnabled());

    // Columns: titles, values and the delay field, its unit, then the slack, so that the short
    // fields keep their size when the panel is wide.
    m_grid->addWidget(m_idTitle, 0, 0);
    m_grid->addWidget(m_deviceId, 0, 1, 1, 3);
    m_grid->addWidget(m_versionTitle, 1, 0);
    m_grid->addWidget(m_deviceVersion, 1, 1, 1, 3);
    m_grid->addWidget(m_actualTitle, 2, 0);
    m_grid->addWidget(m_actualVersion, 2, 1, 1, 3);
    m_grid->addWidget(m_check, 3, 0, 1, 4);
    m_grid->addWidget(m_update, 4, 0, 1, 4);
    m_grid->addWidget(m_elDelayTitle, 5, 0, 1, 4, Qt::AlignHCenter);
    m_grid->addWidget(m_elDelayValueTitle, 6, 0);
    m_grid->addWidget(m_elDelay, 6, 1);
    m_grid->addWidget(m_elDelayUnit, 6, 2);
    m_grid->addWidget(m_elDelayEnabled, 7, 0, 1, 4);
    m_grid->setRowStretch(8, 1);
    m_grid->setColumnStretch(3, 1);
    m_elDelay->setMaximumWidth(m_elDelay->fontMetrics().horizontalAdvance(QStringLiteral("-99999")) * 2);
    m_check->setEnabled(false);
    m_update->setEnabled(false);

    // A child of the main window, so that it stays on top of it and blocks only it.
    m_progress = new QProgressDialog(m_window);
    m_progress->setObjectName(QStringLiteral("pd_update_progress"));
    m_progressBar = new QProgressBar(m_progress);
    m_progress->setBar(m_progressBar);
    m_progress->setRange(0, 100);
    m_progress->setMinimumWidth(PROGRESS_MIN_WIDTH);
    m_progress->setCancelButton(nullptr);
    // 100 % is the last chunk on its way, not the end: the dialog stays until the device
    // acknowledged it.
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(true);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setWindowFlags((m_progress->windowFlags() | Qt::CustomizeWindowHint) &
                               ~Qt::WindowCloseButtonHint);
    m_progress->installEventFilter(this);
    m_progress->reset(); // hidden, and its own show timer stopped

    retranslateUi();
    MWAbstractPage::initUi();
}

void PgUpdate::initUiActions()
{
    auto* device = &DeviceManager::instance();
    auto* updater = &FirmwareUpdater::instance();
    auto* port = &SerialPort::instance();
    connect(m_window, &MainWindow::signalSettingsRestored, this, &PgUpdate::restoreSettings);
    connect(m_window, &MainWindow::signalSettingsSaved, this, &PgUpdate::saveSettings);
    connect(m_window, &MainWindow::signalUpdateIsRequired, this, &PgUpdate::slotUpdateIsRequired);
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &PgUpdate::slotLoadedLang);

    // Everything from the device link arrives queued and in the order it was sent: a box opened
    // here runs its own event loop, which must never start inside the link's reply handling.
    const auto queued = Qt::QueuedConnection;
    connect(port, &SerialPort::signalClosed, this, &PgUpdate::slotPortClosed, queued);
    connect(device, &DeviceManager::signalStartupFinished, this, &PgUpdate::slotDeviceStartup, queued);
    connect(device, &DeviceManager::signalGotBootloaderDevice, this, &PgUpdate::slotGotBootloaderDevice,
            queued);
    connect(updater, &FirmwareUpdater::signalUpdateReply, this, &PgUpdate::slotDeviceUpdateReply, queued);
    connect(updater, &FirmwareUpdater::signalUpdateCheckFailed, this, &PgUpdate::slotUpdateCheckFailed,
            queued);
    connect(updater, &FirmwareUpdater::signalUpdateStarted, this, &PgUpdate::slotUpdateStarted, queued);
    connect(updater, &FirmwareUpdater::signalUpdateProgress, this, &PgUpdate::slotUpdateProgress, queued);
    connect(updater, &FirmwareUpdater::signalUpdateFinished, this, &PgUpdate::slotUpdateFinished, queued);
    connect(updater, &FirmwareUpdater::signalUpdateCompleted, this, &PgUpdate::slotUpdateCompleted, queued);
    connect(updater, &FirmwareUpdater::signalDeviceNotBack, this, &PgUpdate::slotDeviceNotBack, queued);
    connect(updater, &FirmwareUpdater::signalUpdateFailed, this, &PgUpdate::slotUpdateFailed, queued);
    // Reported for a lost port as well as for a link that gave up and closed it.
    connect(updater, &FirmwareUpdater::signalUpdateInterrupted, this, &PgUpdate::slotSignalLost, queued);

    connect(m_check, &QPushButton::released, this, &PgUpdate::slotCheckForUpdates);
    connect(m_update, &QPushButton::released, this, &PgUpdate::slotDoUpdate);
    connect(m_elDelay, &ClampedLineEdit::returnPressed, this, &PgUpdate::slotElDelayValueChanged);
    connect(m_elDelayEnabled, &QCheckBox::stateChanged, this, &PgUpdate::slotElDelayEnabled);
    MWAbstractPage::initUiActions();
}

void PgUpdate::retranslateUi()
{
    if (!m_grid)
        return;
    m_idTitle->setText(qtTrId("lp_pupdate_id"));
    m_versionTitle->setText(qtTrId("lp_pupdate_current_version"));
    m_actualTitle->setText(qtTrId("lp_pupdate_actual_version"));
    m_elDelayTitle->setText(qtTrId("lp_pupdate_el_delay_title"));
    m_elDelayValueTitle->setText(qtTrId("lp_pupdate_el_delay_value"));
    m_elDelayUnit->setText(qtTrId("lp_units_picosec"));
    m_elDelayEnabled->setText(qtTrId("lp_pupdate_el_delay_enabled"));
    m_check->setText(qtTrId("lp_pupdate_btn_check"));
    m_update->setText(qtTrId("lp_pupdate_btn_update"));
    slotLoadedLang();
}

void PgUpdate::slotLoadedLang()
{
    if (!m_progress)
        return;
    m_progress->setWindowTitle(qtTrId("lp_window_title"));
    m_progress->setLabelText(qtTrId("lp_pupdate_updating"));
}

bool PgUpdate::eventFilter(QObject* watched, QEvent* event)
{
    // Only the page closes the progress dialog: the transfer goes on whatever the user presses.
    if (watched == m_progress) {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return true;
    }
    return MWAbstractPage::eventFilter(watched, event);
}

void PgUpdate::present(EBox kind, QMessageBox::Icon icon, const char* titleId, const QString& text,
                       QMessageBox::StandardButtons buttons, Answer then)
{
    TBox box;
    box.kind = kind;
    box.icon = icon;
    box.title = qtTrId(titleId);
    box.text = text;
    box.buttons = buttons;
    if (m_presenter) {
        const QMessageBox::StandardButton chosen = m_presenter(box);
        if (then)
            then(chosen);
        return;
    }
    auto* message = new QMessageBox(icon, box.title, box.text, buttons, m_window);
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->setWindowModality(Qt::WindowModal);
    connect(message, &QMessageBox::finished, this, [then](int result) {
        if (then)
            then(QMessageBox::StandardButton(result));
    });
    message->open();
}

QString PgUpdate::serverFailureReason(EServerCommands result)
{
    switch (result) {
    case EServerCommands::UNDEFINED:
        return qtTrId("lp_pupdate_reason_no_server");
    case EServerCommands::E_REQUEST_TIMEOUT:
    case EServerCommands::E_LOST_INTERNET_CONNECTION:
        return qtTrId("lp_pupdate_reason_unreachable");
    case EServerCommands::E_BIN_NOT_FOUND:
    case EServerCommands::E_UPDATE_NOT_AVAILABLE:
        return qtTrId("lp_pupdate_reason_no_file");
    default:
        return qtTrId("lp_pupdate_reason_refused");
    }
}

bool PgUpdate::isUpdateBusy()
{
    return FirmwareUpdater::isUpdateUnderway() || DeviceManager::deviceInfo().updatePending;
}

bool PgUpdate::isReopenPending()
{
    return FirmwareUpdater::isReopenPending();
}

void PgUpdate::showDeviceInfo()
{
    const ZData::TDeviceInfo& info = DeviceManager::deviceInfo();
    m_deviceId->setText(info.identifier.isEmpty() ? notAvailable() : info.identifier);
    m_deviceVersion->setText(info.firmwareVersion.isValid() ? info.firmwareVersion.toString()
                                                            : notAvailable());
}

void PgUpdate::offerUpdate(bool offered)
{
    m_update->setEnabled(offered && SerialPort::isOpen() && !isUpdateBusy());
}

void PgUpdate::closeProgress()
{
    m_updateInProgress = false;
    if (m_progress)
        m_progress->reset();
}

void PgUpdate::slotDeviceStartup()
{
    if (!m_grid)
        return;
    showDeviceInfo();
    // A device that starts up on its way through an update gets no check until the update ends.
    m_check->setEnabled(SerialPort::isOpen() && !isUpdateBusy());
}

void PgUpdate::slotUpdateIsRequired()
{
    if (!m_grid)
        return;
    slotDeviceStartup();
    m_check->click();
}

void PgUpdate::slotCheckForUpdates()
{
    ZCore::TaggedLog(m_tag).info(QStringLiteral("<< 'check for updates' button was pressed"));
    if (!ServerManager::isConfigured()) {
        present(EBox::NO_SERVER, QMessageBox::Information, "lp_pupdate_no_server_title",
                qtTrId("lp_pupdate_no_server_text"));
        return;
    }
    // One question at a time: the answer (or its failure) enables the button again.
    m_check->setEnabled(false);
    FirmwareUpdater::checkForUpdates();
}

void PgUpdate::slotDeviceUpdateReply(const QString& actual_version)
{
    if (!m_grid)
        return;
    const VersionNumber newest(actual_version);
    m_actualVersion->setText(actual_version);
    m_check->setEnabled(SerialPort::isOpen() && !isUpdateBusy());
    if (!newest.isValid()) {
        // A text that is no version is a failed check, never a newer firmware.
        offerUpdate(false);
        present(EBox::CHECK_FAILED, QMessageBox::Warning, "lp_pupdate_check_failed_title",
                qtTrId("lp_pupdate_check_failed_text").arg(serverFailureReason(EServerCommands::E_UNKNOWN)));
        return;
    }
    const bool available = DeviceManager::deviceInfo().firmwareVersion < newest;
    offerUpdate(available);
    if (!available) {
        present(EBox::NO_UPDATE, QMessageBox::Information, "lp_pupdate_no_update_title",
                qtTrId("lp_pupdate_no_update_text"));
        return;
    }
    present(EBox::NEW_UPDATE, QMessageBox::Question, "lp_pupdate_new_update_title",
            qtTrId("lp_pupdate_new_update_text")
                .arg(DeviceManager::deviceInfo().firmwareVersion.toString(), newest.toString()),
            QMessageBox::Yes | QMessageBox::No, [this](QMessageBox::StandardButton chosen) {
                if (chosen == QMessageBox::Yes && m_update->isEnabled())
                    m_update->click();
            });
}

void PgUpdate::slotUpdateCheckFailed(EServerCommands result)
{
    if (!m_grid)
        return;
    m_actualVersion->setText(notAvailable());
    offerUpdate(false);
    m_check->setEnabled(SerialPort::isOpen() && !isUpdateBusy());
    if (result == EServerCommands::UNDEFINED) {
        present(EBox::NO_SERVER, QMessageBox::Information, "lp_pupdate_no_server_title",
                qtTrId("lp_pupdate_no_server_text"));
        return;
    }
    present(EBox::CHECK_FAILED, QMessageBox::Warning, "lp_pupdate_check_failed_title",
            qtTrId("lp_pupdate_check_failed_text").arg(serverFailureReason(result)));
}

void PgUpdate::slotDoUpdate()
{
    ZCore::TaggedLog(m_tag).info(QStringLiteral("<< 'update firmware' button was pressed"));
    // Disabled from the click until the update ends: a second click must not fetch a second file.
    m_check->setEnabled(false);
    m_update->setEnabled(false);
    if (!SerialPort::isOpen())
        return;
    if (!ServerManager::isConfigured()) {
        // Rebooting into the bootloader would leave the device waiting for a file that cannot come.
        present(EBox::NO_SERVER, QMessageBox::Information, "lp_pupdate_no_server_title",
                qtTrId("lp_pupdate_no_server_text"));
        m_check->setEnabled(true);
        return;
    }
    const bool inBootloader =
        DeviceManager::deviceInfo().deviceState == quint8(ZData::EDeviceStates::BOOTLOADER);
    if (inBootloader) {
        // Nothing the device runs is replaced: it waits for firmware anyway.
        FirmwareUpdater::startFirmwareUpdate();
        return;
    }
    askAndStartUpdate();
}

void PgUpdate::askAndStartUpdate()
{
    const VersionNumber newest(m_actualVersion->text());
    const QString version = newest.isValid() ? newest.toString() : qtTrId("lp_pupdate_newest_unknown");
    present(EBox::REBOOT_UPDATE, QMessageBox::Question, "lp_pupdate_reboot_update_title",
            qtTrId("lp_pupdate_reboot_update_text").arg(version), QMessageBox::Ok | QMessageBox::Cancel,
            [this](QMessageBox::StandardButton chosen) {
                // The device is touched only now, and only if it is still there to be updated.
                if (chosen == QMessageBox::Ok && SerialPort::isOpen() &&
                    FirmwareUpdater::startFirmwareUpdate())
                    return;
                m_check->setEnabled(SerialPort::isOpen() && !isUpdateBusy());
                offerUpdate(true);
            });
}

void PgUpdate::slotUpdateStarted()
{
    if (!m_grid)
        return;
    m_check->setEnabled(false);
    m_update->setEnabled(false);
    m_updateInProgress = true;
}

void PgUpdate::slotUpdateProgress(int progress)
{
    if (!m_progress)
        return;
    if (m_progress->isHidden()) {
        m_progress->setCancelButton(nullptr);
        m_progress->setLabelText(qtTrId("lp_pupdate_updating"));
        m_progress->open();
    }
    m_updateInProgress = true;
    m_check->setEnabled(false);
    m_update->setEnabled(false);
    m_progressBar->setValue(qBound(0, progress, 100));
}

void PgUpdate::slotUpdateFinished()
{
    if (!m_grid)
        return;
    // The update ends when the device runs the new firmware: until then the dialog stays and says
    // what happens.
    if (m_progress && m_progress->isVisible())
        m_progress->setLabelText(qtTrId("lp_pupdate_restarting"));
}

void PgUpdate::slotUpdateCompleted(const QString& version)
{
    if (!m_grid)
        return;
    closeProgress();
    present(EBox::FINISHED, QMessageBox::Information, "lp_pupdate_reboot_app_title",
            qtTrId("lp_pupdate_reboot_app_text").arg(version));
}

void PgUpdate::slotDeviceNotBack()
{
    if (!m_grid)
        return;
    closeProgress();
    present(EBox::NOT_BACK, QMessageBox::Warning, "lp_pupdate_not_back_title",
            qtTrId("lp_pupdate_not_back_text"));
}

void PgUpdate::slotUpdateFailed(EServerCommands result)
{
    if (!m_grid)
        return;
    closeProgress();
    m_check->setEnabled(SerialPort::isOpen() && !isUpdateBusy());
    offerUpdate(true);
    present(EBox::DOWNLOAD_FAILED, QMessageBox::Warning, "lp_pupdate_update_failed_title",
            qtTrId("lp_pupdate_download_failed_text").arg(serverFailureReason(result)));
}

void PgUpdate::slotSignalLost()
{
    if (!m_grid)
        return;
    closeProgress();
    present(EBox::INTERRUPTED, QMessageBox::Warning, "lp_pupdate_update_failed_title",
            qtTrId("lp_pupdate_interrupted_text"));
}

void PgUpdate::slotGotBootloaderDevice()
{
    if (!m_grid)
        return;
    // Also the end of an update whose image the device did not take.
    closeProgress();
    showDeviceInfo();
    m_check->setEnabled(SerialPort::isOpen() && !isUpdateBusy());
    offerUpdate(true);
    if (!m_update->isEnabled())
        return;
    present(EBox::BOOTLOADER, QMessageBox::Question, "lp_pupdate_bootloader_title",
            qtTrId("lp_pupdate_bootloader_text"), QMessageBox::Yes | QMessageBox::No,
            [this](QMessageBox::StandardButton chosen) {
                if (chosen == QMessageBox::Yes && m_update->isEnabled())
                    m_update->click();
            });
}

void PgUpdate::slotPortClosed()
{
    if (!m_grid)
        return;
    // A close that a later open has already undone changes nothing: that connection's start-up
    // fills the page again.
    if (!SerialPort::isOpen()) {
        m_deviceId->setText(notAvailable());
        m_deviceVersion->setText(notAvailable());
        m_actualVersion->setText(notAvailable());
        m_check->setEnabled(false);
        m_update->setEnabled(false);
    }
}

void PgUpdate::slotElDelayValueChanged()
{
    bool ok = false;
    const int value = m_elDelay->text().trimmed().toInt(&ok, 10);
    if (ok)
        DataScanManager::setElDelayValue(
            qBound(-DataScanManager::MAX_EL_DELAY_PS, value, DataScanManager::MAX_EL_DELAY_PS), true);
    m_elDelay->setText(QString::number(DataScanManager::elDelayValue()));
}

void PgUpdate::slotElDelayEnabled()
{
    if (m_restoring)
        return;
    DataScanManager::setElDelayEnabled(m_elDelayEnabled->isChecked(), true);
}

void PgUpdate::saveSettings()
{
    const ZCore::TaggedLog log(m_tag);
    log.info(QStringLiteral(">> MW_Pages::PgUpdate::saveSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.critical("lp_err_cant_write_settings");
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::DEVICE));
    settings->setValue(QStringLiteral("el_delay_value"), DataScanManager::elDelayValue());
    settings->setValue(QStringLiteral("el_delay_enabled"), DataScanManager::isElDelayEnabled());
    settings->endGroup();
}

void PgUpdate::restoreSettings()
{
    const ZCore::TaggedLog log(m_tag);
    log.info(QStringLiteral(">> MW_Pages::PgUpdate::restoreSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings || !m_grid) {
        log.warn(QStringLiteral(">> no settings loaded"));
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::DEVICE));
    bool ok = false;
    const qlonglong stored = settings->value(QStringLiteral("el_delay_value"), 0).toLongLong(&ok);
    const bool enabled = settings->value(QStringLiteral("el_delay_enabled"), false).toBool();
    settings->endGroup();
    // A hand-edited profile may hold anything: the field never shows a value the manager refuses.
    const qint32 value = ok ? qint32(qBound<qlonglong>(-DataScanManager::MAX_EL_DELAY_PS, stored,
                                                       DataScanManager::MAX_EL_DELAY_PS))
                            : 0;
    m_restoring = true;
    m_elDelay->setText(QString::number(value));
    DataScanManager::setElDelayValue(value, false);
    m_elDelayEnabled->setChecked(enabled);
    DataScanManager::setElDelayEnabled(enabled, false);
    m_restoring = false;
}

} // namespace MW_Pages
