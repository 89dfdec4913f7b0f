#include "settings/win32/com_text.h"

namespace k7 {

std::wstring Widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    if (text == nullptr || length == 0) return {};
    const int size = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, text, size, narrow.data(), bytes, nullptr, nullptr);
    return narrow;
}

Bstr::Bstr(std::string_view text) {
    const std::wstring wide = Widen(text);
    value_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace k7
