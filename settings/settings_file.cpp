#include "settings/settings_file.h"

#include <shlwapi.h>

#include <cstdlib>

std::string g_settingsPath;

static const char kSection[] = "Settings";

bool BuildSettingsPath()
{
    char directory[MAX_PATH];
    if (GetModuleFileNameA(nullptr, directory, sizeof directory) == 0)
        return false;
    if (!PathRemoveFileSpecA(directory))
        return false;
    // The "./" keeps the path relative to the executable's folder however the
    // platform resolves it, whatever the current directory is.
    g_settingsPath = std::string(directory) + "\\" + "./settings.ini";
    return true;
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

bool SaveSettings(const char *folder, const char *interval, LRESULT unitIndex,
                  LRESULT styleIndex, bool rotateAtStartup)
{
    bool saved = WriteSetting("wallpaperDir", folder);
    saved &= WriteSetting("rotationInt", std::to_string(atoi(interval)).c_str());
    saved &= WriteSetting("rotationIntType", std::to_string(unitIndex).c_str());
    saved &= WriteSetting("wallpaperMode", std::to_string(styleIndex).c_str());
    saved &= WriteSetting("rotateAtStartup", rotateAtStartup ? "1" : "0");
    return saved;
}
