#include "settings/settings_file.h"

#include <shlwapi.h>

#include <cstdlib>

std::string g_settingsPath;

static const char kSection[] = "Settings";

std::string ExecutablePath()
{
    char path[kPathCapacity];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A full buffer holds a cut path.
    if (length == 0 || length == sizeof path)
        return "";
    return std::string(path, length);
}

bool BuildSettingsPath()
{
    std::string directory = ExecutablePath();
    if (directory.empty() || !PathRemoveFileSpecA(&directory[0]))
        return false;
    // The "./" keeps the path relative to the executable's folder however the
    // platform resolves it, whatever the current directory is.
    g_settingsPath = std::string(directory.c_str()) + "\\" + "./settings.ini";
    return true;
}

bool WaitUntilSettingsReadable()
{
    DWORD attributes = GetFileAttributesA(g_settingsPath.c_str());
    // No file (or a folder in its place) holds no settings to lose.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    for (int attempt = 1;; ++attempt) {
        HANDLE file = CreateFileA(g_settingsPath.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        if (attempt == 20)
            return false;
        Sleep(100);
    }
}

std::string ReadSettingString(const char *key, const char *defaultText, DWORD capacity)
{
    std::string buffer(capacity, '\0');
    DWORD length = GetPrivateProfileStringA(kSection, key, defaultText, &buffer[0], capacity,
                                            g_settingsPath.c_str());
    buffer.resize(length);
    return buffer;
}

int ReadSettingInt(const char *key)
{
    return atoi(ReadSettingString(key, "", 32).c_str());
}

bool WriteSetting(const char *key, const char *text)
{
    return WritePrivateProfileStringA(kSection, key, text, g_settingsPath.c_str()) != FALSE;
}

bool SaveSettings(const std::string &folder, int intervalCount, LRESULT unitIndex,
                  LRESULT styleIndex, bool rotateAtStartup)
{
    bool saved = WriteSetting("wallpaperDir", folder.c_str());
    saved &= WriteSetting("rotationInt", std::to_string(intervalCount).c_str());
    saved &= WriteSetting("rotationIntType", std::to_string(unitIndex).c_str());
    saved &= WriteSetting("wallpaperMode", std::to_string(styleIndex).c_str());
    saved &= WriteSetting("rotateAtStartup", rotateAtStartup ? "1" : "0");
    return saved;
}
