// Walks the JPEG files of the image folder, one entry per rotation tick, in
// the order the platform's directory search returns them. No list is kept:
// one open search is advanced by one entry per step.
#pragma once

#include <windows.h>

#include <string>

struct ImageSequence {
    bool firstStep;          // the next step opens a new search
    HANDLE searchHandle;     // the open search; invalid when none or the open failed
    int stepIndex;           // steps since the last rewind
    // The entry most recently delivered by the search. The wide record holds
    // any name whole, where the ANSI one has 260 bytes for up to 3 per character.
    WIN32_FIND_DATAW findData;
};

extern ImageSequence g_imageSequence;
extern std::string g_currentImage;  // file name of the current image, empty when none

// Rewinds: the next step opens a new search from the folder's first file.
void ResetImageSequence();

// Takes one step through g_imageFolder with the given pattern (e.g. "\\*.jpg").
// Afterwards g_currentImage names the image to show, or is empty when the
// folder holds no image. At the end of the folder it stops the rotation,
// closes the search, rewinds, and leaves the last name current.
void AdvanceImage(const char *pattern);

// Ends the pass: stops the rotation, closes the search and rewinds.
void EndPass();

// Closes the search still open at shutdown.
void CloseImageSearch();
