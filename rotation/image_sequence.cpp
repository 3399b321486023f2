#include "rotation/image_sequence.h"

#include <windows.h>

#include <cwchar>

ImageSequence g_imageSequence = {true, {}, 0};
std::wstring g_currentImage;

void ResetImageSequence()
{
    g_imageSequence.firstStep = true;
    // The listing's memory goes with its pass.
    std::vector<wchar_t>().swap(g_imageSequence.names);
    g_imageSequence.next = 0;
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

// Appends the names of the folder's pictures to names, each with its
// terminator, in the order the search lists them; without names, stops at
// the first picture. The search is closed before it returns. Returns whether
// the folder holds a picture.
static bool ListImages(const std::wstring &folder, const wchar_t *pattern, std::vector<wchar_t> *names)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + pattern).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do {
        if (!IsImageEntry(entry))
            continue;
        found = true;
        if (!names)
            break;
        names->insert(names->end(), entry.cFileName, entry.cFileName + wcslen(entry.cFileName) + 1);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

bool HasImages(const std::wstring &folder, const wchar_t *pattern)
{
    return ListImages(folder, pattern, nullptr);
}

bool AdvanceImage(const std::wstring &folder, const wchar_t *pattern)
{
    ImageSequence &sequence = g_imageSequence;
    if (sequence.firstStep) {
        // A folder that cannot be listed is not tried again until the next rewind.
        ListImages(folder, pattern, &sequence.names);
        sequence.names.shrink_to_fit();  // what the listing grew by is given back
        sequence.next = 0;
        sequence.firstStep = false;
    }
    if (sequence.names.empty()) {
        g_currentImage.clear();
        return false;
    }
    if (sequence.next == sequence.names.size())
        return false;  // through the folder
    const wchar_t *name = sequence.names.data() + sequence.next;
    sequence.next += wcslen(name) + 1;
    g_currentImage = name;
    return true;
}
