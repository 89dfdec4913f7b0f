// Conversions between the plug-in's 8-bit text (ANSI code page) and COM's
// UTF-16 strings, with the BSTR and VARIANT owned by small RAII holders.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <string>
#include <string_view>

namespace k7 {

std::wstring Widen(std::string_view text);
std::string Narrow(const wchar_t* text, std::size_t length);

class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::string_view text);
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return value_; }
    BSTR* out() { return &value_; }  // for a callee that allocates it
    std::wstring_view view() const { return {value_, value_ ? SysStringLen(value_) : 0u}; }
    std::string Narrowed() const { return Narrow(value_, view().size()); }

  private:
    BSTR value_ = nullptr;
};

}  // namespace k7
