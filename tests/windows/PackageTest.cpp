// The Windows package judged from inside, under Wine: the program's resources, and its
// installer and uninstaller, silent, as Windows and Apps & features run them. Windows paths:
// VIEW_TEST_PACKAGE, the unpacked zip; PACKAGE_TEST_SETUP, the installer; PACKAGE_TEST_FIRST_SETUP,
// one of the first installer's layout. scripts/windows/test.sh runs ProgramResources.*, then in
// a fresh prefix *Installation.*, in order: the last leaves an installation for all users in
// place, for the script's own look at the program started through its shortcut.
#include "exe_resources.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <regex>

namespace {
namespace fs = std::filesystem;
using Listing = std::set<std::string>;
std::string Utf8(const std::wstring& text) { return fs::path(text).u8string(); }
std::wstring Env(const wchar_t* name) { return _wgetenv(name) ? _wgetenv(name) : L""; }

// The icon in the sizes Windows shows at 100 to 200 % (16 to 64 in lists, 256 in large
// views), in full colour; the version in Russian; the manifest asInvoker, for Windows 10
// and 11, per-monitor v2 alone: a system-wide dpiAware beside it leaves Qt one scale.
TEST(ProgramResources, IconVersionAndManifest) {
    ExeResources read;
    ASSERT_TRUE(ReadExeResources(Env(L"VIEW_TEST_PACKAGE") + L"\\surface-viewer.exe", read));
    for (int size : {16, 20, 24, 32, 40, 48, 64, 256})
        EXPECT_TRUE(read.icons.count({size, 32})) << "no " << size << "x" << size << " icon at 32 bits a pixel";
    EXPECT_EQ(Utf8(read.fileVersion), VIEWER_VERSION);
    EXPECT_EQ(Utf8(read.strings[L"ProductVersion"]), VIEWER_VERSION);
    EXPECT_EQ(Utf8(read.strings[L"ProductName"]), "Ливентор");
    EXPECT_EQ(Utf8(read.strings[L"FileDescription"]), "Ливентор");
    EXPECT_EQ(Utf8(read.language), "041904b0");
    EXPECT_NE(read.manifest.find(R"(requestedExecutionLevel level="asInvoker")"), std::string::npos) << read.manifest;
    EXPECT_NE(read.manifest.find(R"(supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")"), std::string::npos);
    EXPECT_TRUE(std::regex_search(read.manifest, std::regex("<dpiAwareness[^>]*>PerMonitorV2<")));
    EXPECT_FALSE(std::regex_search(read.manifest, std::regex("<dpiAware[ >]")));
}

// The files and folders below FOLDER but its subfolder SKIP, relative to it; *KB: the files' size.
Listing Tree(const fs::path& folder, const wchar_t* skip = L"", double* kB = nullptr) {
    Listing tree;
    std::error_code unopened;  // as Wine leaves an empty drive's root: empty
    for (fs::recursive_directory_iterator it(folder, unopened), end; it != end; ++it)
        if (it.depth() == 0 && _wcsicmp(it->path().filename().c_str(), skip) == 0)
            it.disable_recursion_pending();
        else if (tree.insert(it->path().lexically_relative(folder).u8string()).second && kB && it->is_regular_file())
            *kB += it->file_size() / 1024.0;
    return tree;
}
// Everything on drives C and D but Windows' own folder.
Listing Files() {
    Listing files = Tree(L"C:\\", L"windows");
    for (const auto& f : Tree(L"D:\\")) files.insert("D:\\" + f);
    return files;
}
// What stays put while uninstall.exe, moved out of the way, waits to be deleted: C: out of Temp.
bool Lasting(const std::string& f) { return f.rfind("D:", 0) && ("\\" + f + "\\").find("\\Temp\\") == std::string::npos; }
// What B has that A lacks (+) and what it lacks of A (-), a line each; only what lasts, if LASTING.
std::string Changes(const Listing& a, const Listing& b, bool lasting = false) {
    std::string out;
    for (const auto& [from, to, sign] : {std::tuple(&a, &b, "+ "), std::tuple(&b, &a, "- ")})
        for (const auto& f : *to) out += from->count(f) || (lasting && !Lasting(f)) ? "" : sign + f + "\n";
    return out;
}
// What the drives hold before the test's first installation.
const Listing kBefore = Files();
// The registry key PATH under ROOT in the 64-bit view or VIEW; none where Windows finds
// no such key: any other failure to open it fails.
HKEY Open(HKEY root, const wchar_t* path, REGSAM view = KEY_WOW64_64KEY) {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(root, path, 0, KEY_READ | view, &key);
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status << " opening " << Utf8(path);
    return status == ERROR_SUCCESS ? key : nullptr;
}
const wchar_t* kEntry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SurfaceViewer";
bool Registered(HKEY root) {
    HKEY in64 = Open(root, kEntry), in32 = Open(root, kEntry, KEY_WOW64_32KEY);
    return (in64 && !RegCloseKey(in64)) | (in32 && !RegCloseKey(in32));
}
// A text of the uninstall entry under ROOT, as a 64-bit program reads it.
std::wstring Text(HKEY root, const wchar_t* name) {
    wchar_t text[2048] = L"";
    DWORD size = sizeof text;
    return RegGetValueW(root, kEntry, name, RRF_RT_REG_SZ, nullptr, text, &size) ? L"" : text;
}
// The current user's deletions at the next logon that uninstall.exe set.
std::string LogonDeletions() {
    std::string found;
    HKEY key = Open(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
    wchar_t name[256];
    for (DWORD i = 0, n = 256; key && !RegEnumValueW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr); n = 256, ++i)
        found += wcsncmp(name, L"SurfaceViewer", 13) ? "" : Utf8(name) + "\n";
    return key && RegCloseKey(key), found;
}
// Starts a command line as Windows starts a registered one, in FOLDER if given.
PROCESS_INFORMATION Start(std::wstring line, const wchar_t* folder = nullptr) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &started);
    return started;
}
// Its exit code once it has ended; none a test expects where it did not start.
DWORD RunLine(const std::wstring& line) {
    const PROCESS_INFORMATION run = Start(line);
    DWORD code = WaitForSingleObject(run.hProcess, INFINITE) == WAIT_OBJECT_0 ? 0 : ~0u;
    GetExitCodeProcess(run.hProcess, &code);
    return CloseHandle(run.hThread), CloseHandle(run.hProcess), code;
}
DWORD Install(const std::wstring& options = L"") { return RunLine(L'"' + Env(L"PACKAGE_TEST_SETUP") + L"\" /S" + options); }
const std::wstring kAllUsers = Env(L"ProgramFiles") + L"\\Surface Viewer",
                   kAllUsersLink = Env(L"ProgramData") + L"\\Microsoft\\Windows\\Start Menu\\Programs\\Ливентор.lnk";
