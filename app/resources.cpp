#include "app/resources.h"

#include <QtGlobal>

static void initIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace basSubMain {
void initResources()
{
    static const bool done = (initIcons(), true);
    Q_UNUSED(done);
}
} // namespace basSubMain
