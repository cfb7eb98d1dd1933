#pragma once

#include "ui/pages/MWAbstractPage.h"

namespace MW_Pages {

// The about page. For now the page shows only its header row; its contents are built here.
class PgAbout : public MWAbstractPage
{
    Q_OBJECT

public:
    explicit PgAbout(QObject* parent = nullptr) : MWAbstractPage(parent) {}

    static QString staticTag() { return QStringLiteral("MW_Pages::PgAbout"); }
};

} // namespace MW_Pages
