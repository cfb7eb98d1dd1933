#include "ui/pages/PgCalib.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>

#include "calibration/CalibrationManager.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "devicelink/DeviceEnumPrinter.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"

using Ui::PageFileDialogs;
using ZData::CalibrationManager;
using ZData::DeviceManager;

namespace MW_Pages {

namespace {
struct TStandard
{
    int bit;
    const char* doName;
    const char* removeName;
};
constexpr TStandard kStandards[3] = {
    {PgCalib::OPEN, "b_calib_do_open", "b_calib_remove_open"},
    {PgCalib::SHORT, "b_calib_do_short", "b_calib_remove_short"},
    {PgCalib::LOAD, "b_calib_do_load", "b_calib_remove_load"},
};
} // namespace

PgCalib::PgCalib(QObject* parent) : MWAbstractPage(parent) {}

PgCalib::~PgCalib() = default;

QPushButton* PgCalib::button(const char* name) const
{
    return m_inner ? m_inner->findChild<QPushButton*>(QString::fromLatin1(name)) : nullptr;
}

void PgCalib::initUi()
{
    m_inner = scrollWidget(ZCommon::ENavBarMenuPages::CALIBRATION);
    QWidget* inner = m_inner;
    auto* grid = new QGridLayout(inner);
    grid->setObjectName(QStringLiteral("gridLayout_calib"));
    auto label = [inner](const char* name) {
        auto* l = new QLabel(inner);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto push = [inner](const char* name, const char* icon = nullptr) {
        auto* b = new QPushButton(inner);
        b->setObjectName(QString::fromLatin1(name));
        if (icon) {
            b->setIcon(QIcon(QString::fromLatin1(icon)));
            b->setIconSize(QSize(24, 24));
        }
        b->setEnabled(false);
        return b;
    };

    m_doGroup = new QButtonGroup(this);
    m_removeGroup = new QButtonGroup(this);
    const char* const titles[3] = {"label_18", "label_19", "label_20"};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(label(titles[row]), row, 0);
        QPushButton* doButton = push(kStandards[row].doName);
        QPushButton* removeButton = push(kStandards[row].removeName, ":/ui/remove");
        grid->addWidget(doButton, row, 1);
        grid->addWidget(removeButton, row, 2);
        m_doGroup->addButton(doButton, kStandards[row].bit);
        m_removeGroup->addButton(removeButton, kStandards[row].bit);
    }
    grid->addWidget(push("b_calib_remove_all", ":/ui/remove_all"), 3, 1, 1, 2);
    grid->addWidget(label("label_32"), 4, 0, 1, 3);
    grid->addWidget(label("label_21"), 5, 0);
    m_slot = new QComboBox(inner);
    m_slot->setObjectName(QStringLiteral("comb_calib_slot"));
    m_slot->addItem(QString(), 0);
    m_slot->setCurrentIndex(0);
    grid->addWidget(m_slot, 5, 1, 1, 2);
    grid->addWidget(push("b_calib_download", ":/ui/download"), 6, 0, 1, 3);
    grid->addWidget(push("b_calib_upload", ":/ui/upload"), 7, 0, 1, 3);
    grid->addWidget(push("b_calib_save_file", ":/ui/save"), 8, 0, 1, 3);
    grid->addWidget(push("b_calib_open_file", ":/ui/open_file"), 9, 0, 1, 3);
    grid->setRowStretch(10, 1);

    m_normal = button("b_calib_do_open")->palette().color(QPalette::Button);
    const QString suffix = CalibrationManager::fileExtension();
    m_saveDialog = PageFileDialogs::createSaveDialog(m_window, suffix);
    m_loadDialog = PageFileDialogs::createLoadDialog(m_window, suffix);
    m_slot->setItemData(0, 0);
    retranslateUi();
    MWAbstractPage::initUi();
}

void PgCalib::initUiActions()
{
    MWAbstractPage::initUiActions();
    CalibrationManager& calib = CalibrationManager::instance();
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &PgCalib::slotLoadedLang);
    connect(m_window, &MainWindow::signalSettingsRestored, this, &PgCalib::restoreSettings);
    connect(m_window, &MainWindow::signalSettingsSaved, this, &PgCalib::saveSettings);
    connect(&DeviceManager::instance(), &DeviceManager::signalGotDeviceParams, this,
            &PgCalib::slotGotDeviceParams);
    connect(m_doGroup, &QButtonGroup::idReleased, this, &PgCalib::slotDoCalib);
    connect(m_removeGroup, &QButtonGroup::idReleased, this, &PgCalib::slotRemoveCalib);
    connect(button("b_calib_remove_all"), &QPushButton::released, this,
            [] { CalibrationManager::resetToFactory(); });
    connect(&calib, &CalibrationManager::signalStartedCalibration, this, &PgCalib::slotStartedCalibration);
    connect(&calib, &CalibrationManager::signalSentCalibration, this, &PgCalib::slotSentCalibration);
    connect(&calib, &CalibrationManager::signalFinishedCalibType, this, &PgCalib::slotFinishedCalibType);
    connect(&calib, &CalibrationManager::signalFinishedCalibration, this, &PgCalib::slotFinishedCalibration);
    connect(button("b_calib_download"), &QPushButton::released, this, &PgCalib::slotDownloadCalib);
    connect(button("b_calib_upload"), &QPushButton::released, this, &PgCalib::slotUploadCalib);
    connect(button("b_calib_save_file"), &QPushButton::released, this, &PgCalib::slotCalibSaveFile);
    connect(m_saveDialog, &QFileDialog::finished, this, &PgCalib::slotProcessCalibSaveFile);
    connect(button("b_calib_open_file"), &QPushButton::released, this, &PgCalib::slotCalibLoadFile);
    connect(m_loadDialog, &QFileDialog::finished, this, &PgCalib::slotProcessCalibLoadFile);
    connect(m_slot, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PgCalib::slotChangedCalibSlot);
    connect(&ZData::DM::SerialPort::instance(), &ZData::DM::SerialPort::signalClosed, this,
            &PgCalib::slotPortClosed);
    connect(&DeviceManager::instance(), &DeviceManager::signalStartupFinished, this,
            &PgCalib::slotDeviceStartup);
}

