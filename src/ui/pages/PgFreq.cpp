#include "ui/pages/PgFreq.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QTimer>

#include "calibration/CalibrationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "devicelink/DeviceEnumPrinter.h"
#include "devicelink/DeviceManager.h"
#include "measurement/DataScanManager.h"
#include "ui/MainWindow.h"
#include "ui/components/ZFreqLineEdit.h"

using Ui::Components::ZFreqLineEdit;
using ZData::CalibrationManager;
using ZData::DataScanManager;

namespace MW_Pages {

namespace {
enum ELabel
{
    START,
    STOP,
    CENTER,
    SPAN,
    POINTS,
    BAND,
    MHZ_COUNT = 4,
};
} // namespace

PgFreq::PgFreq(QObject* parent) : MWAbstractPage(parent) {}

quint32 PgFreq::restoredPoints(qint64 points)
{
    using ZData::DS::RangeSliced;
    return quint32(qBound<qint64>(RangeSliced::MIN_POINTS, points, RangeSliced::MAX_POINTS));
}

quint8 PgFreq::boundedBandwidthIndex(qint64 index, int listSize)
{
    const qint64 top = listSize > 0 ? qMin<qint64>(listSize - 1, CalibrationManager::MAX_BANDWIDTH_INDEX)
                                    : CalibrationManager::MAX_BANDWIDTH_INDEX;
    return quint8(qBound<qint64>(0, index, top));
}

void PgFreq::initUi()
{
    QWidget* inner = scrollWidget(ZCommon::ENavBarMenuPages::FREQ);
    m_grid = new QGridLayout(inner);
    m_grid->setObjectName(QStringLiteral("gridLayout_5"));
    auto label = [inner](const char* name) {
        auto* l = new QLabel(inner);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto edit = [inner](const char* name, ZFreqLineEdit::EKind kind) {
        auto* e = new ZFreqLineEdit(inner);
        e->setObjectName(QString::fromLatin1(name));
        e->setKind(kind);
        return e;
    };
    m_start = edit("le_freq_start", ZFreqLineEdit::EKind::FREQUENCY);
    m_stop = edit("le_freq_stop", ZFreqLineEdit::EKind::FREQUENCY);
    m_center = edit("le_freq_center", ZFreqLineEdit::EKind::FREQUENCY);
    m_span = edit("le_freq_span", ZFreqLineEdit::EKind::SPAN);
    m_points = new QComboBox(inner);
    m_points->setObjectName(QStringLiteral("comb_freq_points"));
    m_band = new QComboBox(inner);
    m_band->setObjectName(QStringLiteral("comb_freq_band"));

    const char* const titles[6] = {"label_5", "label_6", "label_8", "label_12", "label_7", "label_9"};
    const char* const units[5] = {"label_15", "label_13", "label_14", "label_16", "label_25"};
    ZFreqLineEdit* edits[4] = {m_start, m_stop, m_center, m_span};
    for (int row = 0; row < 6; ++row) {
        m_labels[row] = label(titles[row]);
        m_grid->addWidget(m_labels[row], row, 0);
    }
    for (int row = 0; row < MHZ_COUNT; ++row) {
        m_grid->addWidget(edits[row], row, 1);
        QLabel* unit = label(units[row]);
        m_grid->addWidget(unit, row, 2);
    }
    m_grid->addWidget(m_points, POINTS, 1);
    m_grid->addWidget(m_band, BAND, 1);
    m_grid->addWidget(label(units[4]), BAND, 2);
    m_grid->setRowStretch(BAND + 1, 1);

    for (ZFreqLineEdit* e : edits) {
        e->enableClamping();
    }
    rebuildValidators();
    {
        const QSignalBlocker blocker(m_points);
        for (quint32 n = MIN_POINTS; n <= MAX_POINTS; n += POINTS_STEP)
            m_points->addItem(QString::number(n), n);
        m_points->setCurrentIndex(-1);
    }
    m_band->setCurrentIndex(-1);
    retranslateUi();
    MWAbstractPage::initUi();
}

void PgFreq::retranslateUi()
{
    if (!m_grid)
        return;
    const char* const ids[6] = {"lp_pfreq_start", "lp_pfreq_stop",   "lp_pfreq_center",
                                "lp_pfreq_span",  "lp_pfreq_points", "lp_pfreq_bw"};
    for (int i = 0; i < 6; ++i)
        m_labels[i]->setText(qtTrId(ids[i]));
    QWidget* inner = scrollWidget(ZCommon::ENavBarMenuPages::FREQ);
    for (const char* name : {"label_15", "label_13", "label_14", "label_16"})
        if (auto* unit = inner->findChild<QLabel*>(QString::fromLatin1(name)))
            unit->setText(qtTrId("lp_units_mhz"));
    if (auto* unit = inner->findChild<QLabel*>(QStringLiteral("label_25")))
        unit->setText(qtTrId("lp_units_khz"));
}

void PgFreq::initUiActions()
{
    using ZData::DS::RangeSliced;
    connect(m_window, &MainWindow::signalSettingsRestored, this, &PgFreq::restoreSettings);
    connect(m_window, &MainWindow::signalSettingsSaved, this, &PgFreq::saveSettings);
    connect(&ZData::DeviceManager::instance(), &ZData::DeviceManager::signalGotDeviceParams, this,
            &PgFreq::slotGotDeviceParams);
    connect(&DataScanManager::sweep(), &RangeSliced::signalUpdated, this, &PgFreq::slotRangeUpdated);

    auto onReturn = [this](ZFreqLineEdit* edit, void (RangeSliced::*setter)(double, bool), ELabel field) {
        connect(edit, &ZFreqLineEdit::returnPressed, this, [this, edit, setter, field] {
            bool ok = false;
            const double hz = edit->valueHz(&ok);
            if (ok)
                applyEntry(edit, field, hz, setter);
            refresh();
        });
        // A refused entry leaves the sweep as it was, and the field shows it again.
        connect(edit, &ZFreqLineEdit::signalNotice, this, [this] {
            if (!m_refreshing)
                QTimer::singleShot(0, this, &PgFreq::refresh);
        });
    };
    onReturn(m_start, &RangeSliced::setStart, START);
    onReturn(m_stop, &RangeSliced::setStop, STOP);
    onReturn(m_center, &RangeSliced::setCenter, CENTER);
    onReturn(m_span, &RangeSliced::setSpan, SPAN);
    connect(m_points, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (m_refreshing)
            return;
        bool ok = false;
        const uint n = text.toUInt(&ok, 10);
        if (ok)
            DataScanManager::sweep().setPoints(n, true);
        refresh();
    });
    connect(m_band, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        // A cleared list reports -1; that is no choice at all, never a bandwidth.
        if (m_refreshing || index < 0)
            return;
        CalibrationManager::setBandwidthIndex(quint8(index));
    });
    MWAbstractPage::initUiActions();
}

