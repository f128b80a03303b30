// Reads back what Windows shows of a program, for the Windows test under Wine:
//   exe_resources PROGRAM.exe   prints its icon sizes, version information and
//                               manifest, one "key value" line each (UTF-8)
//   exe_resources LINK.lnk      prints the shortcut's target and icon
// Fails when the file cannot be read.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {
void Print(const char* key, const std::wstring& value) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    std::printf("%s %s\n", key, utf8.c_str());
}

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
void PrintIcons(HMODULE module) {
    Name group;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, FirstName,
                       reinterpret_cast<LONG_PTR>(&group));
    DWORD size = 0;
    const auto* header = group.id ? static_cast<const GroupIconHeader*>(
                                        Resource(module, group.get(), MAKEINTRESOURCEW(14), &size))
                                  : nullptr;
    std::wstring sizes;
    if (header && size >= sizeof(GroupIconHeader)) {
        const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
        for (WORD i = 0; i < header->count && sizeof(GroupIconHeader) + (i + 1u) * sizeof(GroupIconEntry) <= size; ++i) {
            DWORD imageSize = 0;
            if (!Resource(module, MAKEINTRESOURCEW(entries[i].id), MAKEINTRESOURCEW(3) /* RT_ICON */, &imageSize) ||
                imageSize != entries[i].bytes)
                continue;
            const int px = entries[i].width ? entries[i].width : 256;
            sizes += (sizes.empty() ? L"" : L" ") + std::to_wstring(px) + L"x" + std::to_wstring(px) +
                     L"@" + std::to_wstring(entries[i].bitCount);
        }
    }
    Print("icon-sizes", sizes.empty() ? L"none" : sizes);
}

void PrintVersion(const wchar_t* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    std::string block(size ? size : 1, '\0');
    if (!size || !GetFileVersionInfoW(path, 0, size, block.data())) {
        Print("version", L"none");
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
        Print("file-version", std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                  std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                  std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                                  std::to_wstring(LOWORD(fixed->dwFileVersionLS)));
    WORD* translation = nullptr;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return;
    wchar_t lang[16];
    swprintf(lang, 16, L"%04x%04x", translation[0], translation[1]);
    Print("language", lang);
    for (const wchar_t* key : {L"ProductName", L"ProductVersion", L"FileDescription", L"CompanyName",
                               L"Comments"}) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\") + lang + L"\\" + key;
        wchar_t* value = nullptr;
        if (VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value) {
            std::string name = "string-";
            for (const wchar_t* c = key; *c; ++c) name += static_cast<char>(*c);
            Print(name.c_str(), value);
        }
    }
}

void PrintManifest(HMODULE module) {
    DWORD size = 0;
    const char* text = static_cast<const char*>(
        Resource(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */, &size));
    std::string oneLine;
    for (DWORD i = 0; text && i < size; ++i)
        oneLine += (text[i] == '\n' || text[i] == '\r') ? ' ' : text[i];
    std::printf("manifest %s\n", oneLine.empty() ? "none" : oneLine.c_str());
}

int PrintLink(const wchar_t* path) {
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) ||
        FAILED(file->Load(path, STGM_READ)))
        return 1;
    wchar_t target[MAX_PATH] = L"", icon[MAX_PATH] = L"", folder[MAX_PATH] = L"";
    int index = 0;
    link->GetPath(target, MAX_PATH, nullptr, 0);
    link->GetIconLocation(icon, MAX_PATH, &index);
    link->GetWorkingDirectory(folder, MAX_PATH);
    Print("link-target", target);
    Print("link-icon", std::wstring(icon) + L"," + std::to_wstring(index));
    Print("link-folder", folder);
    file->Release();
    link->Release();
    return 0;
}
}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc != 2) return 2;
    const std::wstring path = argv[1];
    if (path.size() > 4 && _wcsicmp(path.c_str() + path.size() - 4, L".lnk") == 0) return PrintLink(argv[1]);
    HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return 1;
    PrintIcons(module);
    PrintVersion(argv[1]);
    PrintManifest(module);
    FreeLibrary(module);
    return 0;
}
