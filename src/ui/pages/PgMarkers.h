#pragma once

#include "ui/pages/MWAbstractPage.h"

namespace MW_Pages {

// The markers page. For now the page shows only its header row; its contents are built here.
class PgMarkers : public MWAbstractPage
{
    Q_OBJECT

public:
    explicit PgMarkers(QObject* parent = nullptr) : MWAbstractPage(parent) {}

    static QString staticTag() { return QStringLiteral("MW_Pages::PgMarkers"); }
};

} // namespace MW_Pages
