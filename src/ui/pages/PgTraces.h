#pragma once

#include "ui/pages/MWAbstractPage.h"

namespace MW_Pages {

// The traces page. For now the page shows only its header row; its contents are built here.
class PgTraces : public MWAbstractPage
{
    Q_OBJECT

public:
    explicit PgTraces(QObject* parent = nullptr) : MWAbstractPage(parent) {}

    static QString staticTag() { return QStringLiteral("MW_Pages::PgTraces"); }
};

} // namespace MW_Pages
