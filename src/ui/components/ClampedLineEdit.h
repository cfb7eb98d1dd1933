#pragma once

#include <QLineEdit>

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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_hasFocus = false;
    bool m_clampingEnabled = false;
};

} // namespace Components
} // namespace Ui
