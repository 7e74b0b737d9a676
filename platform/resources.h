#pragma once

// Registers the program's own icons and pictures. The resources sit in a static library, so
// they are not registered until someone asks; every user calls this first. Cheap to repeat.
void initResources();
