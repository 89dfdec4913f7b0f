// A ground-floor header that reaches up to the composition root.
#include "plugin/plugin.h"
