// Breaks one include rule on purpose: the layer check must reject it.
#include "fleet/cli.h"
