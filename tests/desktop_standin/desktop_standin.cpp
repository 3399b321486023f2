// Recording stand-in for the shell's Active Desktop object (IActiveDesktop).
// Wine's own object refuses every call, so tests register this DLL in its
// place and read back, line by line, every call the program makes. Lines go
// to the file named by BACKDROP_DESKTOP_LOG; nothing is written when it is
// unset or empty. BACKDROP_DESKTOP_REFUSES makes it refuse, as a real
// desktop may: "*" every ApplyChanges, "style" every SetWallpaperOptions, a
// file name the SetWallpaper of that picture. Every call is recorded all the
// same.

#include "support/backup_privileges.h"
#include "support/test_registry_key.h"

#include <windows.h>
#include <wininet.h>  // shlobj.h declares IActiveDesktop only after this
#include <olectl.h>
#include <shlguid.h>
#include <shlobj.h>

#include <new>
#include <string>

namespace {

LONG g_serverLocks = 0;  // live objects plus IClassFactory::LockServer locks

std::string utf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.resize(size - 1);
    return out;
}

// Opens and closes the file for every line so a test in another process can
// read or delete it at any moment.
void record(const std::string &line)
{
    const wchar_t *const variable = L"BACKDROP_DESKTOP_LOG";
    const DWORD size = GetEnvironmentVariableW(variable, nullptr, 0);
    if (size <= 1)
        return;
    std::wstring path(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(variable, &path[0], size);
    if (length == 0 || length >= size)
        return;
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + '\n';
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// With BACKDROP_REFUSE_MAIN_WINDOW set, the program's main window cannot be
// created on the thread that made this object, as on a desktop out of room
// for windows.
LRESULT CALLBACK refuseMainWindow(int code, WPARAM wParam, LPARAM lParam)
{
    char name[32] = "";
    if (code == HCBT_CREATEWND && GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name) &&
        lstrcmpA(name, "wcBackdropCarousel") == 0)
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// what: "*", "style", or the path of a picture, refused by its file name.
HRESULT refuses(const wchar_t *what)
{
    wchar_t refused[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"BACKDROP_DESKTOP_REFUSES", refused, ARRAYSIZE(refused));
    const wchar_t *const name = what ? wcsrchr(what, L'\\') : nullptr;
    return what && lstrcmpW(refused, name ? name + 1 : what) == 0 ? E_ACCESSDENIED : S_OK;
}

HRESULT notImplemented(const char *method)
{
    record(method);
    return E_NOTIMPL;
}

class ActiveDesktop final : public IActiveDesktop {
public:
    ActiveDesktop() { InterlockedIncrement(&g_serverLocks); }
    ~ActiveDesktop() { InterlockedDecrement(&g_serverLocks); }

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IActiveDesktop)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IActiveDesktop *>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        record("Release " + std::to_string(refs));
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

    STDMETHODIMP ApplyChanges(DWORD flags) override
    {
        record("ApplyChanges " + std::to_string(flags));
        return refuses(L"*");
    }
    STDMETHODIMP SetWallpaper(PCWSTR path, DWORD reserved) override
    {
        record("SetWallpaper " + (path ? utf8(path) : std::string("(null)")) + ' ' + std::to_string(reserved));
        return refuses(path);
    }
    STDMETHODIMP SetWallpaperOptions(LPCWALLPAPEROPT options, DWORD reserved) override
    {
        const std::string fields = options ? std::to_string(options->dwSize) + ' ' + std::to_string(options->dwStyle)
                                           : std::string("(null)");
        record("SetWallpaperOptions " + fields + ' ' + std::to_string(reserved));
        return refuses(L"style");
    }

    STDMETHODIMP GetWallpaper(PWSTR, UINT, DWORD) override { return notImplemented("GetWallpaper"); }
    STDMETHODIMP GetWallpaperOptions(LPWALLPAPEROPT, DWORD) override { return notImplemented("GetWallpaperOptions"); }
    STDMETHODIMP GetPattern(PWSTR, UINT, DWORD) override { return notImplemented("GetPattern"); }
    STDMETHODIMP SetPattern(PCWSTR, DWORD) override { return notImplemented("SetPattern"); }
    STDMETHODIMP GetDesktopItemOptions(LPCOMPONENTSOPT, DWORD) override
    {
        return notImplemented("GetDesktopItemOptions");
    }
    STDMETHODIMP SetDesktopItemOptions(LPCCOMPONENTSOPT, DWORD) override
    {
        return notImplemented("SetDesktopItemOptions");
    }
    STDMETHODIMP AddDesktopItem(LPCCOMPONENT, DWORD) override { return notImplemented("AddDesktopItem"); }
    STDMETHODIMP AddDesktopItemWithUI(HWND, LPCOMPONENT, DWORD) override
    {
        return notImplemented("AddDesktopItemWithUI");
    }
    STDMETHODIMP ModifyDesktopItem(LPCCOMPONENT, DWORD) override { return notImplemented("ModifyDesktopItem"); }
    STDMETHODIMP RemoveDesktopItem(LPCCOMPONENT, DWORD) override { return notImplemented("RemoveDesktopItem"); }
    STDMETHODIMP GetDesktopItemCount(int *, DWORD) override { return notImplemented("GetDesktopItemCount"); }
    STDMETHODIMP GetDesktopItem(int, LPCOMPONENT, DWORD) override { return notImplemented("GetDesktopItem"); }
    STDMETHODIMP GetDesktopItemByID(ULONG_PTR, LPCOMPONENT, DWORD) override
    {
        return notImplemented("GetDesktopItemByID");
    }
    STDMETHODIMP GenerateDesktopItemHtml(PCWSTR, LPCOMPONENT, DWORD) override
    {
        return notImplemented("GenerateDesktopItemHtml");
    }
    STDMETHODIMP AddUrl(HWND, PCWSTR, LPCOMPONENT, DWORD) override { return notImplemented("AddUrl"); }
    STDMETHODIMP GetDesktopItemBySource(PCWSTR, LPCOMPONENT, DWORD) override
    {
        return notImplemented("GetDesktopItemBySource");
    }

private:
    LONG m_refs = 0;  // the caller's reference comes from the factory's QueryInterface
};

// One static factory for the life of the DLL, so its reference count is fixed.
class Factory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory *>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ActiveDesktop *const desktop = new (std::nothrow) ActiveDesktop;
        if (!desktop)
            return E_OUTOFMEMORY;
        // Starting at zero references lets a refused interface free the object
        // without a Release call that would show up in the log.
        const HRESULT hr = desktop->QueryInterface(riid, ppv);
        if (FAILED(hr)) {
            delete desktop;
            return hr;
        }
        record("create");
        if (GetEnvironmentVariableW(L"BACKDROP_REFUSE_MAIN_WINDOW", nullptr, 0))
            SetWindowsHookExW(WH_CBT, refuseMainWindow, nullptr, GetCurrentThreadId());
        return S_OK;
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_serverLocks);
        else
            InterlockedDecrement(&g_serverLocks);
        return S_OK;
    }
};

