// A file's bytes, and text in the forms settings files come in.
#pragma once

#include <windows.h>

#include <string>

std::string FileBytes(const std::string &path);

// UTF-8 text in another code page; 1200 is UTF-16LE, 1201 UTF-16BE, each with its mark.
std::string Encoded(const std::string &text, UINT codePage);