void PgCalib::retranslateUi()
{
    if (!m_inner)
        return;
    auto text = [this](const char* name, const char* id) {
        if (auto* w = m_inner->findChild<QWidget*>(QString::fromLatin1(name))) {
            if (auto* l = qobject_cast<QLabel*>(w))
                l->setText(qtTrId(id));
            else if (auto* b = qobject_cast<QPushButton*>(w))
                b->setText(qtTrId(id));
        }
    };
    text("label_18", "lp_pcalib_open");
    text("label_19", "lp_pcalib_short");
    text("label_20", "lp_pcalib_load");
    for (const TStandard& s : kStandards)
        text(s.doName, "lp_pcalib_btn_do_calib");
    text("b_calib_remove_all", "lp_pcalib_btn_remove_all");
    text("label_32", "lp_pcalib_calib_device_title");
    text("label_21", "lp_pcalib_calib_slot");
    text("b_calib_download", "lp_pcalib_btn_download");
    text("b_calib_upload", "lp_pcalib_btn_upload");
    text("b_calib_save_file", "lp_pcalib_btn_save");
    text("b_calib_open_file", "lp_pcalib_btn_load");
    m_slot->setItemText(0, qtTrId("lp_pcalib_slot_factory"));
    m_saveDialog->setWindowTitle(qtTrId("lp_pgcalib_save_dialog_title"));
    m_loadDialog->setWindowTitle(qtTrId("lp_pgcalib_load_dialog_title"));
    const QStringList filters = qtTrId("lp_pgcalib_calib_file_filters").split(QStringLiteral(";;"));
    m_saveDialog->setNameFilters(filters);
    m_loadDialog->setNameFilters(filters);
}

void PgCalib::slotLoadedLang()
{
    retranslateUi();
}

void PgCalib::setColor(QPushButton* b, const QColor& color)
{
    if (!b)
        return;
    QPalette palette = b->palette();
    palette.setColor(QPalette::Button, color);
    b->setPalette(palette);
}

void PgCalib::setAllButtonsEnabled(bool enabled)
{
    const QList<QPushButton*> buttons = m_inner->findChildren<QPushButton*>();
    for (QPushButton* b : buttons)
        b->setEnabled(enabled);
}

void PgCalib::refresh()
{
    const QList<QPushButton*> buttons = m_inner->findChildren<QPushButton*>();
    for (QPushButton* b : buttons)
        setColor(b, m_normal);
    const ZData::CAL::CalibrationData& calibration = CalibrationManager::calibration();
    // Everything but saving a file makes the analyser work; a closed port must not get commands.
    const bool device = m_deviceReady;
    bool any = false;
    for (const TStandard& s : kStandards) {
        const bool measured = calibration.hasType(quint8(s.bit));
        any = any || measured;
        m_removeGroup->button(s.bit)->setEnabled(device && measured);
        QAbstractButton* doButton = m_doGroup->button(s.bit);
        doButton->setEnabled(device && !measured);
        setColor(qobject_cast<QPushButton*>(doButton), measured ? QColor(Qt::green) : m_normal);
    }
    button("b_calib_remove_all")->setEnabled(device && any);
    button("b_calib_save_file")->setEnabled(calibration.isComplete());
    button("b_calib_open_file")->setEnabled(device);
    button("b_calib_download")->setEnabled(device);
    applyUploadRule();
}

