#include "platform/resources.h"

#include <QResource>

// Apart from programIcon, so that the update module can link the icon code without this: the
// program that loads the module has registered the data already (update/moduleresources.cpp).

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerQuillmarkResources()
{
    Q_INIT_RESOURCE(quillmark);
    Q_INIT_RESOURCE(icons);
}

void initResources()
{
    static const bool registered = (registerQuillmarkResources(), true);
    Q_UNUSED(registered);
}
