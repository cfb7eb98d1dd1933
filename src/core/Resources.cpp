#include "core/Resources.h"

#include <QtGlobal>

static void registerBundles()
{
    Q_INIT_RESOURCE(styles);
    Q_INIT_RESOURCE(images);
    Q_INIT_RESOURCE(translations);
}

namespace ZCore {

void initResources()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    registerBundles();
}

} // namespace ZCore