void PgFreq::applyEntry(ZFreqLineEdit* edit, int field, double hz,
                        void (ZData::DS::RangeSliced::*setter)(double, bool))
{
    using ZData::DS::RangeSliced;
    RangeSliced& sweep = DataScanManager::sweep();
    RangeSliced trial(sweep);
    (trial.*setter)(hz, false);
    if (!(trial.span() > 0.0)) {
        edit->showNotice(qtTrId("lp_pfreq_refused_zero_span"));
        return;
    }
    const RangeSliced before(sweep);
    (sweep.*setter)(hz, true);
    auto mhz = [](double v) { return QString::number(v / 1e6, 'f', 2); };
    const double taken[4] = {sweep.start(), sweep.stop(), sweep.center(), sweep.span()};
    const QString title = m_labels[field]->text();
    // Compared as the fields show them: a rounding to the grid is no adjustment.
    if (mhz(taken[field]) != mhz(hz)) {
        edit->showNotice(qtTrId("lp_pfreq_took")
                             .arg(title, mhz(taken[field]), mhz(hz), mhz(sweep.deviceRange().first),
                                  mhz(sweep.deviceRange().second)));
        return;
    }
    // Each field has a partner the sweep's rules may move to honour it: start and stop pull each
    // other along when one crosses the other, a center near an end cuts the span, a span pushes the
    // center away from an end. The user must see that.
    const int partner[4] = {STOP, START, SPAN, CENTER};
    const double previous[4] = {before.start(), before.stop(), before.center(), before.span()};
    const int other = partner[field];
    if (mhz(taken[other]) != mhz(previous[other]))
        edit->showNotice(
            qtTrId("lp_pfreq_moved").arg(title, mhz(hz), m_labels[other]->text(), mhz(taken[other])));
}

