// Breaks one include rule on purpose: the layer check must reject it.
#include "platform/win32/main_window.h"
