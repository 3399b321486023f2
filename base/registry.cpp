#include "base/registry.h"

#include <cwchar>

bool HasTwoRegistryViews()
{
    // IsWow64Process2 (Windows 10 1709 and later) names the system's own
    // machine also to an x86 program that Windows on ARM64 emulates, to
    // which GetNativeSystemInfo reports x86. Before 1709 there was no
    // Windows on ARM64, and GetNativeSystemInfo tells x64 from x86.
    static const bool twoViews = [] {
        using IsWow64Process2Function = BOOL(WINAPI *)(HANDLE, USHORT *, USHORT *);
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        auto isWow64Process2 = kernel ? reinterpret_cast<IsWow64Process2Function>(
                                            reinterpret_cast<void *>(GetProcAddress(kernel, "IsWow64Process2")))
                                      : nullptr;
        USHORT process = 0, native = 0;
        if (isWow64Process2 && isWow64Process2(GetCurrentProcess(), &process, &native))
            return native != IMAGE_FILE_MACHINE_I386;
        SYSTEM_INFO system;
        GetNativeSystemInfo(&system);
        return system.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL;
    }();
    return twoViews;
}

static LSTATUS OpenKey(HKEY root, const wchar_t *path, REGSAM access, RegistryKey::Opening opening, HKEY *key)
{
    return opening == RegistryKey::Existing ? RegOpenKeyExW(root, path, 0, access, key)
                                            : RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, key, nullptr);
}

RegistryKey::RegistryKey(HKEY root, const wchar_t *path, REGSAM access, Opening opening)
    : opened_(OpenKey(root, path, access, opening, &key_))
{
}

RegistryKey::~RegistryKey()
{
    if (opened_ == ERROR_SUCCESS)
        RegCloseKey(key_);
}

bool RegistryKey::HasValue(const wchar_t *name) const
{
    return opened_ == ERROR_SUCCESS &&
           RegQueryValueExW(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LSTATUS RegistryKey::ReadString(const wchar_t *name, std::wstring *text) const
{
    if (opened_ != ERROR_SUCCESS)
        return opened_;
    // The value may grow between the call that sizes it and the one that
    // reads it: then the buffer grows again.
    DWORD size = 0;
    LSTATUS read = ERROR_MORE_DATA;
    while (read == ERROR_MORE_DATA) {
        text->assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text->size() * sizeof(wchar_t));
        read = RegGetValueW(key_, nullptr, name, RRF_RT_REG_SZ, nullptr, &(*text)[0], &size);
    }
    // The size counts the terminator, and any the value carried itself.
    text->resize(read == ERROR_SUCCESS ? wcslen(text->c_str()) : 0);
    return read;
}

LSTATUS RegistryKey::ReadDword(const wchar_t *name, DWORD *number) const
{
    DWORD size = sizeof *number;
    return opened_ != ERROR_SUCCESS ? opened_
                                    : RegGetValueW(key_, nullptr, name, RRF_RT_REG_DWORD, nullptr, number, &size);
}

LSTATUS RegistryKey::ReadBinary(const wchar_t *name, BYTE *data, DWORD *size) const
{
    return opened_ != ERROR_SUCCESS ? opened_
                                    : RegGetValueW(key_, nullptr, name, RRF_RT_REG_BINARY, nullptr, data, size);
}

LSTATUS RegistryKey::WriteString(const wchar_t *name, const std::wstring &text) const
{
    return opened_ != ERROR_SUCCESS
               ? opened_
               : RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LSTATUS RegistryKey::DeleteValue(const wchar_t *name) const
{
    return opened_ != ERROR_SUCCESS ? opened_ : RegDeleteValueW(key_, name);
}
