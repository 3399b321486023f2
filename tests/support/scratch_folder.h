// A fresh, uniquely named folder under the temporary directory, removed with
// everything in it when the test ends. Names are in the ANSI code page, UTF-8
// here as in the program, and paths may pass the platform's length limit.
#pragma once

#include <string>
#include <vector>

class ScratchFolder {
public:
    // The suffix ends the folder's name (a space, other scripts).
    explicit ScratchFolder(const std::string &suffix = "");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::string &Path() const { return path_; }
    std::string PathOf(const std::string &name) const { return path_ + "\\" + name; }
    void AddFile(const std::string &name, const std::string &content = "") const;
    void AddFolder(const std::string &name) const;
    void Remove(const std::string &name) const;  // a file, or a folder with all in it

    // The names the platform's own search lists for the pattern, in its order.
    std::vector<std::string> List(const std::string &pattern) const;

    // Whether the drive gave the file or folder a short 8.3 name of its own:
    // some make none (ReFS, most data drives, short names turned off).
    bool HasShortName(const std::string &name) const;

private:
    std::string path_;
};

// Removes a file, or a folder with everything in it, whatever its path's length.
void RemoveFileOrFolder(const std::string &path);

// The engine's text is UTF-16; the tests' own is UTF-8, their code page.
std::wstring Utf16(const std::string &utf8);
std::string Utf8(const std::wstring &utf16);
