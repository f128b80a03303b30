#pragma once
// What Windows shows of a program and of a shortcut to it, read back as
// Explorer, the Start menu and Windows' scaling read it (for the Windows test).
#include <map>
#include <set>
#include <string>
#include <utility>

struct ExeResources {
    std::set<std::pair<int, int>> icons;  // of the first icon group: pixels, bits a pixel
    std::wstring fileVersion;             // the fixed part's, as 1.2.3.4
    std::wstring language;                // the first translation, as 041904b0
    std::map<std::wstring, std::wstring> strings;  // that translation's version strings
    std::string manifest;
};
// False when the file has no resources to read.
bool ReadExeResources(const std::wstring& path, ExeResources& out);

struct Shortcut {
    std::wstring icon /* FILE,INDEX */, folder;
};
// False when the shortcut cannot be loaded.
bool ReadShortcut(const std::wstring& path, Shortcut& out);
