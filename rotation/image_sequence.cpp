#include "rotation/image_sequence.h"

#include "rotation/rotation_control.h"
#include "ui/main_window.h"

#include <cstdio>
#include <cstring>

ImageSequence g_imageSequence = {true, INVALID_HANDLE_VALUE, 0, {}};
std::string g_currentImage;

void ResetImageSequence()
{
    g_imageSequence.firstStep = true;
    g_imageSequence.stepIndex = 0;
}

// The search also matches short 8.3 names (a .jpgx file is A~1.JPG there) and
// subfolders; only files whose own name ends in ".jpg" are pictures.
static bool IsImageEntry(const WIN32_FIND_DATAA &entry)
{
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    size_t length = strlen(entry.cFileName);
    return length >= 4 && _stricmp(entry.cFileName + length - 4, ".jpg") == 0;
}

static bool FindNextEntry()
{
    ZeroMemory(&g_imageSequence.findData, sizeof g_imageSequence.findData);
    return FindNextFileA(g_imageSequence.searchHandle, &g_imageSequence.findData) != FALSE;
}

void AdvanceImage(const char *pattern)
{
    // Room for a 259-character folder, the pattern and the terminator.
    char searchPattern[MAX_PATH + 16];
    snprintf(searchPattern, sizeof searchPattern, "%s%s", g_imageFolder.c_str(), pattern);

    ImageSequence &sequence = g_imageSequence;
    if (sequence.firstStep) {
        CloseImageSearch();
        sequence.searchHandle = FindFirstFileA(searchPattern, &sequence.findData);
        // A failed open is not retried until the next rewind.
        sequence.firstStep = false;
    }
    if (sequence.searchHandle == INVALID_HANDLE_VALUE) {
        g_currentImage.clear();
        return;
    }

    // The first step after opening consumes the entry the open delivered.
    bool found = sequence.stepIndex++ == 0 || FindNextEntry();
    while (found && !IsImageEntry(sequence.findData))
        found = FindNextEntry();

    if (!found) {
        if (sequence.stepIndex == 1) {
            // Nothing but look-alikes: treat the folder as one without matches.
            CloseImageSearch();
            g_currentImage.clear();
            return;
        }
        KillTimer(g_mainWindow, IDT_ROTATION);
        ResetImageSequence();
        return;
    }
    g_currentImage = sequence.findData.cFileName;
}

void CloseImageSearch()
{
    if (g_imageSequence.searchHandle != INVALID_HANDLE_VALUE) {
        FindClose(g_imageSequence.searchHandle);
        g_imageSequence.searchHandle = INVALID_HANDLE_VALUE;
    }
}