void PgCalib::applyUploadRule()
{
    const bool notFactory = m_slot->currentIndex() >= 0 && m_slot->currentData().toInt() != 0;
    button("b_calib_upload")
        ->setEnabled(m_deviceReady && notFactory && CalibrationManager::calibration().isComplete());
}

void PgCalib::slotStartedCalibration()
{
    setAllButtonsEnabled(false);
}

void PgCalib::slotSentCalibration()
{
    refresh();
}

void PgCalib::slotFinishedCalibration()
{
    refresh();
}

void PgCalib::slotFinishedCalibType()
{
    refresh();
}

void PgCalib::slotPortClosed()
{
    m_deviceReady = false;
    refresh();
}

void PgCalib::slotDeviceStartup()
{
    m_deviceReady = true;
    // A transfer started by the start-up redraws the buttons itself when it ends.
    if (!CalibrationManager::isTransferring())
        refresh();
}

void PgCalib::slotDoCalib(int calib_type)
{
    setColor(qobject_cast<QPushButton*>(m_doGroup->button(calib_type)), QColor(Qt::yellow));
    CalibrationManager::startCalibType(quint8(calib_type));
}

void PgCalib::slotRemoveCalib(int calib_type)
{
    CalibrationManager::clearCalibType(quint8(calib_type));
    refresh();
}

void PgCalib::slotDownloadCalib()
{
    const quint16 slot = quint16(m_slot->currentData().toUInt());
    setColor(button("b_calib_download"), QColor(Qt::yellow));
    CalibrationManager::readDeviceCalib(slot);
}

void PgCalib::slotUploadCalib()
{
    const quint16 slot = quint16(m_slot->currentData().toUInt());
    setColor(button("b_calib_upload"), QColor(Qt::yellow));
    setAllButtonsEnabled(false);
    if (!CalibrationManager::writeDeviceCalib(slot))
        refresh();
}

void PgCalib::slotChangedCalibSlot(int)
{
    applyUploadRule();
}

void PgCalib::slotGotDeviceParams(ZData::EDeviceOptions option)
{
    if (option != ZData::EDeviceOptions::PRESETS_COUNT) {
        ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> ignored option: ") +
                                      ZData::DeviceEnumPrinter::toString(option));
        return;
    }
    const bool blocked = m_slot->blockSignals(true);
    while (m_slot->count() > 1)
        m_slot->removeItem(m_slot->count() - 1);
    const quint32 presets = DeviceManager::deviceInfo().presetsCount;
    for (quint32 n = 1; n <= presets; ++n)
        m_slot->addItem(QString::number(n), n);
    m_slot->blockSignals(blocked);
    applyUploadRule();
}

void PgCalib::openFileDialog(QFileDialog* dialog, const char* missingId)
{
    const ZCore::TaggedLog log(m_tag);
    if (!dialog) {
        log.critical(missingId);
        return;
    }
    QString dir = CalibrationManager::deviceDir();
    if (dir.isEmpty() || !ZCore::UtilityModules::Path::dirExists(dir)) {
        dir.clear();
        log.critical("lp_pgcalib_no_device_dir");
    }
    dialog->setDirectory(dir);
    PageFileDialogs::open(dialog);
}

void PgCalib::slotCalibSaveFile()
{
    openFileDialog(m_saveDialog, "lp_pgcalib_save_dialog_failed");
}

void PgCalib::slotCalibLoadFile()
{
    openFileDialog(m_loadDialog, "lp_pgcalib_load_dialog_failed");
}

void PgCalib::slotProcessCalibSaveFile(int result)
{
    if (result != QDialog::Accepted) {
        ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> save dialog wasn't accepted"));
        return;
    }
    CalibrationManager::saveCalibFile(PageFileDialogs::firstSelected(m_saveDialog));
}

void PgCalib::slotProcessCalibLoadFile(int result)
{
    if (result != QDialog::Accepted) {
        ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> load dialog wasn't accepted"));
        return;
    }
    CalibrationManager::loadCalibFile(PageFileDialogs::firstSelected(m_loadDialog));
}

void PgCalib::saveSettings()
{
    const ZCore::TaggedLog log(m_tag);
    log.info(QStringLiteral(">> MW_Pages::PgCalib::saveSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.critical("lp_err_cant_write_settings");
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::CALIBRATION));
    settings->endGroup();
}

void PgCalib::restoreSettings()
{
    const ZCore::TaggedLog log(m_tag);
    log.info(QStringLiteral(">> MW_Pages::PgCalib::restoreSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.warn(QStringLiteral(">> no settings loaded"));
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::CALIBRATION));
    settings->endGroup();
}

} // namespace MW_Pages
