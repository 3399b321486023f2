#include "rotation/image_sequence.h"

#include "rotation/rotation_control.h"
#include "base/text_conversion.h"

#include <cwchar>

ImageSequence g_imageSequence = {true, INVALID_HANDLE_VALUE, 0, {}};
std::string g_currentImage;

void ResetImageSequence()
{
    g_imageSequence.firstStep = true;
    g_imageSequence.stepIndex = 0;
}

// The search also matches short 8.3 names (a .jpgx file is A~1.JPG there) and
// subfolders; only files whose own name ends in ".jpg" are pictures.
static bool IsImageEntry(const WIN32_FIND_DATAW &entry)
{
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    size_t length = wcslen(entry.cFileName);
    return length >= 4 && _wcsicmp(entry.cFileName + length - 4, L".jpg") == 0;
}

static bool FindNextEntry()
{
    ZeroMemory(&g_imageSequence.findData, sizeof g_imageSequence.findData);
    return FindNextFileW(g_imageSequence.searchHandle, &g_imageSequence.findData) != FALSE;
}

void AdvanceImage(const char *pattern)
{
    ImageSequence &sequence = g_imageSequence;
    if (sequence.firstStep) {
        CloseImageSearch();
        sequence.searchHandle = FindFirstFileW(ToWide(g_imageFolder + pattern).data(), &sequence.findData);
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
        EndPass();
        return;
    }
    g_currentImage = FromWide(sequence.findData.cFileName);
}

void EndPass()
{
    StopRotation();
    // Closed at once, so that the folder can be renamed or deleted between passes.
    CloseImageSearch();
    ResetImageSequence();
}

void CloseImageSearch()
{
    if (g_imageSequence.searchHandle != INVALID_HANDLE_VALUE) {
        FindClose(g_imageSequence.searchHandle);
        g_imageSequence.searchHandle = INVALID_HANDLE_VALUE;
    }
}
