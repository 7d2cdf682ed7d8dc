// The 8-bit code page on Windows: the system's ANSI code page.
#ifdef _WIN32

#include <windows.h>

#include <stdexcept>
#include <string>

#include "Payloads.h"

namespace pace {

std::string ToAnsiCodePage(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int inLength = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
    if (wideLength <= 0) throw std::runtime_error("Code page conversion failed");
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, wide.data(), wideLength);
    // No best-fit mapping: a character the code page lacks becomes its default character
    // instead of a look-alike.
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) throw std::runtime_error("Code page conversion failed");
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, out.data(), length,
                        nullptr, nullptr);
    return out;
}

}  // namespace pace

#endif
