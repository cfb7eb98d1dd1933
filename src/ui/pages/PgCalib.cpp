#include "ui/pages/PgCalib.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>

#include "calibration/CalibrationManager.h"
#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "devicelink/DeviceEnumPrinter.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"
#include "ui/KitEditorDialog.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"
#include "ui/components/GroupTitleStyle.h"

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
    const char* stateName;
};
constexpr TStandard kStandards[3] = {
    {PgCalib::OPEN, "b_calib_do_open", "b_calib_remove_open", "l_calib_state_open"},
    {PgCalib::SHORT, "b_calib_do_short", "b_calib_remove_short", "l_calib_state_short"},
    {PgCalib::LOAD, "b_calib_do_load", "b_calib_remove_load", "l_calib_state_load"},
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
        // The standard's name and its state wrap rather than run under the page's scroll bar,
        // which a notice above the views brings up on a short window; the rows below span the
        // state column too, so they do not widen the columns beside it.
        QLabel* title = label(titles[row]);
        title->setWordWrap(true);
        grid->addWidget(title, row, 0);
        QPushButton* doButton = push(kStandards[row].doName);
        QPushButton* removeButton = push(kStandards[row].removeName, ":/ui/remove");
        grid->addWidget(doButton, row, 1);
        grid->addWidget(removeButton, row, 2);
        m_doGroup->addButton(doButton, kStandards[row].bit);
        m_removeGroup->addButton(removeButton, kStandards[row].bit);
        QLabel* state = label(kStandards[row].stateName);
        state->setWordWrap(true);
        grid->addWidget(state, row, 3);
    }
    grid->addWidget(push("b_calib_remove_all", ":/ui/remove_all"), 3, 1, 1, 3);
    grid->addWidget(label("label_32"), 4, 0, 1, 4);
    grid->addWidget(label("label_21"), 5, 0);
    m_slot = new QComboBox(inner);
    m_slot->setObjectName(QStringLiteral("comb_calib_slot"));
    m_slot->addItem(QString(), 0);
    m_slot->setCurrentIndex(0);
    grid->addWidget(m_slot, 5, 1, 1, 3);
    grid->addWidget(push("b_calib_download", ":/ui/download"), 6, 0, 1, 4);
    grid->addWidget(push("b_calib_upload", ":/ui/upload"), 7, 0, 1, 4);
    grid->addWidget(push("b_calib_save_file", ":/ui/save"), 8, 0, 1, 4);
    grid->addWidget(push("b_calib_open_file", ":/ui/open_file"), 9, 0, 1, 4);
    initKitUi(grid, 10);
    QLabel* active = label("l_calib_active");
    active->setWordWrap(true);
    active->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(active, 11, 0, 1, 4);
    grid->setRowStretch(12, 1);

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
    connect(&calib, &CalibrationManager::signalSourceChanged, this, &PgCalib::refreshStates);
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
    connect(m_kitCombo, QOverload<int>::of(&QComboBox::activated), this, &PgCalib::slotChangedKit);
    connect(button("b_calib_kit_edit"), &QPushButton::released, this, &PgCalib::slotEditKit);
    connect(&calib, &CalibrationManager::signalKitChanged, this, &PgCalib::slotKitChanged);
    connect(&calib, &CalibrationManager::signalCapturedSweep, this, &PgCalib::slotCapturedSweep);
    connect(&calib, &CalibrationManager::signalFinishedCalibration, this, &PgCalib::refreshKitInUse);
    connect(m_kitEditor, &Ui::KitEditorDialog::signalSaved, this, [this] { fillKitCombo(); });
    connect(m_calibAverage, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [](int n) { CalibrationManager::setAverageSweeps(n); });
    connect(m_liveAverage, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [](int n) { ZData::DataScanManager::setLiveAverage(n); });
    connect(&calib, &CalibrationManager::signalAverageSweepsChanged, this, [this](int n) {
        const QSignalBlocker block(m_calibAverage);
        m_calibAverage->setValue(n);
    });
    connect(&ZData::DataScanManager::instance(), &ZData::DataScanManager::signalLiveAverageChanged, this,
            [this](int n) {
                const QSignalBlocker block(m_liveAverage);
                m_liveAverage->setValue(qMax(n, 1));
            });
}

