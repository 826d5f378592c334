// The helpers of the removing and the unattended scenarios (UninstallScenario.h).
#include "UninstallScenario.h"

#include <cstdio>

#include "Picture.h"
#include "ScenarioChanges.h"

namespace {
// The icon of a message box, told by its colours on the screen (an icon
// handle of another process cannot be read): the system's question mark is
// drawn in blue, its exclamation mark in orange.
std::string IconOf(Robot& robot, const WindowInfo& box) {
    for (const ControlInfo& control : box.controls) {
        if ((control.style & SS_TYPEMASK) != SS_ICON) continue;
        RECT area = {};
        GetWindowRect(GetDlgItem(box.hwnd, control.id), &area);
        Sleep(200);  // painted before it is photographed
        std::optional<Picture> picture = TakePicture(robot, CurrentTestName() + "-icon");
        if (!picture) return "icon not photographed";
        int blue = 0, orange = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                if (!picture->Contains(x, y)) continue;
                Pixel p = picture->At(x, y);
                if (p.b > 150 && p.r < 100) ++blue;
                if (p.r > 200 && p.g > 80 && p.b < 100) ++orange;
            }
        return blue > 40 && orange < 10 ? "question" : orange > 40 && blue < 10 ? "exclamation" : "other icon";
    }
    return "no icon";
}

// The record as the older setup wrote it for the same files, as they are now.
std::string OlderRecordText(const InstallRecord& record) {
    std::string text = "XOVUNIN INSTALL RECORD 1\r\nI\t" + record.installFolder + "\r\n";
    for (const RecordEntry& entry : record.entries) {
        // The older setup neither recorded nor counted the uninstaller.
        if (entry.kind == RecordEntry::Kind::Uninstaller) continue;
        if (entry.kind != RecordEntry::Kind::File) {
            text += (entry.kind == RecordEntry::Kind::Folder ? "D\t" : "S\t") + entry.path + "\r\n";
            continue;
        }
        FILETIME time = FileWriteTime(entry.path);
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "F\t%llu\t%08lX%08lX\t", static_cast<unsigned long long>(entry.size),
                      time.dwHighDateTime, time.dwLowDateTime);
        text += numbers + entry.path + "\r\n";
    }
    return text;
}
}  // namespace

std::string DescribeBox(Robot& robot, const WindowInfo& box) {
    std::string icon = IconOf(robot, box);
    std::string buttons;
    for (auto [id, name] :
         {std::pair{IDYES, "Yes"}, {IDNO, "No"}, {IDOK, "OK"}, {IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}})
        if (const ControlInfo* button = box.Control(id); button && button->visible) buttons += std::string(" ") + name;
    return "[" + icon + buttons + "] " + box.title + ": " + box.Text(kMessageBoxText);
}

void RewriteAsOlderRecord(const std::string& product) {
    std::optional<std::map<std::string, StoredValue>> entry = UninstallEntry(product);
    ASSERT_TRUE(entry && entry->count("InstallRecord"));
    std::optional<InstallRecord> record = ParseRecord(entry->at("InstallRecord").bytes);
    ASSERT_TRUE(record);
    std::string older = OlderRecordText(*record);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + product).c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "InstallRecord", 0, REG_BINARY, reinterpret_cast<const BYTE*>(older.data()),
                   static_cast<DWORD>(older.size()));
    RegCloseKey(key);
}
