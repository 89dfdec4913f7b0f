// Pure helpers of the hidraw adapter: what udev and the kernel hand over as
// text and bytes, decoded without touching a device.
#pragma once

#include <cstdint>
#include <span>

#include "device/hid_system.h"

namespace k7 {

// True when a HID report descriptor declares report IDs. hidraw then puts the
// report ID in front of each input report; otherwise reports come without it.
bool DeclaresReportIds(std::span<const std::uint8_t> descriptor);

// Reads udev's HID_ID property, "BUS:VENDOR:PRODUCT" in hexadecimal
// (e.g. "0003:000004D8:0000B3C5"). False when the text has another form.
bool ParseHidId(const char* text, HidAttributes& attributes);

// Reads a sysfs id attribute such as idVendor ("04d8"): four hex digits at most.
bool ParseHexId(const char* text, std::uint16_t& id);

}  // namespace k7
