// robot.exe: drives setup.exe through a scenario file and prints the transcript.
//
//   robot.exe SETUP_EXE WORK_DIR SCENARIO_FILE [TRANSCRIPT_FILE]
//   robot.exe --uninstall PRODUCT WORK_DIR SCENARIO_FILE [TRANSCRIPT_FILE]
//
// The second form runs the command registered as the product's
// "UninstallString" (HKLM ...\Uninstall\PRODUCT), as the system does when
// the product is removed from the list of installed software.
//
// The scenario holds one action per line (blank lines and lines starting with
// # are skipped):
//   dialog              wait for the next dialog or message box
//   press ID|default    click a button of the current dialog
//   key NAME            RETURN, ESCAPE, TAB, SPACE, UP, DOWN, LEFT, RIGHT or a number
//   type ID TEXT        type TEXT into control ID
//   paste ID TEXT       paste TEXT into control ID
//   closed              wait until the current dialog has closed
//   shot NAME           screenshot NAME (NAME.png when it has no extension)
//   sleep MS            wait MS milliseconds
//   walk PREFIX         until setup ends: wait for each dialog in front (new,
//                       or again after a message box over it), take the
//                       screenshot PREFIX-NN-TITLE.png, press its default button;
//                       a dialog with a progress bar is photographed with the
//                       copy held while the bar is part-way, and left to go on
//   exit                wait for setup to end and record its exit code
// The robot's own exit code is 0 when every action succeeded, 1 otherwise.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "Robot.h"

namespace {
constexpr int kMostDialogsInWalk = 200;

bool ParseKey(const std::string& name, WORD& vk) {
    static const std::map<std::string, WORD> keys = {
        {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN}, {"ESCAPE", VK_ESCAPE}, {"ESC", VK_ESCAPE},
        {"TAB", VK_TAB},       {"SPACE", VK_SPACE},  {"UP", VK_UP},         {"DOWN", VK_DOWN},
        {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT},  {"HOME", VK_HOME},     {"END", VK_END},
        {"DELETE", VK_DELETE}, {"BACK", VK_BACK},    {"F2", VK_F2},
    };
    std::string upper;
    for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (auto it = keys.find(upper); it != keys.end()) {
        vk = it->second;
        return true;
    }
    char* end = nullptr;
    long number = std::strtol(name.c_str(), &end, 0);
    if (name.empty() || *end || number <= 0 || number > 0xFE) return false;
    vk = static_cast<WORD>(number);
    return true;
}

std::string SafeFileName(const std::string& title) {
    std::string out;
    for (char c : title) {
        if (std::isalnum(static_cast<unsigned char>(c))) out += c;
        else if (!out.empty() && out.back() != '_') out += '_';
        if (out.size() >= 40) break;
    }
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out.empty() ? "dialog" : out;
}

// The rest of the line after the first n words.
std::string Rest(const std::string& line, int words) {
    size_t pos = 0;
    for (int i = 0; i < words; ++i) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string::npos) return "";
        pos = line.find_first_of(" \t", pos);
        if (pos == std::string::npos) return "";
    }
    return pos + 1 <= line.size() ? line.substr(pos + 1) : "";
}

bool Walk(Robot& robot, const std::string& prefix) {
    for (int n = 1; n <= kMostDialogsInWalk; ++n) {
        std::optional<WindowInfo> dialog = robot.WaitFront();
        if (!dialog) return !robot.Running();
        char number[8];
        std::snprintf(number, sizeof number, "%02d", n);
        const std::string picture = prefix + "-" + number + "-" + SafeFileName(dialog->title) + ".png";
        // The copy's dialog is photographed with its bar part-way, the copy
        // held there, and left to go on by itself.
        auto bar = std::find_if(dialog->controls.begin(), dialog->controls.end(),
                                [](const ControlInfo& c) { return c.className == "msctls_progress32"; });
        if (bar != dialog->controls.end()) {
            robot.HoldPartWay(bar->id, [&] {
                Sleep(300);
                robot.Screenshot(picture);
            });
            continue;
        }
        // Let the dialog finish painting before it is photographed.
        Sleep(300);
        robot.Screenshot(picture);
        robot.Press(robot.DefaultButton());
    }
    robot.Note("walk: more than " + std::to_string(kMostDialogsInWalk) + " dialogs");
    return false;
}