// The zip's files and the uninstaller's two in FOLDER, registered under ROOT alone, with
// the entry Apps & features shows, and the Start-menu shortcut LINK.
void ExpectInstalled(HKEY root, const std::wstring& folder, const std::wstring& link) {
    Listing expected = Tree(Env(L"VIEW_TEST_PACKAGE"));
    expected.insert({"uninstall.exe", "uninstall.dat"});
    double kB = 0;
    EXPECT_EQ(Changes(expected, Tree(folder, L"", &kB)), "") << "the installation in " << Utf8(folder);
    EXPECT_FALSE(Registered(root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER))
        << "an installation in " << Utf8(folder) << " registered under the other root too";
    const std::string exe = Utf8(folder + L"\\surface-viewer.exe");
    for (const auto& [name, value] : std::map<std::wstring, std::string>{
             {L"DisplayName", "Ливентор"}, {L"DisplayVersion", VIEWER_VERSION}, {L"DisplayIcon", exe + ",0"},
             {L"InstallLocation", Utf8(folder)}, {L"Publisher", VIEWER_PUBLISHER}, {L"URLInfoAbout", VIEWER_HOMEPAGE}})
        EXPECT_EQ(Utf8(Text(root, name.c_str())), value) << Utf8(name) << " for " << Utf8(folder);
    DWORD size = 0, bytes = sizeof size;
    RegGetValueW(root, kEntry, L"EstimatedSize", RRF_RT_REG_DWORD, nullptr, &size, &bytes);
    EXPECT_NEAR(size, kB, kB * 0.05) << "EstimatedSize in kB, against the folder's files";
    Shortcut shortcut;
    ASSERT_TRUE(ReadShortcut(link, shortcut)) << "no shortcut " << Utf8(link);
    EXPECT_EQ(Utf8(shortcut.icon), exe + ",0");
    EXPECT_EQ(Utf8(shortcut.folder), Utf8(folder)) << "the shortcut's working folder";
}

