#include "core/utility/UI.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>
#include <QtDebug>

namespace ZCore {
namespace UtilityModules {

void UI::fitListToEntries(QComboBox* box)
{
    if (!box)
        return;
    QAbstractItemView* list = box->view();
    // Measured in the font the style sheet gives the list, not the one it was built with.
    list->ensurePolished();
    // Room for the scroll bar too: a long list shows one and it must not cover the entries.
    const int frame = 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width();
    list->setMinimumWidth(list->sizeHintForColumn(0) + frame);
}

void UI::setWidgetAtScreenCenter(QWidget* widget, QScreen* screen)
{
    qWarning().noquote().nospace() << tag() << " >> "
                                   << "ZCore::UtilityModules::UI::setWidgetAtScreenCenter"
                                   << " [ " << (widget ? widget->objectName() : QString()) << " ]";
    if (!widget) {
        qWarning().noquote().nospace() << tag() << " >> given widget is nullptr";
        return;
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QPoint center = screen->geometry().center();
    const int halfWidth = qRound(widget->width() * 0.5);
    const int halfHeight = qRound(widget->height() * 0.5);
    widget->move(center.x() - halfWidth, center.y() - halfHeight);
}

void UI::tryToFixWidgetScreenPos(QWidget* widget)
{
    qWarning().noquote().nospace() << tag() << " >> "
                                   << "ZCore::UtilityModules::UI::tryToFixWidgetScreenPos"
                                   << " [ " << (widget ? widget->objectName() : QString()) << " ]";
    if (!widget) {
        qWarning().noquote().nospace() << tag() << " >> given widget is nullptr";
        return;
    }
    if (!QGuiApplication::screenAt(widget->frameGeometry().center())) {
        setWidgetAtScreenCenter(widget, QGuiApplication::primaryScreen());
        return;
    }
    qDebug().noquote().nospace() << tag() << " >> no need to fix pos of the given widget";
}

QRect UI::initialGeometry(const QRect& available, const QSize& minimum)
{
    QSize size(qRound(available.width() * FIRST_START_SHARE), qRound(available.height() * FIRST_START_SHARE));
    size = size.expandedTo(minimum).boundedTo(available.size());
    QRect rect(QPoint(0, 0), size);
    rect.moveCenter(available.center());
    return rect;
}

QRect UI::fittedGeometry(const QRect& wanted, const QRect& available)
{
    QRect rect(wanted.topLeft(), wanted.size().boundedTo(available.size()));
    if (!rect.intersects(available)) {
        rect.moveCenter(available.center());
        return rect;
    }
    if (rect.right() > available.right())
        rect.moveRight(available.right());
    if (rect.bottom() > available.bottom())
        rect.moveBottom(available.bottom());
    if (rect.left() < available.left())
        rect.moveLeft(available.left());
    if (rect.top() < available.top())
        rect.moveTop(available.top());
    return rect;
}

void UI::setTextColor(QWidget* widget, const QColor& color)
{
    if (!widget)
        return;
    widget->setStyleSheet(QString("color: rgb(%1, %2, %3); %4")
                              .arg(color.red())
                              .arg(color.green())
                              .arg(color.blue())
                              .arg(widget->styleSheet()));
}

void UI::setPaletteColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    if (!widget)
        return;
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

void UI::setButtonGroupColor(QButtonGroup* group, QPalette::ColorRole role, const QColor& color)
{
    if (!group)
        return;
    for (QAbstractButton* button : group->buttons())
        setPaletteColor(button, role, color);
}

void UI::setButtonGroupEnabled(QButtonGroup* group, bool enabled)
{
    if (!group)
        return;
    for (QAbstractButton* button : group->buttons())
        button->setEnabled(enabled);
}

bool UI::loadStyleSheet(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QString sheet = QString::fromUtf8(file.readAll());
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        app->setStyleSheet(sheet);
        return true;
    }
    return false;
}

} // namespace UtilityModules
} // namespace ZCore
