#include "settings/autostart.h"

#include "base/executable_path.h"
#include "base/path_forms.h"

#include <windows.h>

static const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const wchar_t kValueName[] = L"BackdropCarousel";

// Windows runs a Run value's command line only up to this many characters.
constexpr size_t kLongestCommand = 260;

// Task Manager's Startup tab and Settings > Apps > Startup turn an entry off
// without removing it, through a value of the same name here: Run for the
// user's key and the machine-wide key's 64-bit view, Run32 for its 32-bit
// view. Microsoft does not document these values.
static const wchar_t kSwitchKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
static const wchar_t kSwitchKey32[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";

// On 64-bit Windows a 32-bit program's machine-wide Software key is
// redirected to WOW6432Node, while the user's Run key is one key for both.
// Both builds write the machine-wide value in the 64-bit view, so that each
// sees what the other wrote; a value an older 32-bit copy left in the 32-bit
// view still starts the program and counts. 32-bit Windows ignores the flags.
struct RunKey {
    HKEY root;
    REGSAM view;
    const wchar_t *switchKey;
};
static const RunKey kUserKey = {HKEY_CURRENT_USER, 0, kSwitchKey};
static const RunKey kMachineKey = {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kSwitchKey};
static const RunKey kMachineKey32 = {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kSwitchKey32};
static const RunKey kRunKeys[] = {kMachineKey, kMachineKey32, kUserKey};

// The value's command line, with any environment variables expanded; empty
// when there is none.
static std::wstring RunValue(RunKey run)
{
    HKEY key;
    if (RegOpenKeyExW(run.root, kRunKey, 0, KEY_QUERY_VALUE | run.view, &key) != ERROR_SUCCESS)
        return L"";
    std::wstring command;
    DWORD size = 0;
    LSTATUS read = ERROR_MORE_DATA;
    while (read == ERROR_MORE_DATA) {
        command.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(command.size() * sizeof(wchar_t));
        read = RegGetValueW(key, nullptr, kValueName, RRF_RT_REG_SZ, nullptr, &command[0], &size);
    }
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? command.c_str() : L"";
}

// A path in the one form two names of the same file share, letter case
// aside: full, with long names for short ones.
static std::wstring ComparablePath(const std::wstring &path)
{
    std::wstring longPath = LongPathName(path);
    return longPath.empty() ? FullPathName(path) : longPath;
}

// Whether a command line starts the program at this comparable path. A
// quoted program ends at the closing quote; an unquoted one at a space or at
// the end, where Windows tries each in turn. Letter case does not count.
static bool StartsProgram(const std::wstring &command, const std::wstring &program)
{
    auto isProgram = [&](size_t start, size_t end) {
        std::wstring path = ComparablePath(command.substr(start, end == std::wstring::npos ? end : end - start));
        return !path.empty() && CompareStringOrdinal(path.c_str(), -1, program.c_str(), -1, TRUE) == CSTR_EQUAL;
    };
    size_t start = command.find_first_not_of(L' ');
    if (start == std::wstring::npos)
        return false;
    if (command[start] == L'"')
        return isProgram(start + 1, command.find(L'"', start + 1));
    for (size_t end = command.find(L' ', start);; end = command.find(L' ', end + 1)) {
        if (isProgram(start, end))
            return true;
        if (end == std::wstring::npos)
            return false;
    }
}

static std::wstring ThisProgram()
{
    return ComparablePath(ExecutablePath());
}

// Whether Windows' startup switch has turned the key's entry off. Only a
// binary value whose first byte is odd (3, 7) has been seen for an entry
// turned off, and an even one (2, 6) for one on; anything else leaves the
// entry on, as a missing value does.
static bool IsSwitchedOff(RunKey run)
{
    HKEY key;
    if (RegOpenKeyExW(run.root, run.switchKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    BYTE state[64];
    DWORD size = sizeof state;
    LSTATUS read = RegGetValueW(key, nullptr, kValueName, RRF_RT_REG_BINARY, nullptr, state, &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && size > 0 && (state[0] & 1) != 0;
}

// Deletes the value under the key (the Run key or its switch); true when it
// is gone, also when there was none.
static bool DeleteValue(HKEY root, const wchar_t *subKey, REGSAM view)
{
    HKEY key;
    LSTATUS opened = RegOpenKeyExW(root, subKey, 0, KEY_SET_VALUE | view, &key);
    if (opened != ERROR_SUCCESS)
        return opened == ERROR_FILE_NOT_FOUND;
    LSTATUS deleted = RegDeleteValueW(key, kValueName);
    RegCloseKey(key);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

// Switches the key's entry on the documented way: Windows treats a missing
// switch as on, and the format of the value is not documented.
static bool SwitchOn(RunKey run)
{
    return DeleteValue(run.root, run.switchKey, KEY_WOW64_64KEY);
}

// The entry with its switch, which means nothing without it.
static void DeleteEntry(RunKey run)
{
    if (DeleteValue(run.root, kRunKey, run.view))
        SwitchOn(run);
}

static bool SetRunValue(RunKey run, const std::wstring &command)
{
    // The per-user key may not exist yet on a new account; the machine-wide
    // one always does, and is only opened.
    HKEY key;
    LSTATUS opened = run.root == HKEY_CURRENT_USER
                         ? RegCreateKeyExW(run.root, kRunKey, 0, nullptr, 0, KEY_SET_VALUE | run.view, nullptr, &key,
                                           nullptr)
                         : RegOpenKeyExW(run.root, kRunKey, 0, KEY_SET_VALUE | run.view, &key);
    if (opened != ERROR_SUCCESS)
        return false;
    LSTATUS set = RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(command.c_str()),
                                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

// This executable's command line, quoted when the path has a space
// (unquoted, C:\Program Files\... would start C:\Program.exe for every user)
// and in its short form where the long one is too long for Windows to run.
// Empty when no form fits, or the path cannot be had whole: a cut path would
// start something else at log-on.
static std::wstring CommandLine()
{
    auto quoted = [](const std::wstring &path) {
        return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
    };
    std::wstring path = ExecutablePath();
    std::wstring command = quoted(path);
    if (command.size() > kLongestCommand)
        command = quoted(ShortPathName(path));
    return command.size() <= kLongestCommand ? command : L"";
}

bool IsAutostartRegistered()
{
    std::wstring program = ThisProgram();
    for (RunKey run : kRunKeys) {
        if (StartsProgram(RunValue(run), program) && !IsSwitchedOff(run))
            return true;
    }
    return false;
}

void RegisterAutostart()
{
    std::wstring command = CommandLine();
    if (command.empty())
        return;
    // Under UAC every process that is not elevated is refused the
    // machine-wide key (the manifest turns registry virtualization off);
    // the user's own Run key starts the program just as well for this user.
    RunKey written = kMachineKey;
    if (!SetRunValue(written, command)) {
        written = kUserKey;
        if (!SetRunValue(written, command))
            return;
    }
    SwitchOn(written);
    // One entry, one copy started: what the other keys hold named another
    // copy, or this one where it was before, or this one twice over.
    for (RunKey run : kRunKeys) {
        if (run.root != written.root || run.view != written.view)
            DeleteEntry(run);
    }
}

void UnregisterAutostart()
{
    std::wstring program = ThisProgram();
    for (RunKey run : kRunKeys) {
        if (StartsProgram(RunValue(run), program))
            DeleteEntry(run);
    }
}
