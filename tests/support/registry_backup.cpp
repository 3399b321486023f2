#include "support/registry_backup.h"

#include "support/scratch_folder.h"
#include "support/test_registry_key.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {
const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kSwitches[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t kSwitches32[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";
const wchar_t kSystemPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const wchar_t kDesktopPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ActiveDesktop";
const HKEY kUser = HKEY_CURRENT_USER, kMachine = HKEY_LOCAL_MACHINE;

// The keys the tests change, and the value they change in each (every value
// where none is named). The registration is in the test program's own view,
// where the stand-in writes it; on 32-bit Windows both views are one key. For
// the user, the class's own key too, after the registration in it: left
// behind empty, it would hide the machine-wide one
// (https://learn.microsoft.com/windows/win32/sysinfo/merged-view-of-hkey-classes-root).
// New keys go at the end: a copy kept by an earlier test program numbers
// the keys as it knew them.
const struct ChangedKey {
    HKEY root;
    const wchar_t *path;
    REGSAM view;
    const wchar_t *value;
} kChangedKeys[] = {
    {kMachine, L"Software\\Classes\\CLSID\\{75048700-EF1F-11D0-9888-006097DEACF9}\\InprocServer32", 0, nullptr},
    {kMachine, kRun, KEY_WOW64_64KEY, L"BackdropCarousel"},
    {kMachine, kRun, KEY_WOW64_32KEY, L"BackdropCarousel"},
    {kUser, kRun, 0, L"BackdropCarousel"},
    {kMachine, kSwitches, KEY_WOW64_64KEY, L"BackdropCarousel"},
    {kMachine, kSwitches32, KEY_WOW64_64KEY, L"BackdropCarousel"},
    {kUser, kSwitches, 0, L"BackdropCarousel"},
    {kMachine, kSystemPolicies, KEY_WOW64_64KEY, L"Wallpaper"},
    {kUser, kSystemPolicies, 0, L"Wallpaper"},
    {kMachine, kDesktopPolicies, KEY_WOW64_64KEY, L"NoChangingWallPaper"},
    {kUser, kDesktopPolicies, 0, L"NoChangingWallPaper"},
    {kUser, L"Software\\Classes\\CLSID\\{75048700-EF1F-11D0-9888-006097DEACF9}\\InprocServer32", 0, nullptr},
    {kUser, L"Software\\Classes\\CLSID\\{75048700-EF1F-11D0-9888-006097DEACF9}", 0, nullptr},
};

// A key as the description gives it: missing, or its owner, access list and
// the values of it the tests change.
struct KeyState {
    bool described = false, exists = false;
    std::wstring owner, accessList;
    std::vector<TestRegistryKey::Value> values;
};

std::vector<TestRegistryKey::Value> ChangedValues(const TestRegistryKey &key, const ChangedKey &changed)
{
    std::vector<TestRegistryKey::Value> all, changedOnes;
    key.ReadValues(&all);
    for (const TestRegistryKey::Value &value : all)
        if (!changed.value || _wcsicmp(value.name.c_str(), changed.value) == 0)
            changedOnes.push_back(value);
    return changedOnes;
}

std::string Name(const ChangedKey &changed)
{
    return std::string(changed.root == kUser ? "HKCU\\" : "HKLM\\") + Utf8(changed.path) +
           (changed.view == KEY_WOW64_32KEY ? " (32-bit view)" : "");
}

std::string Hex(const std::vector<BYTE> &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text = bytes.empty() ? "-" : "";
    for (BYTE byte : bytes)
        text += {digits[byte >> 4], digits[byte & 15]};
    return text;
}

std::vector<BYTE> Bytes(const std::string &hex)
{
    std::vector<BYTE> bytes;
    for (size_t at = 0; hex != "-" && at + 1 < hex.size(); at += 2)
        bytes.push_back(static_cast<BYTE>(strtoul(hex.substr(at, 2).c_str(), nullptr, 16)));
    return bytes;
}

// One line for each key ("key NUMBER OWNER ACCESS-LIST NAME", or "key NUMBER
// missing - NAME") and each value ("value NUMBER TYPE DATA NAME"), the name
// last as it may hold spaces.
std::string Describe(size_t number, const ChangedKey &changed)
{
    const TestRegistryKey key(changed.root, changed.path, KEY_READ | changed.view);
    const std::string name = Name(changed);
    std::wstring owner, accessList;
    if (key.Opened() == ERROR_FILE_NOT_FOUND)
        return "key " + std::to_string(number) + " missing - " + name + "\n";
    key.ReadSecurity(OWNER_SECURITY_INFORMATION, &owner);
    key.ReadSecurity(DACL_SECURITY_INFORMATION, &accessList);
    std::string text = "key " + std::to_string(number) + " " + Utf8(owner) + " " + Utf8(accessList) + " " + name + "\n";
    for (const TestRegistryKey::Value &value : ChangedValues(key, changed))
        text += "value " + std::to_string(number) + " " + std::to_string(value.type) + " " + Hex(value.data) + " " +
                Utf8(value.name) + "\n";
    return text;
}

std::vector<KeyState> Parse(const std::string &description)
{
    std::vector<KeyState> keys(ARRAYSIZE(kChangedKeys));
    std::istringstream lines(description);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind, first, second;
        size_t number = keys.size();
        fields >> kind >> number >> first >> second;
        fields.get();
        std::string name;
        std::getline(fields, name);
        if (number >= keys.size())
            continue;
        if (kind == "key")
            keys[number] = {true, first != "missing", Utf16(first), Utf16(second), {}};
        else if (kind == "value")
            keys[number].values.push_back({Utf16(name), strtoul(first.c_str(), nullptr, 10), Bytes(second)});
    }
    return keys;
}

// Whether the key was put back as the description gives it. Security first:
// an access list that refuses the setting of values would refuse putting
// them back.
bool Restore(const ChangedKey &changed, const KeyState &saved)
{
    if (!saved.exists) {
        // Where the tests made the key, it goes again unless something else
        // has come into it. Its access list may refuse this user the setting
        // of values, not reading them or deleting the key.
        const TestRegistryKey key(changed.root, changed.path, KEY_READ | changed.view);
        std::vector<TestRegistryKey::Value> all, ours = ChangedValues(key, changed);
        if (key.ReadValues(&all) != ERROR_SUCCESS)
            return true;
        if (ours.size() == all.size())
            return RegDeleteKeyExW(changed.root, changed.path, changed.view, 0) == ERROR_SUCCESS;
        const RegistryKey values(changed.root, changed.path, KEY_SET_VALUE | changed.view);
        bool restored = true;
        for (const TestRegistryKey::Value &value : ours)
            restored = values.DeleteValue(value.name.c_str()) == ERROR_SUCCESS && restored;
        return restored;
    }
    const TestRegistryKey security(changed.root, changed.path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | changed.view,
                                   TestRegistryKey::WhateverItsAccessList);
    for (auto part : {std::make_pair(OWNER_SECURITY_INFORMATION, saved.owner),
                      std::make_pair(DACL_SECURITY_INFORMATION, saved.accessList)}) {
        std::wstring now;
        if (security.ReadSecurity(part.first, &now) != ERROR_SUCCESS ||
            (now != part.second && security.WriteSecurity(part.first, part.second) != ERROR_SUCCESS))
            return false;
    }
    const TestRegistryKey key(changed.root, changed.path, KEY_READ | KEY_SET_VALUE | changed.view,
                              TestRegistryKey::WhateverItsAccessList);
    bool restored = key.Opened() == ERROR_SUCCESS;
    for (const TestRegistryKey::Value &value : ChangedValues(key, changed))
        key.DeleteValue(value.name.c_str());
    for (const TestRegistryKey::Value &value : saved.values)
        restored = key.WriteValue(value) == ERROR_SUCCESS && restored;
    return restored;
}

// In the user's temporary folder, as the Run values under HKEY_CURRENT_USER
// are the user's; another Wine prefix, as another machine, has its own. Found
// once: a test may give the programs it starts another temporary folder.
const std::string &BackupPath()
{
    static const std::string path = [] {
        char folder[MAX_PATH] = "";
        GetTempPathA(sizeof folder, folder);
        return std::string(folder) + "BackdropCarousel tests' registry.txt";
    }();
    return path;
}

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Every key the copy describes is put back, whatever happens to the others;
// then the ones that could not be are named. The copy describes the keys
// this process may change (the user's alone, where it may not change the
// machine's).
std::string RestoreFrom(const std::string &description)
{
    std::vector<KeyState> saved = Parse(description);
    std::string failed;
    for (size_t number = 0; number < saved.size(); ++number)
        if (saved[number].described && !Restore(kChangedKeys[number], saved[number]))
            failed += "\n  " + Name(kChangedKeys[number]);
    return failed.empty() ? "" : "Could not put back, and will try again at the next run:" + failed;
}

bool MayChange(const ChangedKey &key)
{
    return key.root == kUser || MissingRights().empty();
}
}  // namespace

