// The serial ports as the registry lists them under HKEY_LOCAL_MACHINE. Windows only.
#include <windows.h>

#include <string>
#include <vector>

#include "PortList.h"

namespace pace {
namespace {

std::string ToUtf8(const wchar_t* text, int length) {
    if (length <= 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

// Closes the key when it goes out of scope.
class RegistryKey {
public:
    explicit RegistryKey(HKEY key) : Key_(key) {}
    ~RegistryKey() { RegCloseKey(Key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    [[nodiscard]] HKEY Get() const { return Key_; }

private:
    HKEY Key_;
};

// The value names of the key, in the registry's order.
std::vector<std::wstring> ValueNames(HKEY key) {
    std::vector<std::wstring> names;
    DWORD maxNameLength = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxNameLength, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::vector<wchar_t> buffer(maxNameLength + 1);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG result =
            RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) {
            // A longer name appeared meanwhile: grow and ask for the same index again.
            buffer.resize(buffer.size() * 2);
            --index;
            continue;
        }
        if (result != ERROR_SUCCESS) break;
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

// The value as a string; a value that vanished meanwhile, or holds no string, reads as empty.
std::string StringValue(HKEY key, const std::wstring& name) {
    for (DWORD size = 64 * sizeof(wchar_t);;) {
        std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
        DWORD type = 0;
        DWORD bytes = size;
        const LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (result == ERROR_MORE_DATA) {
            size = bytes;
            continue;
        }
        if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
        int length = static_cast<int>(bytes / sizeof(wchar_t));
        while (length > 0 && data[static_cast<std::size_t>(length) - 1] == L'\0') --length;
        return ToUtf8(data.data(), length);
    }
}

class RegistryPortList : public PortList {
public:
    [[nodiscard]] std::vector<PortEntry> Read() override {
        std::vector<PortEntry> entries;
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                          &handle) != ERROR_SUCCESS)
            return entries;
        const RegistryKey key(handle);
        const auto names = ValueNames(key.Get());
        entries.reserve(names.size());
        for (const auto& name : names)
            entries.push_back(
                {ToUtf8(name.data(), static_cast<int>(name.size())), StringValue(key.Get(), name)});
        return entries;
    }
};

}  // namespace

std::unique_ptr<PortList> MakeSystemPortList() { return std::make_unique<RegistryPortList>(); }

}  // namespace pace
