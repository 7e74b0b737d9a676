#include "platform/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerQuillmarkResources() { Q_INIT_RESOURCE(quillmark); }

void initResources()
{
    static const bool registered = (registerQuillmarkResources(), true);
    Q_UNUSED(registered);
}
