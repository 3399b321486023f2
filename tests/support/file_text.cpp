#include "support/file_text.h"

#include "support/scratch_folder.h"

#include <fstream>
#include <sstream>

std::string FileBytes(const std::string &path)
{
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

std::string Encoded(const std::string &text, UINT codePage)
{
    std::wstring wide = L"\xFEFF" + Utf16(text);
    if (codePage == 1201) {
        for (wchar_t &unit : wide)
            unit = static_cast<wchar_t>(unit << 8 | unit >> 8);
    }
    if (codePage == 1200 || codePage == 1201)
        return std::string(reinterpret_cast<const char *>(wide.data()), wide.size() * sizeof(wchar_t));
    std::string bytes(WideCharToMultiByte(codePage, 0, wide.data() + 1, static_cast<int>(wide.size() - 1), nullptr, 0,
                                          nullptr, nullptr),
                      '\0');
    WideCharToMultiByte(codePage, 0, wide.data() + 1, static_cast<int>(wide.size() - 1), &bytes[0],
                        static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
}