void PgCalib::initKitUi(QGridLayout* grid, int row)
{
    // The kit and averaging controls keep to a box of their own.
    auto* box = new QGroupBox(m_inner);
    box->setObjectName(QStringLiteral("gb_calib_kit"));
    Ui::Components::GroupTitleStyle::keepTitleWhole(box);
    auto* layout = new QGridLayout(box);
    auto label = [box](const char* name) {
        auto* l = new QLabel(box);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    layout->addWidget(label("l_calib_kit"), 0, 0);
    m_kitCombo = new QComboBox(box);
    m_kitCombo->setObjectName(QStringLiteral("comb_calib_kit"));
    m_kitCombo->installEventFilter(this);
    layout->addWidget(m_kitCombo, 0, 1);
    auto* edit = new QPushButton(box);
    edit->setObjectName(QStringLiteral("b_calib_kit_edit"));
    layout->addWidget(edit, 0, 2);
    m_kitInUse = label("l_calib_kit_in_use");
    m_kitInUse->setWordWrap(true);
    layout->addWidget(m_kitInUse, 1, 0, 1, 3);
    layout->addWidget(label("l_calib_average"), 2, 0, 1, 2);
    m_calibAverage = new QSpinBox(box);
    m_calibAverage->setObjectName(QStringLiteral("sb_calib_average"));
    m_calibAverage->setRange(1, CalibrationManager::MAX_AVERAGE_SWEEPS);
    m_calibAverage->setValue(CalibrationManager::averageSweeps());
    layout->addWidget(m_calibAverage, 2, 2);
    layout->addWidget(label("l_live_average"), 3, 0, 1, 2);
    m_liveAverage = new QSpinBox(box);
    m_liveAverage->setObjectName(QStringLiteral("sb_live_average"));
    // 1 sweep is no averaging: the lowest value reads as off.
    m_liveAverage->setRange(1, ZData::DataScanManager::MAX_LIVE_AVERAGE);
    m_liveAverage->setValue(qMax(ZData::DataScanManager::liveAverage(), 1));
    layout->addWidget(m_liveAverage, 3, 2);
    m_kitStatus = label("l_calib_kit_status");
    m_kitStatus->setWordWrap(true);
    layout->addWidget(m_kitStatus, 4, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    grid->addWidget(box, row, 0, 1, 4);
    m_kitEditor = new Ui::KitEditorDialog(m_window);
    fillKitCombo();
}

void PgCalib::fillKitCombo()
{
    const QStringList names = CalibrationManager::kitNames();
    const QSignalBlocker block(m_kitCombo);
    m_kitCombo->clear();
    for (const QString& name : names) {
        // The built-in kit's name is translated; the item data is what the manager knows it by.
        m_kitCombo->addItem(name == QLatin1String(ZData::CAL::CalibrationKit::IDEAL_NAME)
                                ? qtTrId("lp_pcalib_kit_ideal")
                                : name,
                            name);
    }
    m_kitCombo->setCurrentIndex(qMax(0, m_kitCombo->findData(CalibrationManager::kit().name)));
}

bool PgCalib::eventFilter(QObject* watched, QEvent* event)
{
    // Kit files copied into the folder by hand show up the next time the list is opened.
    if (watched == m_kitCombo && event->type() == QEvent::MouseButtonPress)
        fillKitCombo();
    return MWAbstractPage::eventFilter(watched, event);
}

void PgCalib::slotChangedKit(int index)
{
    QString error;
    if (!CalibrationManager::setKit(m_kitCombo->itemData(index).toString(), &error)) {
        m_kitStatus->setText(qtTrId("lp_pcalib_kit_refused") + error);
        fillKitCombo();
    }
}

void PgCalib::slotEditKit()
{
    m_kitEditor->setKit(CalibrationManager::kit());
    m_kitEditor->show();
    m_kitEditor->raise();
}

void PgCalib::slotKitChanged(const QString& reason)
{
    m_kitStatus->setText(reason.isEmpty() ? QString() : qtTrId("lp_pcalib_kit_fallback") + reason);
    fillKitCombo();
}

void PgCalib::slotCapturedSweep(int done, int total)
{
    if (total > 1)
        m_kitStatus->setText(qtTrId("lp_pcalib_captured_sweeps").arg(done).arg(total));
}

QString PgCalib::kitStatusText() const
{
    return m_kitStatus ? m_kitStatus->text() : QString();
}

QString PgCalib::kitInUseText() const
{
    return m_kitInUse ? m_kitInUse->text() : QString();
}

void PgCalib::refreshKitInUse()
{
    if (!m_kitInUse)
        return;
    QString kit;
    switch (CalibrationManager::kitRecord()) {
    case CalibrationManager::EKitRecord::NONE:
        kit = qtTrId("lp_pcalib_kit_in_use_none");
        break;
    case CalibrationManager::EKitRecord::FACTORY:
        kit = qtTrId("lp_pcalib_kit_in_use_factory");
        break;
    case CalibrationManager::EKitRecord::UNRECORDED:
        kit = qtTrId("lp_pcalib_kit_in_use_unrecorded");
        break;
    case CalibrationManager::EKitRecord::KIT: {
        const QString name = CalibrationManager::calibrationKit().name;
        kit = name == QLatin1String(ZData::CAL::CalibrationKit::IDEAL_NAME) ? qtTrId("lp_pcalib_kit_ideal")
                                                                            : name;
        break;
    }
    }
    m_kitInUse->setText(qtTrId("lp_pcalib_kit_in_use").arg(kit));
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
    if (auto* box = m_inner->findChild<QGroupBox*>(QStringLiteral("gb_calib_kit")))
        box->setTitle(qtTrId("lp_pcalib_kit_title"));
    m_inner->findChild<QLabel*>(QStringLiteral("l_calib_kit"))->setText(qtTrId("lp_pcalib_kit"));
    button("b_calib_kit_edit")->setText(qtTrId("lp_pcalib_btn_kit_edit"));
    m_inner->findChild<QLabel*>(QStringLiteral("l_calib_average"))->setText(qtTrId("lp_pcalib_average"));
    m_inner->findChild<QLabel*>(QStringLiteral("l_live_average"))->setText(qtTrId("lp_pcalib_live_average"));
    m_liveAverage->setSpecialValueText(qtTrId("lp_pcalib_live_average_off"));
    m_kitEditor->retranslateUi();
    fillKitCombo();
    refreshKitInUse();
    refreshStates();
}

void PgCalib::refreshStates()
{
    if (!m_inner)
        return;
    const ZData::CAL::CalibrationData& calibration = CalibrationManager::calibration();
    for (const TStandard& s : kStandards) {
        auto* state = m_inner->findChild<QLabel*>(QString::fromLatin1(s.stateName));
        if (!state)
            continue;
        const QDateTime at = CalibrationManager::measuredAt(quint8(s.bit));
        if (m_measuring == s.bit)
            state->setText(qtTrId("lp_pcalib_state_measuring"));
        else if (!calibration.hasType(quint8(s.bit)))
            state->setText(qtTrId("lp_pcalib_state_not_measured"));
        else if (at.isValid())
            state->setText(
                qtTrId("lp_pcalib_state_measured_at").arg(at.toString(QStringLiteral("HH:mm:ss"))));
        else
            state->setText(qtTrId("lp_pcalib_state_measured"));
    }
    if (auto* active = m_inner->findChild<QLabel*>(QStringLiteral("l_calib_active"))) {
        QString text = qtTrId("lp_pcalib_active").arg(CalibrationManager::sourceDescription());
        if (CalibrationManager::source() == CalibrationManager::ESource::FILE) {
            // A path is one long word: a zero-width space after each separator lets it wrap there
            // instead of running off the panel.
            QString path = CalibrationManager::sourceFile();
            path.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
            text += QLatin1Char('\n') + qtTrId("lp_pcalib_active_file").arg(path);
        }
        active->setText(text);
    }
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
    // Editing a kit never makes the analyser work.
    button("b_calib_kit_edit")->setEnabled(true);
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
    refreshStates();
    button("b_calib_kit_edit")->setEnabled(true);
    refreshKitInUse();
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
    refreshStates();
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
    m_measuring = 0;
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
    m_measuring = calib_type;
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
    settings->setValue(QStringLiteral("kit"), CalibrationManager::kit().name);
    settings->setValue(QStringLiteral("calib_average"), CalibrationManager::averageSweeps());
    settings->setValue(QStringLiteral("live_average"), ZData::DataScanManager::liveAverage());
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
    const QString kit =
        settings->value(QStringLiteral("kit"), QLatin1String(ZData::CAL::CalibrationKit::IDEAL_NAME))
            .toString();
    const int calibAverage = settings->value(QStringLiteral("calib_average"), 1).toInt();
    const int liveAverage = settings->value(QStringLiteral("live_average"), 0).toInt();
    settings->endGroup();
    QString error;
    if (!CalibrationManager::setKit(kit, &error)) {
        // The profile names a kit that is gone or broken: the ideal kit, and the user is told.
        CalibrationManager::setKit(QLatin1String(ZData::CAL::CalibrationKit::IDEAL_NAME));
        m_kitStatus->setText(qtTrId("lp_pcalib_kit_fallback") + error);
    }
    // Counts a hand-edited profile puts out of range are left at what they were.
    if (CalibrationManager::setAverageSweeps(calibAverage))
        m_calibAverage->setValue(calibAverage);
    if (ZData::DataScanManager::setLiveAverage(liveAverage))
        m_liveAverage->setValue(qMax(ZData::DataScanManager::liveAverage(), 1));
    fillKitCombo();
}

} // namespace MW_Pages
