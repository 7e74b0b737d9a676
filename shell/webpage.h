#pragma once
// Bridge until the web page helpers are renamed.
#include "shell/gotourl.h"
