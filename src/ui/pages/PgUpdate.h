#pragma once

#include "ui/pages/MWAbstractPage.h"

namespace MW_Pages {

// The device page. For now the page shows only its header row; its contents are built here.
class PgUpdate : public MWAbstractPage
{
    Q_OBJECT

public:
    explicit PgUpdate(QObject* parent = nullptr) : MWAbstractPage(parent) {}

    static QString staticTag() { return QStringLiteral("MW_Pages::PgUpdate"); }
};

} // namespace MW_Pages
