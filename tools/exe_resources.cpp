// Reads back what Windows shows of a program and of its shortcut (exe_resources.h).
#include "exe_resources.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

namespace {
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

// A resource name: a number, or a string valid only during the enumeration.
struct Name {
    LPCWSTR id = nullptr;
    std::wstring text;
    LPCWSTR get() const { return IS_INTRESOURCE(id) ? id : text.c_str(); }
};

BOOL CALLBACK FirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    auto* first = reinterpret_cast<Name*>(found);
    first->id = name;
    if (!IS_INTRESOURCE(name)) first->text = name;
    return FALSE;
}

const void* Resource(HMODULE module, LPCWSTR name, LPCWSTR type, DWORD* size) {
    HRSRC info = FindResourceW(module, name, type);
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    if (!data) return nullptr;
    *size = SizeofResource(module, info);
    return LockResource(data);
}

// The first icon group, as Explorer takes it: each size, when its image is there.
void ReadIcons(HMODULE module, ExeResources& out) {
    Name group;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, FirstName,
                       reinterpret_cast<LONG_PTR>(&group));
    DWORD size = 0;
    const auto* header = group.id ? static_cast<const GroupIconHeader*>(
                                        Resource(module, group.get(), MAKEINTRESOURCEW(14), &size))
                                  : nullptr;
    if (!header || size < sizeof(GroupIconHeader)) return;
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
    for (WORD i = 0; i < header->count && sizeof(GroupIconHeader) + (i + 1u) * sizeof(GroupIconEntry) <= size; ++i) {
        DWORD imageSize = 0;
        if (Resource(module, MAKEINTRESOURCEW(entries[i].id), MAKEINTRESOURCEW(3) /* RT_ICON */, &imageSize) &&
            imageSize == entries[i].bytes)
            out.icons.insert({entries[i].width ? entries[i].width : 256, entries[i].bitCount});
    }
}

void ReadVersion(const wchar_t* path, ExeResources& out) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    std::string block(size ? size : 1, '\0');
    if (!size || !GetFileVersionInfoW(path, 0, size, block.data())) return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
        out.fileVersion = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                          std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                          std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                          std::to_wstring(LOWORD(fixed->dwFileVersionLS));
    WORD* translation = nullptr;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < 4)
        return;
    wchar_t lang[16];
    swprintf(lang, 16, L"%04x%04x", translation[0], translation[1]);
    out.language = lang;
    for (const wchar_t* key : {L"ProductName", L"ProductVersion", L"FileDescription", L"CompanyName", L"Comments"}) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\") + lang + L"\\" + key;
        wchar_t* value = nullptr;
        if (VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value)
            out.strings[key] = value;
    }
}
}  // namespace

bool ReadExeResources(const std::wstring& path, ExeResources& out) {
    HMODULE module =
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return false;
    ReadIcons(module, out);
    ReadVersion(path.c_str(), out);
    DWORD size = 0;
    const char* text = static_cast<const char*>(
        Resource(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */, &size));
    if (text) out.manifest.assign(text, size);
    FreeLibrary(module);
    return true;
}

bool ReadShortcut(const std::wstring& path, Shortcut& out) {
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    bool read = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&link))) &&
                SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                SUCCEEDED(file->Load(path.c_str(), STGM_READ));
    if (read) {
        wchar_t icon[MAX_PATH] = L"", folder[MAX_PATH] = L"";
        int index = 0;
        link->GetIconLocation(icon, MAX_PATH, &index);
        link->GetWorkingDirectory(folder, MAX_PATH);
        out = {std::wstring(icon) + L"," + std::to_wstring(index), folder};
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return read;
}
