#pragma once

#include "ui/pages/MWAbstractPage.h"

namespace MW_Pages {

// The settings page. For now the page shows only its header row; its contents are built here.
class PgSettings : public MWAbstractPage
{
    Q_OBJECT

public:
    explicit PgSettings(QObject* parent = nullptr) : MWAbstractPage(parent) {}

    static QString staticTag() { return QStringLiteral("MW_Pages::PgSettings"); }
};

} // namespace MW_Pages
