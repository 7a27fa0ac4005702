// Breaks one include rule on purpose: the layer check must reject it.
#include "app/main_window_logic.h"
