#include "ui/components/ClampedLineEdit.h"

#include <QIntValidator>
#include <QKeyEvent>
#include <QToolTip>

#include "core/TaggedLog.h"
#include "ui/components/ZDoubleValidator.h"

#include <cmath>

namespace Ui {
namespace Components {

ClampedLineEdit::ClampedLineEdit(QWidget* parent) : QLineEdit(parent)
{
    m_noticeTimer.setSingleShot(true);
    m_noticeTimer.setInterval(NOTICE_MS);
    connect(&m_noticeTimer, &QTimer::timeout, this, [this] {
        m_notice.clear();
        setToolTip(QString());
    });
}

void ClampedLineEdit::showNotice(const QString& text)
{
    m_notice = text;
    setToolTip(text);
    if (isVisible())
        QToolTip::showText(mapToGlobal(QPoint(0, height())), text, this, QRect(), NOTICE_MS);
    m_noticeTimer.start();
    emit signalNotice(text);
}

void ClampedLineEdit::enableClamping()
{
    if (m_clampingEnabled)
        return;
    m_clampingEnabled = true;
    connect(this, &QLineEdit::inputRejected, this, &ClampedLineEdit::clamp);
}

const QValidator* ClampedLineEdit::currentValidator() const
{
    return validator();
}

void ClampedLineEdit::clamp()
{
    const ZCore::TaggedLog log(tag());
    const QValidator* current = currentValidator();
    if (!current) {
        log.warn(QStringLiteral(">> validator is not set"));
        return;
    }
    if (auto* dv = qobject_cast<const ZDoubleValidator*>(current)) {
        bool ok = false;
        const double value = dv->value(text(), &ok);
        if (!ok) {
            log.warn(
                QStringLiteral(">> ZDoubleValidator was used but value cannot be casted to double type: ") +
                text());
            return;
        }
        // Taking the size of a negative frequency would read something the user did not type.
        if (value < 0.0 && dv->bottom() >= 0.0 && dv->hasFrequencySuffixes()) {
            showNotice(qtTrId("lp_entry_refused_negative").arg(text()));
            return;
        }
        const double v = ZDoubleValidator::clampToGrid(value, dv->bottom(), dv->top(), dv->decimals());
        const QString taken = ZDoubleValidator::format(v, 2);
        // Half a grid step: only a value moved to a bound is news, not one rounded onto the grid.
        if (std::fabs(v - value) > 0.5 * std::pow(10.0, -dv->decimals()))
            showNotice(qtTrId("lp_entry_clamped")
                           .arg(text(), taken, ZDoubleValidator::format(dv->bottom(), 2),
                                ZDoubleValidator::format(dv->top(), 2)));
        setText(taken);
        return;
    }
    if (auto* iv = qobject_cast<const QIntValidator*>(current)) {
        bool ok = false;
        const qlonglong value = text().trimmed().toLongLong(&ok, 10);
        if (!ok) {
            log.warn(QStringLiteral(">> QIntValidator was used but value cannot be casted to int type: ") +
                     text());
            return;
        }
        setText(QString::number(qBound<qlonglong>(iv->bottom(), value, iv->top())));
        return;
    }
    log.debug(QStringLiteral(
        ">> current validator doesn't appear to be neither QIntValidator nor ZDoubleValidator"));
}

void ClampedLineEdit::step(bool up)
{
    const ZCore::TaggedLog log(tag());
    const QValidator* current = currentValidator();
    if (qobject_cast<const ZDoubleValidator*>(current)) {
        bool ok = false;
        const double value = qobject_cast<const ZDoubleValidator*>(current)->value(text(), &ok);
        if (!ok) {
            log.warn(QStringLiteral(">> change value can't parse given text as double: ") + text());
            return;
        }
        setText(ZDoubleValidator::format(value + (up ? STEP : -STEP), 2));
        clamp();
        return;
    }
    if (qobject_cast<const QIntValidator*>(current)) {
        bool ok = false;
        const qlonglong value = text().trimmed().toLongLong(&ok, 10);
        if (!ok) {
            log.warn(QStringLiteral(">> change value can't parse given text as double: ") + text());
            return;
        }
        setText(QString::number(value + (up ? qlonglong(STEP) : -qlonglong(STEP))));
        clamp();
        return;
    }
    log.debug(QStringLiteral(
        ">> current validator doesn't appear to be neither QIntValidator nor QDoubleValidator"));
}

void ClampedLineEdit::fitLengthToValidator(int minimum)
{
    int length = minimum;
    if (auto* dv = qobject_cast<const ZDoubleValidator*>(currentValidator())) {
        length = qMax(length, ZDoubleValidator::format(dv->top(), dv->decimals()).size());
        length = qMax(length, ZDoubleValidator::format(dv->bottom(), dv->decimals()).size());
    }
    if (maxLength() != length)
        setMaxLength(length);
}

void ClampedLineEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        clamp();
        break;
    case Qt::Key_Up:
        step(true);
        break;
    case Qt::Key_Down:
        step(false);
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void ClampedLineEdit::focusInEvent(QFocusEvent* event)
{
    m_hasFocus = true;
    QLineEdit::focusInEvent(event);
}

void ClampedLineEdit::focusOutEvent(QFocusEvent* event)
{
    m_hasFocus = false;
    QLineEdit::focusOutEvent(event);
}

} // namespace Components
} // namespace Ui
