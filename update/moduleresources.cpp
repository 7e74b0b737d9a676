#include "platform/resources.h"

// The update module's initResources, linked ahead of the platform layer's so that the module
// carries no copy of the resource data: the program that loads it has registered the data,
// and a second copy would stay registered beside the first for the rest of the run.
void initResources() {}
