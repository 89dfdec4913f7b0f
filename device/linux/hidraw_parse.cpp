#include "device/linux/hidraw_parse.h"

#include <cerrno>
#include <cstdlib>

namespace k7 {
namespace {

constexpr std::uint8_t kLongItemPrefix = 0xfe;
constexpr std::uint8_t kReportIdTag = 0x84;  // global item "Report ID", size bits masked
constexpr std::uint8_t kTagAndTypeMask = 0xfc;
constexpr std::uint8_t kSizeMask = 0x03;

// Short items carry 0, 1, 2 or 4 data bytes; the size code 3 means 4.
std::size_t ShortItemDataSize(std::uint8_t prefix) {
    const std::size_t code = prefix & kSizeMask;
    return code == 3 ? 4 : code;
}

// Parses one hexadecimal field of at most maxValue ending at a ':' or at the
// end of the text; advances text past it.
bool ParseHexField(const char*& text, unsigned long maxValue, unsigned long& value) {
    if (*text == '\0' || *text == '-' || *text == '+' || *text == ' ') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 16);
    if (end == text || errno != 0 || value > maxValue) return false;
    text = end;
    return true;
}

}  // namespace

bool DeclaresReportIds(std::span<const std::uint8_t> descriptor) {
    std::size_t at = 0;
    while (at < descriptor.size()) {
        const std::uint8_t prefix = descriptor[at];
        if (prefix == kLongItemPrefix) {
            // Long item: prefix, data size, long tag, then the data.
            if (at + 1 >= descriptor.size()) return false;
            at += 3 + descriptor[at + 1];
            continue;
        }
        if ((prefix & kTagAndTypeMask) == kReportIdTag) return true;
        at += 1 + ShortItemDataSize(prefix);
    }
    return false;
}

bool ParseHidId(const char* text, HidAttributes& attributes) {
    if (text == nullptr) return false;
    unsigned long bus = 0, vendor = 0, product = 0;
    if (!ParseHexField(text, 0xffff, bus) || *text++ != ':') return false;
    if (!ParseHexField(text, 0xffff, vendor) || *text++ != ':') return false;
    if (!ParseHexField(text, 0xffff, product) || *text != '\0') return false;
    attributes.vendorId = static_cast<std::uint16_t>(vendor);
    attributes.productId = static_cast<std::uint16_t>(product);
    return true;
}

bool ParseHexId(const char* text, std::uint16_t& id) {
    if (text == nullptr) return false;
    unsigned long value = 0;
    if (!ParseHexField(text, 0xffff, value)) return false;
    while (*text == '\n' || *text == ' ') ++text;  // sysfs values end with a newline
    if (*text != '\0') return false;
    id = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace k7
