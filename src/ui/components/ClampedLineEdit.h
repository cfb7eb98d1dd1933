#pragma once

#include <QLineEdit>
#include <QTimer>

#include "core/ITaggable.h"

class QValidator;

namespace Ui {
namespace Components {

// A line edit that never keeps a rejected entry: rejected input and Return pull the text to the
// nearest value its validator (integer or ZDoubleValidator) accepts; Up and Down step it by 5.
class ClampedLineEdit : public QLineEdit, public ZCore::ITaggable
{
    Q_OBJECT

public:
    static constexpr double STEP = 5.0;

    explicit ClampedLineEdit(QWidget* parent = nullptr);

    static QString staticTag() { return QStringLiteral("Ui::Components::ClampedLineEdit"); }
    QString tag() const override { return staticTag(); }

    virtual void enableClamping();
    virtual void clamp();
    virtual void step(bool up);
    virtual const QValidator* currentValidator() const;

    // Gives the field room for the longest text its double validator accepts, never less than
    // minimum characters.
    void fitLengthToValidator(int minimum);
    bool hasFocusFlag() const { return m_hasFocus; }

    // Says, for a few seconds and without blocking, why the field does not hold what was typed: as
    // a tool tip at the field and as the field's tool tip until it expires.
    void showNotice(const QString& text);
    // The notice shown now; empty once it has expired.
    QString notice() const { return m_notice; }
    static constexpr int NOTICE_MS = 5000;

signals:
    void signalNotice(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_hasFocus = false;
    bool m_clampingEnabled = false;
    QString m_notice;
    QTimer m_noticeTimer;
};

} // namespace Components
} // namespace Ui
