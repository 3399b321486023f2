// Walks the JPEG files of the image folder, one picture per rotation step, in
// the order the platform's directory search lists them. The first step of a
// pass reads the folder's listing and lets the folder go at once: a stick or
// camera card can then be ejected, and the folder renamed, while a pass runs
// for days. Later steps walk the listing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ImageSequence {
    bool firstStep;  // the next step reads the folder's listing afresh
    // The pictures' names in listing order, each with its terminator: no more
    // than two bytes a name beyond the names themselves.
    std::vector<wchar_t> names;
    size_t next;  // where the next step's name begins in names
};

extern ImageSequence g_imageSequence;
extern std::wstring g_currentImage;  // file name of the current image, empty when none

// Rewinds: the next step reads the folder's listing afresh.
void ResetImageSequence();

// Takes one step through the pictures of folder that pattern (e.g. L"\\*.jpg")
// matches, and returns whether it delivered one, whose name g_currentImage
// then holds. When it did not, g_currentImage is empty if the folder could
// not be listed or holds no picture, and still names the last picture if the
// pass has been through the folder; ending the pass is the caller's part.
bool AdvanceImage(const std::wstring &folder, const wchar_t *pattern);

// Whether folder holds a picture that pattern matches.
bool HasImages(const std::wstring &folder, const wchar_t *pattern);
