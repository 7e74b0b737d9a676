#pragma once

// Bridge until the seam moves to platform/: new code already includes it from here.
#include "app/platform.h"
