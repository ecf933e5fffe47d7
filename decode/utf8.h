// UTF-8 <-> UTF-16 for Windows paths and command lines.
#pragma once
#ifdef _WIN32
#include <string>

std::wstring Utf8ToWide(const char* utf8);
std::string WideToUtf8(const wchar_t* wide);
#endif