// The registered silent uninstall: when it returns, nothing of the program lasts; a moment
// later (its deletion is retried every second for half a minute) uninstall.exe is gone
// too, and so is its deletion at the next logon.
void ExpectUninstalledSilently(HKEY root) {
    const std::wstring line = Text(root, L"QuietUninstallString");
    ASSERT_NE(line, L"") << "nothing to uninstall";
    ASSERT_EQ(RunLine(line), 0u) << Utf8(line);
    EXPECT_EQ(Changes(kBefore, Files(), true), "") << "left behind when the silent uninstall returned";
    EXPECT_FALSE(Registered(root)) << "the uninstall left its entry";
    for (int i = 0; i < 150 && (Files() != kBefore || LogonDeletions() != ""); ++i) Sleep(200);
    EXPECT_EQ(Changes(kBefore, Files()), "") << "left where uninstall.exe went";
    EXPECT_EQ(LogonDeletions(), "") << "the deletion at the next logon left registered";
}

// An installation of the first layout, whose uninstall.exe is the uninstaller itself,
// with a file only that layout has: the installer removes it first.
TEST(AllUsersInstallation, OverTheFirstLayout) {
    ASSERT_EQ(RunLine(L'"' + Env(L"PACKAGE_TEST_FIRST_SETUP") + L"\" /S"), 0u);
    ASSERT_TRUE(fs::exists(kAllUsers + L"\\first-layout-only.txt") && fs::exists(kAllUsers + L"\\uninstall.exe") &&
                !fs::exists(kAllUsers + L"\\uninstall.dat")) << "the first layout's installer did not install its layout";
    ASSERT_EQ(Install(), 0u);
    ExpectInstalled(HKEY_LOCAL_MACHINE, kAllUsers, kAllUsersLink);
}

// While the program runs from the installation, neither the installer nor the
// uninstaller goes on: silent, they give up with error level 2.
TEST(AllUsersInstallation, GivesUpWhileTheProgramRunsThenGoes) {
    const PROCESS_INFORMATION program = Start(L'"' + kAllUsers + L"\\surface-viewer.exe\"", kAllUsers.c_str());
    ASSERT_NE(program.hProcess, nullptr) << "the installed program does not start";
    WaitForInputIdle(program.hProcess, INFINITE);
    const Listing running = Files();
    EXPECT_EQ(Install(), 2u) << "the installer over the running program";
    EXPECT_EQ(RunLine(Text(HKEY_LOCAL_MACHINE, L"QuietUninstallString")), 2u) << "the running program's uninstaller";
    EXPECT_EQ(Changes(running, Files()), "") << "the installation changed while the program ran";
    EXPECT_EQ(WaitForSingleObject(program.hProcess, 0), WAIT_TIMEOUT) << "the program did not survive";
    const auto close = [](HWND window, LPARAM) { return IsWindowVisible(window) && PostMessageW(window, WM_CLOSE, 0, 0), TRUE; };
    while (WaitForSingleObject(program.hProcess, 500) == WAIT_TIMEOUT) EnumThreadWindows(program.dwThreadId, close, 0);
    CloseHandle(program.hThread), CloseHandle(program.hProcess);
    ExpectUninstalledSilently(HKEY_LOCAL_MACHINE);
}

// The user's own programs folder and HKCU; a second installation, on another volume, first
// removes the first. From there uninstall.exe cannot move to Temp: it goes with its folder.
TEST(CurrentUserInstallation, IntoTheUsersProgramsThenOverItselfOnAnotherVolume) {
    const std::wstring mine = Env(L"LOCALAPPDATA") + L"\\Programs\\Surface Viewer",
                       link = Env(L"APPDATA") + L"\\Microsoft\\Windows\\Start Menu\\Programs\\Ливентор.lnk";
    ASSERT_EQ(Install(L" /CurrentUser"), 0u);
    ExpectInstalled(HKEY_CURRENT_USER, mine, link);
    ASSERT_EQ(Install(L" /CurrentUser /D=D:\\SurfaceViewer2"), 0u);
    EXPECT_FALSE(fs::exists(mine)) << "the second installation left the first in place";
    ExpectInstalled(HKEY_CURRENT_USER, L"D:\\SurfaceViewer2", link);
    ExpectUninstalledSilently(HKEY_CURRENT_USER);
}

// Wine's user is an administrator: Program Files and HKLM. The installation stays.
TEST(LastInstallation, ForAllUsersIntoProgramFiles) {
    ASSERT_EQ(Install(), 0u);
    ExpectInstalled(HKEY_LOCAL_MACHINE, kAllUsers, kAllUsersLink);
}
}  // namespace
