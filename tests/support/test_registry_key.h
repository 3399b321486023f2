// The program's registry key with what only the tests need: every value of a
// key at once, its owner and access list, and an opening for backup and
// restore.
#pragma once

#include "base/registry.h"

#include <string>
#include <vector>

class TestRegistryKey : public RegistryKey {
public:
    // One value as the registry stores it, of any type.
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };

    using RegistryKey::RegistryKey;
    // Made where there is none, and where the key's access list refuses the
    // access, opened for backup and restore: where the process has enabled
    // those privileges (SeBackupPrivilege and SeRestorePrivilege, which
    // administrators hold), it can then read and write values whatever the
    // list says (a key that belongs to TrustedInstaller).
    enum Privileged { WhateverItsAccessList };
    TestRegistryKey(HKEY root, const wchar_t *path, REGSAM access, Privileged);

    // Every value of the key, in the registry's order.
    LSTATUS ReadValues(std::vector<Value> *values) const;
    LSTATUS WriteValue(const Value &value) const;
    // The parts of the key's security descriptor asked for (its owner, its
    // access list), as security descriptor text (SDDL).
    LSTATUS ReadSecurity(SECURITY_INFORMATION parts, std::wstring *text) const;
    LSTATUS WriteSecurity(SECURITY_INFORMATION parts, const std::wstring &text) const;
};

// The access list (SDDL text) with one entry in front of the others that
// refuses this process's own user the setting of values, and nobody else
// anything: as Windows refuses a user who is not an administrator the
// machine-wide Run key.
std::wstring RefusingThisUserValues(const std::wstring &accessList);
