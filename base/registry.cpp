#include "base/registry.h"

#include <sddl.h>

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
    if (opening == RegistryKey::Existing)
        return RegOpenKeyExW(root, path, 0, access, key);
    const LSTATUS status = RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, key, nullptr);
    if (opening == RegistryKey::CreatedIfMissing || status != ERROR_ACCESS_DENIED)
        return status;
    // Where the process has enabled the backup and restore privileges,
    // REG_OPTION_BACKUP_RESTORE opens the key for reading and writing
    // whatever its access list says, in place of the access asked for:
    // https://learn.microsoft.com/windows/win32/api/winreg/nf-winreg-regcreatekeyexw
    return RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_BACKUP_RESTORE,
                           access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY), nullptr, key, nullptr);
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

LSTATUS RegistryKey::ReadValues(std::vector<Value> *values) const
{
    if (opened_ != ERROR_SUCCESS)
        return opened_;
    // A value that grows or comes while they are read starts the reading over.
    LSTATUS read = ERROR_MORE_DATA;
    while (read == ERROR_MORE_DATA) {
        values->clear();
        DWORD longestName = 0, largestData = 0;
        read = RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                                &largestData, nullptr, nullptr);
        for (DWORD index = 0; read == ERROR_SUCCESS; ++index) {
            Value value = {std::wstring(longestName + 1, L'\0'), REG_NONE, std::vector<BYTE>(largestData + 1)};
            DWORD nameLength = longestName + 1, size = largestData + 1;
            read = RegEnumValueW(key_, index, &value.name[0], &nameLength, nullptr, &value.type, value.data.data(),
                                 &size);
            value.name.resize(nameLength);
            value.data.resize(size);
            if (read == ERROR_SUCCESS)
                values->push_back(value);
        }
    }
    return read == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : read;
}

LSTATUS RegistryKey::WriteValue(const Value &value) const
{
    return opened_ != ERROR_SUCCESS ? opened_
                                    : RegSetValueExW(key_, value.name.c_str(), 0, value.type, value.data.data(),
                                                     static_cast<DWORD>(value.data.size()));
}

LSTATUS RegistryKey::ReadSecurity(SECURITY_INFORMATION parts, std::wstring *text) const
{
    if (opened_ != ERROR_SUCCESS)
        return opened_;
    DWORD size = 0;
    std::vector<BYTE> descriptor;
    LSTATUS read = ERROR_INSUFFICIENT_BUFFER;
    while (read == ERROR_INSUFFICIENT_BUFFER) {
        descriptor.resize(size);
        read = RegGetKeySecurity(key_, parts, descriptor.empty() ? nullptr : descriptor.data(), &size);
    }
    wchar_t *converted = nullptr;
    if (read == ERROR_SUCCESS && !ConvertSecurityDescriptorToStringSecurityDescriptorW(
                                     descriptor.data(), SDDL_REVISION_1, parts, &converted, nullptr))
        read = static_cast<LSTATUS>(GetLastError());
    text->assign(converted ? converted : L"");
    LocalFree(converted);
    return read;
}

LSTATUS RegistryKey::WriteSecurity(SECURITY_INFORMATION parts, const std::wstring &text) const
{
    if (opened_ != ERROR_SUCCESS)
        return opened_;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return static_cast<LSTATUS>(GetLastError());
    const LSTATUS written = RegSetKeySecurity(key_, parts, descriptor);
    LocalFree(descriptor);
    return written;
}
