#pragma once

#include "ui/pages/MWAbstractPage.h"

namespace MW_Pages {

// The device page. For now the page shows only its header row; its contents are built here.
// Its boxes and progress dialog answer the device manager's update reply and progress signals: those
// connections must be queued, so that no nested event loop starts inside a reply handler.
class PgUpdate : public MWAbstractPage
{
    Q_OBJECT

public:
    explicit PgUpdate(QObject* parent = nullptr) : MWAbstractPage(parent) {}

    static QString staticTag() { return QStringLiteral("MW_Pages::PgUpdate"); }
};

} // namespace MW_Pages