Factory g_factory;

std::wstring ownPath()
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&g_factory), &self))
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(self, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // truncated: retry with more room
    }
}

HRESULT registerIn(HKEY root)
{
    const std::wstring path = ownPath();
    if (path.empty())
        return SELFREG_E_CLASS;
    const TestRegistryKey key(root, L"Software\\Classes\\CLSID\\{75048700-EF1F-11D0-9888-006097DEACF9}\\InprocServer32",
                              KEY_SET_VALUE, TestRegistryKey::WhateverItsAccessList);
    const bool written = key.WriteString(nullptr, path) == ERROR_SUCCESS &&
                         key.WriteString(L"ThreadingModel", L"Apartment") == ERROR_SUCCESS;
    return written ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_ActiveDesktop))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return g_serverLocks == 0 ? S_OK : S_FALSE;
}

// Registered for the machine, as Windows' own object is. Its registration
// belongs to TrustedInstaller: administrators may read it, and write it
// where they have enabled their backup and restore privileges.
STDAPI DllRegisterServer()
{
    EnableBackupAndRestore();
    return registerIn(HKEY_LOCAL_MACHINE);
}

// With "user", registered for the user alone (regsvr32 /n /i:user), which
// COM reads first in a process that is not elevated; otherwise for the machine:
// https://learn.microsoft.com/windows/win32/api/shlwapi/nf-shlwapi-dllinstall
STDAPI DllInstall(BOOL install, PCWSTR commandLine)
{
    if (!install)
        return E_NOTIMPL;
    return commandLine && lstrcmpiW(commandLine, L"user") == 0 ? registerIn(HKEY_CURRENT_USER) : DllRegisterServer();
}
