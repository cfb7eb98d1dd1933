#pragma once

#include "ui/pages/MWAbstractPage.h"

namespace MW_Pages {

// The calibration page. For now the page shows only its header row; its contents are built here.
class PgCalib : public MWAbstractPage
{
    Q_OBJECT

public:
    explicit PgCalib(QObject* parent = nullptr) : MWAbstractPage(parent) {}

    static QString staticTag() { return QStringLiteral("MW_Pages::PgCalib"); }
};

} // namespace MW_Pages
