// Portable link code that includes a platform adapter.
#include "device/linux/hidraw_system.h"
#include "device/pendant_link.h"
