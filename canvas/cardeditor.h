#pragma once

// Bridge until the editor is split out of the main window: printing already codes against
// the editor's future name.
#include "app/form1.h"

using CardEditor = Form1;
