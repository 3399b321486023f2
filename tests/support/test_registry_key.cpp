#include "support/test_registry_key.h"

#include <sddl.h>

TestRegistryKey::TestRegistryKey(HKEY root, const wchar_t *path, REGSAM access, Privileged)
    : RegistryKey(root, path, access, CreatedIfMissing)
{
    // REG_OPTION_BACKUP_RESTORE opens the key for reading and writing
    // whatever its access list says, in place of the access asked for:
    // https://learn.microsoft.com/windows/win32/api/winreg/nf-winreg-regcreatekeyexw
    if (opened_ == ERROR_ACCESS_DENIED)
        opened_ = RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_BACKUP_RESTORE,
                                  access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY), nullptr, &key_, nullptr);
}

LSTATUS TestRegistryKey::ReadValues(std::vector<Value> *values) const
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

LSTATUS TestRegistryKey::WriteValue(const Value &value) const
{
    return opened_ != ERROR_SUCCESS ? opened_
                                    : RegSetValueExW(key_, value.name.c_str(), 0, value.type, value.data.data(),
                                                     static_cast<DWORD>(value.data.size()));
}

LSTATUS TestRegistryKey::ReadSecurity(SECURITY_INFORMATION parts, std::wstring *text) const
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

LSTATUS TestRegistryKey::WriteSecurity(SECURITY_INFORMATION parts, const std::wstring &text) const
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

std::wstring RefusingThisUserValues(const std::wstring &accessList)
{
    HANDLE token = nullptr;
    std::vector<BYTE> user(SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER));
    DWORD size = 0;
    wchar_t *sid = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        if (GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size))
            ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid, &sid);
        CloseHandle(token);
    }
    // Windows reads the entries in order, and the first that names the
    // access for one of the token's groups decides: a deny entry in front
    // refuses whatever the entries after it allow. KEY_SET_VALUE is 0x2.
    // https://learn.microsoft.com/windows/win32/secauthz/how-dacls-control-access-to-an-object
    // https://learn.microsoft.com/windows/win32/secauthz/order-of-aces-in-a-dacl
    std::wstring refusing = accessList;
    const size_t entries = refusing.find(L'(');
    refusing.insert(entries == std::wstring::npos ? refusing.size() : entries,
                    std::wstring(L"(D;;0x2;;;") + (sid ? sid : L"") + L")");
    LocalFree(sid);
    return refusing;
}
