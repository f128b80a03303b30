// uninstall.exe: removes the installed program and returns only when it is gone,
// with the removal's exit code, so that whoever runs it (Windows' settings, a
// deployment tool, the next installer) may rely on its return.
//
// The removal itself is the installer's uninstaller, kept beside this program as
// uninstall.dat. Run from its folder it would copy itself away and return at
// once, so that its own file can be deleted; here that copy is made and waited
// for. This program leaves the folder's files too: a running program cannot be
// deleted, but it can be moved within its volume: to the temporary folder or, on
// another volume, to a name of its own in the folder. Once it has ended it is
// deleted from there, or it moves back when the removal does not happen.
// Its arguments (/S for a silent removal) go on to the uninstaller.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {
std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// The command line after the program's own name.
std::wstring Arguments() {
    const wchar_t* line = GetCommandLineW();
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"') ++line;
        if (*line) ++line;
    } else {
        while (*line && *line != L' ' && *line != L'\t') ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

constexpr const wchar_t* kRunOnce = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::wstring TempFile(const wchar_t* folder, const wchar_t* prefix) {
    wchar_t name[MAX_PATH];
    if (!GetTempFileNameW(folder, prefix, 0, name)) return {};
    return name;
}

// This program's file moved to a new name in FOLDER; nothing where the move
// fails, as it does to another volume. The name is taken by an empty file first.
std::wstring MoveInto(const wchar_t* self, const wchar_t* folder) {
    const std::wstring moved = TempFile(folder, L"svl");
    if (moved.empty() || MoveFileExW(self, moved.c_str(), MOVEFILE_REPLACE_EXISTING)) return moved;
    DeleteFileW(moved.c_str());
    return {};
}

// Deletes FILE once this process has ended, then FOLDER if given and empty
// (whatever the user put there stays), with no administrator rights, which a
// deletion at Windows' next start would need. Windows' own command processor
// tries every second for half a minute; it inherits no handle, so that whoever
// reads this program's output sees its end when this program ends. The same
// deletion is set to run at the user's next logon, in case the command processor
// never gets to it; it takes that back once the file is gone.
void DeleteWhenEnded(const std::wstring& file, const std::wstring& folder) {
    std::wstring removal = L"del /f /q \"" + file + L"\"";
    if (!folder.empty()) removal += L" & rmdir \"" + folder + L"\"";
    const std::wstring atLogon = L"cmd.exe /d /q /c " + removal;
    const std::wstring value = L"SurfaceViewer " + file.substr(file.find_last_of(L'\\') + 1);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunOnce, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExW(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(atLogon.c_str()),
                       static_cast<DWORD>((atLogon.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    std::wstring line = L"\"" + cmd + L"\" /d /q /c \"for /l %n in (1,1,30) do @((" + removal +
                        L") 2>nul & if exist \"" + file + L"\" (ping -n 2 127.0.0.1 >nul) else (reg delete HKCU\\" +
                        kRunOnce + L" /v \"" + value + L"\" /f >nul 2>nul & exit /b 0))\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(cmd.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH], temp[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, self, MAX_PATH) || !GetTempPathW(MAX_PATH, temp)) return 1;
    const std::wstring folder = FolderOf(self);
    // A process's working folder cannot be removed: neither this one's nor the
    // uninstaller's may be the installation's.
    SetCurrentDirectoryW(temp);

    // The uninstaller's copy must end in .exe to be started.
    const std::wstring name = TempFile(temp, L"svu");
    if (name.empty()) return 1;
    DeleteFileW(name.c_str());
    const std::wstring copy = name + L".exe";
    if (!CopyFileW((folder + L"\\uninstall.dat").c_str(), copy.c_str(), FALSE)) return 1;

    // Kept in the folder, on its volume, it takes the folder with it once empty.
    std::wstring moved = MoveInto(self, temp);
    const std::wstring emptied = moved.empty() ? folder : std::wstring();
    if (moved.empty()) moved = MoveInto(self, folder.c_str());

    // In place (_?=, always last): the copy removes the folder's files itself.
    const std::wstring parameters = Arguments() + L" _?=" + folder;
    SHELLEXECUTEINFOW run = {};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    run.lpFile = copy.c_str();
    run.lpParameters = parameters.c_str();
    run.lpDirectory = temp;
    run.nShow = SW_SHOWNORMAL;
    DWORD code = 1;
    if (ShellExecuteExW(&run) && run.hProcess) {
        WaitForSingleObject(run.hProcess, INFINITE);
        GetExitCodeProcess(run.hProcess, &code);
        CloseHandle(run.hProcess);
    }
    DeleteFileW(copy.c_str());

    if (code != 0 && GetFileAttributesW((folder + L"\\uninstall.dat").c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!moved.empty()) MoveFileExW(moved.c_str(), self, 0);  // still installed: stay with it
    } else {
        DeleteWhenEnded(moved.empty() ? self : moved, emptied);
    }
    return static_cast<int>(code);
}
