// Breaks one include rule on purpose: the layer check must reject it.
#include "collectors/wmi/wmi_inventory.h"