bool RunLine(Robot& robot, const std::string& line) {
    std::istringstream words(line);
    std::string action;
    words >> action;
    if (action == "dialog") return robot.WaitDialog().has_value();
    if (action == "press") {
        std::string id;
        words >> id;
        robot.Press(id == "default" ? robot.DefaultButton() : std::atoi(id.c_str()));
        return true;
    }
    if (action == "key") {
        std::string name;
        words >> name;
        WORD vk = 0;
        if (!ParseKey(name, vk)) return false;
        robot.Key(vk);
        return true;
    }
    if (action == "type" || action == "paste") {
        int id = 0;
        words >> id;
        std::string text = Rest(line, 2);
        action == "type" ? robot.Type(id, text) : robot.Paste(id, text);
        return true;
    }
    if (action == "closed") {
        std::optional<WindowInfo> current = robot.Current();
        return current && robot.WaitClosed(current->hwnd);
    }
    if (action == "shot") {
        std::string name;
        words >> name;
        if (name.find('.') == std::string::npos) name += ".png";
        return robot.Screenshot(name);
    }
    if (action == "sleep") {
        DWORD ms = 0;
        words >> ms;
        Sleep(ms);
        return true;
    }
    if (action == "walk") {
        std::string prefix;
        words >> prefix;
        return Walk(robot, prefix.empty() ? "dialog" : prefix);
    }
    if (action == "exit") return robot.WaitExit() >= 0;
    robot.Note("unknown action: " + line);
    return false;
}

// The product's registered uninstall command; empty when there is none.
std::string UninstallCommand(const std::string& product) {
    std::string keyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product;
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "";
    DWORD type = 0;
    if (RegQueryValueExA(key, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        value[0] = '\0';
    RegCloseKey(key);
    return value;
}
}  // namespace

int main(int argc, char** argv) {
    std::string commandLine;
    if (argc > 2 && std::string(argv[1]) == "--uninstall") {
        commandLine = UninstallCommand(argv[2]);
        if (commandLine.empty()) {
            std::fprintf(stderr, "robot: no uninstall command registered for %s\n", argv[2]);
            return 2;
        }
        // PRODUCT stands where SETUP_EXE stands in the first form; the command line names the program.
        ++argv;
        --argc;
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: robot.exe SETUP_EXE WORK_DIR SCENARIO_FILE [TRANSCRIPT_FILE]\n"
                             "       robot.exe --uninstall PRODUCT WORK_DIR SCENARIO_FILE [TRANSCRIPT_FILE]\n");
        return 2;
    }
    std::ifstream scenario(argv[3]);
    if (!scenario) {
        std::fprintf(stderr, "robot: cannot read the scenario %s\n", argv[3]);
        return 2;
    }
    bool ok = true;
    std::string transcript;
    {
        Robot robot(argv[1], argv[2]);
        if (!commandLine.empty()) robot.SetCommandLine(commandLine);
        if (!robot.Start()) {
            ok = false;
        } else {
            std::string line;
            while (ok && std::getline(scenario, line)) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                size_t first = line.find_first_not_of(" \t");
                if (first == std::string::npos || line[first] == '#') continue;
                ok = RunLine(robot, line.substr(first));
                if (!ok) robot.Note("failed: " + line);
            }
        }
        // The robot's destructor ends a setup that is still running.
        if (!ok && robot.Running()) robot.Note("setup still running: terminated");
        transcript = robot.Transcript();
    }
    std::fputs(transcript.c_str(), stdout);
    if (argc > 4) {
        std::ofstream out(argv[4], std::ios::binary);
        out << transcript;
    }
    return ok ? 0 : 1;
}