void PgFreq::rebuildValidators()
{
    for (ZFreqLineEdit* e : {m_start, m_stop, m_center, m_span})
        e->rebuildValidator(DataScanManager::sweep());
}

void PgFreq::refresh()
{
    if (!m_grid)
        return;
    const ZData::DS::RangeSliced sweep(DataScanManager::sweep());
    m_refreshing = true;
    auto mhz = [](double hz) { return QString::number(hz / 1e6, 'f', 2); };
    m_start->setText(mhz(sweep.start()));
    m_stop->setText(mhz(sweep.stop()));
    m_center->setText(mhz(sweep.center()));
    m_span->setText(mhz(sweep.span()));
    // A count the list does not offer (a loaded calibration's, a remote client's) is shown as it is.
    const QString points = QString::number(sweep.points());
    if (m_points->findText(points) < 0) {
        int row = 0;
        while (row < m_points->count() && m_points->itemData(row).toUInt() < sweep.points())
            ++row;
        m_points->insertItem(row, points, sweep.points());
    }
    m_points->setCurrentText(points);
    if (m_band->count() > 0)
        m_band->setCurrentIndex(qMin(int(CalibrationManager::bandwidthIndex()), m_band->count() - 1));
    m_refreshing = false;
}

void PgFreq::slotRangeUpdated()
{
    rebuildValidators();
    refresh();
}

void PgFreq::rebuildBandList()
{
    const QSignalBlocker blocker(m_band);
    m_band->clear();
    const QVector<quint32>& bandwidths = ZData::DeviceManager::deviceInfo().bandwidths;
    for (int i = 0; i < bandwidths.size(); ++i)
        m_band->addItem(QString::number(bandwidths.at(i)), i);
    m_band->setCurrentIndex(
        m_band->count() > 0 ? qMin(int(CalibrationManager::bandwidthIndex()), m_band->count() - 1) : -1);
}

void PgFreq::slotGotDeviceParams(ZData::EDeviceOptions option)
{
    if (option == ZData::EDeviceOptions::BANDWIDTH) {
        rebuildBandList();
        return;
    }
    ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> ignored option: ") +
                                  ZData::DeviceEnumPrinter::toString(option));
}

void PgFreq::saveSettings()
{
    const ZCore::TaggedLog log(m_tag);
    log.info(QStringLiteral(">> MW_Pages::PgFreq::saveSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.critical("lp_err_cant_write_settings");
        return;
    }
    const ZData::DS::RangeSliced sweep(DataScanManager::sweep());
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::FREQUENCY));
    settings->setValue(QStringLiteral("start"), sweep.start());
    settings->setValue(QStringLiteral("end"), sweep.stop());
    settings->setValue(QStringLiteral("points_amount"), sweep.points());
    settings->setValue(QStringLiteral("bandwidth_idx"), uint(CalibrationManager::bandwidthIndex()));
    settings->endGroup();
}

void PgFreq::restoreSettings()
{
    const ZCore::TaggedLog log(m_tag);
    log.info(QStringLiteral(">> MW_Pages::PgFreq::restoreSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.warn(QStringLiteral(">> no settings loaded"));
        return;
    }
    ZData::DS::RangeSliced& sweep = DataScanManager::sweep();
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::FREQUENCY));
    bool ok = false;
    const double start = settings->value(QStringLiteral("start")).toDouble(&ok);
    if (ok)
        sweep.setStart(start, false);
    const double stop = settings->value(QStringLiteral("end")).toDouble(&ok);
    if (ok)
        sweep.setStop(stop, false);
    const qint64 points = settings->value(QStringLiteral("points_amount")).toLongLong(&ok);
    if (ok)
        sweep.setPoints(restoredPoints(points), false);
    const qint64 band = settings->value(QStringLiteral("bandwidth_idx")).toLongLong(&ok);
    settings->endGroup();
    if (ok) {
        const quint8 index =
            boundedBandwidthIndex(band, ZData::DeviceManager::deviceInfo().bandwidths.size());
        if (index != CalibrationManager::bandwidthIndex())
            CalibrationManager::setBandwidthIndex(index);
    }
    refresh();
}

} // namespace MW_Pages
