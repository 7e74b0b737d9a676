#pragma once
// Bridge until the seam moves here.
#include "app/platform.h"
