#include "settings/autostart.h"

#include "base/executable_path.h"
#include "base/path_forms.h"
#include "base/registry.h"

#include <windows.h>

#include <vector>

static const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const wchar_t kValueName[] = L"BackdropCarousel";

// Windows runs a Run value's command line only up to this many characters.
constexpr size_t kLongestCommand = 260;

// Task Manager's Startup tab and Settings > Apps > Startup turn an entry off
// without removing it, through a value of the same name here: Run for the
// user's key and the machine-wide key's 64-bit view (its only one on 32-bit
// Windows), Run32 for its 32-bit view. Microsoft does not document these
// values.
static const wchar_t kSwitchKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
static const wchar_t kSwitchKey32[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";

// On 64-bit Windows a 32-bit program's machine-wide Software key is
// redirected to WOW6432Node, while the user's Run key is one key for both.
// Both builds write the machine-wide value in the 64-bit view, so that each
// sees what the other wrote; a value an older 32-bit copy left in the 32-bit
// view still starts the program and counts. 32-bit Windows has one view,
// whatever the flags ask for.
struct RunKey {
    HKEY root;
    REGSAM view;
    const wchar_t *switchKey;
};
static const RunKey kUserKey = {HKEY_CURRENT_USER, 0, kSwitchKey};
static const RunKey kMachineKey = {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kSwitchKey};
static const RunKey kMachineKey32 = {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kSwitchKey32};

static std::vector<RunKey> RunKeys()
{
    if (HasTwoRegistryViews())
        return {kMachineKey, kMachineKey32, kUserKey};
    return {kMachineKey, kUserKey};
}

static RegistryKey OpenRun(RunKey run, REGSAM access)
{
    return RegistryKey(run.root, kRunKey, access | run.view);
}

// The switches of both views are in the 64-bit one.
static RegistryKey OpenSwitch(RunKey run, REGSAM access)
{
    return RegistryKey(run.root, run.switchKey, access | KEY_WOW64_64KEY);
}

// The value's command line, with any environment variables expanded; empty
// when there is none.
static std::wstring RunValue(RunKey run)
{
    std::wstring command;
    OpenRun(run, KEY_QUERY_VALUE).ReadString(kValueName, &command);
    return command;
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
    BYTE state[64];
    DWORD size = sizeof state;
    return OpenSwitch(run, KEY_QUERY_VALUE).ReadBinary(kValueName, state, &size) == ERROR_SUCCESS && size > 0 &&
           (state[0] & 1) != 0;
}

// Whether a delete left no value, also when there was none.
static bool IsGone(LSTATUS deleted)
{
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

// Switches the key's entry on the documented way: Windows treats a missing
// switch as on, and the format of the value is not documented.
static void SwitchOn(RunKey run)
{
    OpenSwitch(run, KEY_SET_VALUE).DeleteValue(kValueName);
}

// The entry with its switch, which means nothing without it.
static void DeleteEntry(RunKey run)
{
    if (IsGone(OpenRun(run, KEY_SET_VALUE).DeleteValue(kValueName)))
        SwitchOn(run);
}

// Under UAC a process that is not elevated may not change the machine-wide
// key (the manifest turns registry virtualization off).
static bool MayChange(RunKey run)
{
    return OpenRun(run, KEY_SET_VALUE).Opened() == ERROR_SUCCESS;
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
    for (RunKey run : RunKeys()) {
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
    // The user's own Run key starts the program just as well for this user.
    RunKey written = MayChange(kMachineKey) ? kMachineKey : kUserKey;
    auto isWritten = [&](RunKey run) { return run.root == written.root && run.view == written.view; };
    // One entry, one copy started: what the other keys hold named another
    // copy, or this one where it was before, or this one twice over. Windows
    // starts the entries in no set order, and the copy started second gives
    // way to the first, so an entry this process may not remove (another
    // copy's machine-wide one, to a user who is not an administrator) leaves
    // everything as it was, also where it is switched off: Task Manager may
    // switch it on again.
    std::vector<RunKey> runKeys = RunKeys();
    for (RunKey run : runKeys) {
        if (!isWritten(run) && OpenRun(run, KEY_QUERY_VALUE).HasValue(kValueName) && !MayChange(run))
            return;
    }
    RegistryKey key(written.root, kRunKey, KEY_SET_VALUE | written.view, RegistryKey::CreatedIfMissing);
    if (key.WriteString(kValueName, command) != ERROR_SUCCESS)
        return;
    SwitchOn(written);
    for (RunKey run : runKeys) {
        if (!isWritten(run))
            DeleteEntry(run);
    }
}

void UnregisterAutostart()
{
    std::wstring program = ThisProgram();
    for (RunKey run : RunKeys()) {
        if (StartsProgram(RunValue(run), program))
            DeleteEntry(run);
    }
}
