// uninstall.exe: removes the installed program and returns only when it is gone,
// with the removal's exit code, so that whoever runs it (Windows' settings, a
// deployment tool, the next installer) may rely on its return.
//
// The removal itself is the installer's uninstaller, kept beside this program as
// uninstall.dat. Run from its folder it would copy itself away and return at
// once, so that its own file can be deleted; here that copy is made and waited
// for. This program leaves the folder too: a running program cannot be deleted,
// but it can be moved: to the temporary folder, from which it is deleted once
// it has ended, or back when the removal does not happen.
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

constexpr const wchar_t* kRunOnce = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::wstring TempFile(const wchar_t* folder, const wchar_t* prefix) {
    wchar_t name[MAX_PATH];
    if (!GetTempFileNameW(folder, prefix, 0, name)) return {};
    return name;
}
// This program's moved file, once it has ended. Windows deletes it at its next
// start only for an administrator (MOVEFILE_DELAY_UNTIL_REBOOT); for anyone else
// it would stay in the user's temporary folder for good. So Windows' own command
// processor waits for this process to end: its input is a pipe whose other end
// only this process holds, which Windows closes when it ends. It then deletes the
// file, trying again a second apart for a while; should the file still be there,
// or the command processor not start, it is deleted at the user's next logon.
void DeleteWhenEnded(const std::wstring& file) {
    const std::wstring del = L"del /f /q \"" + file + L"\"";
    const std::wstring atLogon = L"cmd.exe /d /q /c " + del;
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE reader = nullptr, writer = nullptr;
    if (n > 0 && n < MAX_PATH && CreatePipe(&reader, &writer, &inherit, 0)) {
        SetHandleInformation(writer, HANDLE_FLAG_INHERIT, 0);
        const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
        std::wstring line = L"\"" + cmd + L"\" /d /q /c \"set /p _= & for /l %n in (1,1,30) do @(" + del +
                            L" 2>nul & if not exist \"" + file +
                            L"\" exit /b 0 & ping -n 2 127.0.0.1 >nul) & reg add " + kRunOnce +
                            L" /v SurfaceViewerUninstall /d \"cmd.exe /d /q /c del /f /q \\\"" + file +
                            L"\\\"\" /f >nul\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = reader;
        PROCESS_INFORMATION process = {};
        const BOOL started = CreateProcessW(cmd.c_str(), line.data(), nullptr, nullptr, TRUE,
                                            CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
        CloseHandle(reader);
        if (started) {
            // The writer stays open until this process ends.
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            return;
        }
        CloseHandle(writer);
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunOnce + 5, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"SurfaceViewerUninstall", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(atLogon.c_str()),
                       static_cast<DWORD>((atLogon.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
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

    // The name is taken by an empty file, removed again when the move fails, as
    // it does when the folder is on another volume than the temporary folder.
    const std::wstring moved = TempFile(temp, L"svl");
    const bool away = !moved.empty() && MoveFileExW(self, moved.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!away && !moved.empty()) DeleteFileW(moved.c_str());

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

    if (away) {
        if (code != 0 && GetFileAttributesW((folder + L"\\uninstall.dat").c_str()) != INVALID_FILE_ATTRIBUTES)
            MoveFileExW(moved.c_str(), self, 0);  // still installed: stay with it
        else
            DeleteWhenEnded(moved);
    }
    return static_cast<int>(code);
}