std::string MissingRights()
{
    // https://learn.microsoft.com/windows/win32/api/securitybaseapi/nf-securitybaseapi-checktokenmembership:
    // an administrator's token without elevation holds the group for denying only.
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    BOOL member = FALSE;
    if (AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                 &administrators)) {
        if (!CheckTokenMembership(nullptr, administrators, &member))
            member = FALSE;
        FreeSid(administrators);
    }
    return member ? "" : "This test changes the machine-wide registry: it runs only elevated (as an administrator).";
}

std::string DescribeRegistry()
{
    std::string text;
    for (size_t number = 0; number < ARRAYSIZE(kChangedKeys); ++number)
        if (MayChange(kChangedKeys[number]))
            text += Describe(number, kChangedKeys[number]);
    return text;
}

std::string BackUpRegistry()
{
    const std::string &path = BackupPath();
    // Whole or not at all: a copy cut short would put back too little.
    const std::string written = path + ".new";
    std::ofstream file(written, std::ios::binary);
    file << DescribeRegistry();
    file.close();
    return file && MoveFileExA(written.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? ""
               : "Could not keep a copy of the registry in " + path + ".";
}

std::string RestoreRegistry()
{
    const std::string &path = BackupPath();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return "";
    const std::string failed = RestoreFrom(ReadFile(path));
    if (failed.empty())
        DeleteFileA(path.c_str());
    return failed;
}

void ChangeRegistry()
{
    const std::wstring changed = L"changed by a test";
    const TestRegistryKey::Value value = {
        L"", REG_SZ,
        std::vector<BYTE>(reinterpret_cast<const BYTE *>(changed.c_str()),
                          reinterpret_cast<const BYTE *>(changed.c_str() + changed.size() + 1))};
    for (const ChangedKey &key : kChangedKeys) {
        TestRegistryKey::Value named = value;
        named.name = key.value ? key.value : L"";
        TestRegistryKey(key.root, key.path, KEY_SET_VALUE | key.view, TestRegistryKey::WhateverItsAccessList)
            .WriteValue(named);
        // This user refused the setting of values, where the key lets its list change.
        const TestRegistryKey security(key.root, key.path, READ_CONTROL | WRITE_DAC | key.view);
        std::wstring accessList;
        if (security.ReadSecurity(DACL_SECURITY_INFORMATION, &accessList) == ERROR_SUCCESS)
            security.WriteSecurity(DACL_SECURITY_INFORMATION, RefusingThisUserValues(accessList));
    }
}
