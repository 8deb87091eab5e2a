#include "app/config_selection.h"

#include <windows.h>

#include "app/no_follow.h"

namespace {

const char kReleaseConfigPath[] = "/update/win/kelto/VLMU.ini";
const char kTestConfigPath[] = "/update/win/kelto/VLMU_TEST.ini";
const wchar_t kReleaseTitle[] = L"VelmoraInstaller";
const wchar_t kTestTitle[] = L"VelmoraInstaller\u5185\u90e8\u7248\u672c";

std::string& MarkerNote() {
    static std::string note;
    return note;
}

bool TestMarkerIsFile() {
    // Same test as PathFileExistsW followed by PathIsDirectoryW, without needing shlwapi here.
    const DWORD attributes = GetFileAttributesW(L"test_ver_key");
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    // The marker counts only as a file of its own in folders reached without links.
    std::string why;
    ScopedHandle marker = OpenFileNoFollow(L"test_ver_key", FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           OPEN_EXISTING, 0, &why);
    if (!marker.valid()) {
        MarkerNote() = "test_ver_key ignored, the release configuration is used: " + why;
        return false;
    }
    return true;
}

// Chosen before WinMain; function-local so that other static initialisers may read it too.
const ConfigSelection& ProcessSelection() {
    static const ConfigSelection selection = SelectConfiguration();
    return selection;
}

const bool g_selectedAtStart = (ProcessSelection(), true);

}  // namespace

ConfigSelection SelectConfiguration() {
    ConfigSelection selection;
    const bool test = TestMarkerIsFile();
    selection.configUrl =
        std::string(ConfiguredUpdateOrigin()) + (test ? kTestConfigPath : kReleaseConfigPath);
    selection.windowTitle = test ? kTestTitle : kReleaseTitle;
    selection.isTest = test ? 1 : 0;
    return selection;
}

std::string ConfigMarkerNote() {
    (void)g_selectedAtStart;
    return MarkerNote();
}

const ConfigSelection& GetConfigSelection() {
    (void)g_selectedAtStart;
    return ProcessSelection();
}
