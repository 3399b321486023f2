// The registry as the program uses it: a key opened in a registry view and
// closed when it goes out of scope, and the few reads, writes and deletes of
// values the program makes, each returning the registry's own result.
#pragma once

#include <windows.h>

#include <string>

// Whether the machine-wide Software key has a 32-bit view apart from the
// 64-bit one: on 64-bit Windows, for either build. 32-bit Windows has one,
// and ignores the view flags KEY_WOW64_64KEY and KEY_WOW64_32KEY.
bool HasTwoRegistryViews();

// An open key, or the reason it could not be opened, which each of its reads,
// writes and deletes then returns.
class RegistryKey {
public:
    enum Opening { Existing, CreatedIfMissing };

    // Opens the key with the access asked for; the access may carry a view
    // flag. CreatedIfMissing makes the key first where there is none.
    RegistryKey(HKEY root, const wchar_t *path, REGSAM access, Opening opening = Existing);
    ~RegistryKey();
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;

    // ERROR_SUCCESS when the key is open.
    LSTATUS Opened() const { return opened_; }

    // Whether the key holds a value of the name, of any type.
    bool HasValue(const wchar_t *name) const;
    // A string value (REG_SZ, or REG_EXPAND_SZ with its variables expanded).
    LSTATUS ReadString(const wchar_t *name, std::wstring *text) const;
    LSTATUS ReadDword(const wchar_t *name, DWORD *number) const;
    // A binary value into size bytes; size becomes the bytes read.
    LSTATUS ReadBinary(const wchar_t *name, BYTE *data, DWORD *size) const;
    LSTATUS WriteString(const wchar_t *name, const std::wstring &text) const;
    // ERROR_FILE_NOT_FOUND when there was no such value.
    LSTATUS DeleteValue(const wchar_t *name) const;

protected:
    HKEY key_ = nullptr;
    LSTATUS opened_;
};
