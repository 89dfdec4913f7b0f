// Record sizes that the host and the system fix for the 32-bit plug-in. The
// compiler proves them for the i686 build: the shipped DLL is the only one that
// must match them (the 64-bit build's system records are larger).
#include <windows.h>

// The HID class header declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}
#include <dbt.h>
#include <setupapi.h>

#include <cstddef>

#include "host/host_string.h"

#if !defined(_WIN64)
// The host's side: its string object is one pointer, and its view keeps a
// 32-bit window handle at offset 28.
static_assert(sizeof(k7::HostString) == 4);
static_assert(sizeof(HWND) == 4);

// The system's records whose size fields the pendant search fills in.
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5);
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) == 4);
static_assert(sizeof(HIDD_ATTRIBUTES) == 12);
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == 32);
#endif
