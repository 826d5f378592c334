// How the folder browser copes with a big folder: opening the dialog, then
// expanding (until the tree has drawn the first screenful) and collapsing a
// folder of 20,000 subfolders, with the real dialog driven as in the dialog
// tests, and how many directory searches the dialog made for it. For
// comparison it also times the tree control's own sorted insertion
// (TVI_SORT) of the same names, which walks the siblings for every item, and
// one search per subfolder, which deciding every folder's button up front
// would cost.
//
//   wine browse_bench.exe [folders] [sortinsert]     (default 20000)
//
// The tree control's sorted insertion takes a minute and more for 20,000
// names: it is timed only when asked for ("sortinsert").
//
// The folder tree is made once under the build tree (benchdata\big).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "../tests/dialogs/DialogDriver.h"
#include "settings/SetupTexts.h"
#include "dialogs/BrowseFolderDialog.h"
#include "framework/FolderListing.h"
#include "framework/PathText.h"
#include "dialogs/FolderBrowsing.h"

namespace {
double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "%s%05d", (i % 3 == 0) ? "dir" : (i % 3 == 1) ? "Folder_" : "x", i);
        names.push_back(name);
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(42));
    return names;
}

// Creates the big folder once; a marker file says it is complete.
bool MakeBigFolder(const std::string& big, const std::vector<std::string>& names) {
    std::string marker = big + "\\..\\big-" + std::to_string(names.size()) + ".done";
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    CreateDirectoryA(BENCH_DATA_DIR, nullptr);
    CreateDirectoryA(big.c_str(), nullptr);
    std::printf("creating %zu folders under %s ...\n", names.size(), big.c_str());
    for (const std::string& name : names) CreateDirectoryA((big + "\\" + name).c_str(), nullptr);
    // A few with a subfolder of their own, so that some show a button.
    for (size_t i = 0; i < names.size(); i += 100) CreateDirectoryA((big + "\\" + names[i] + "\\sub").c_str(), nullptr);
    HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

double TreeSortInsert(const std::vector<std::string>& names) {
    HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP | TVS_HASBUTTONS, 0, 0, 300, 300, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    HTREEITEM root = nullptr;
    {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>("root");
        root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    LARGE_INTEGER start = Now();
    for (const std::string& name : names) {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = root;
        insert.hInsertAfter = TVI_SORT;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    }
    double seconds = Seconds(start, Now());
    DestroyWindow(tree);
    return seconds;
}
}  // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (count <= 0) count = 20000;

    std::string data = BENCH_DATA_DIR;
    std::string big = data + "\\big";
    std::vector<std::string> names = Names(count);
    if (!MakeBigFolder(big, names)) {
        std::printf("cannot create the folders under %s\n", big.c_str());
        return 2;
    }
    SetupTexts.BrowseTitle = "Bench browse";

    BrowseFolderDialog dialog;
    LARGE_INTEGER start = Now();
    DialogThread thread([&dialog] { return dialog.DoModal(); });
    HWND window = WaitForWindowTitled(thread.ThreadId(), "Bench browse", 60000);
    double openSeconds = Seconds(start, Now());
    if (!window) {
        std::printf("the dialog did not open\n");
        return 2;
    }
    HWND tree = GetDlgItem(window, IDC_FOLDER_TREE);

    // Walk down to the parent of the big folder: Z:\ and each folder of the path.
    HTREEITEM item = nullptr;
    std::string rest = data;
    std::string root = rest.substr(0, 3);
    item = FindChild(tree, TVI_ROOT, root);
    rest = rest.substr(3);
    while (item && !rest.empty()) {
        ExpandByKey(tree, item);
        size_t slash = FindChar(rest, '\\');
        std::string part = rest.substr(0, slash);
        rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
        item = FindChild(tree, item, part);
    }
    if (!item) {
        std::printf("cannot find %s in the tree\n", data.c_str());
        return 2;
    }
    ExpandByKey(tree, item);
    HTREEITEM bigItem = FindChild(tree, item, "big");
    if (!bigItem) {
        std::printf("cannot find the big folder in the tree\n");
        return 2;
    }

    // Five times each, the machine's load varying meanwhile: the median, the lowest and the highest.
    std::vector<double> expands, collapses;
    int expandSearches = 0;
    bool sorted = true;
    std::vector<std::string> shown;
    for (int round = 0; round < 5; ++round) {
        int searchesBefore = dialog.FolderSearches();
        start = Now();
        ExpandByKey(tree, bigItem);
        UpdateWindow(tree);  // the first screenful drawn, buttons and all
        expands.push_back(Seconds(start, Now()));
        expandSearches = std::max(expandSearches, dialog.FolderSearches() - searchesBefore);
        shown = ChildTexts(tree, bigItem);
        sorted = sorted && std::is_sorted(shown.begin(), shown.end(), FolderNameLess);

        // Drawn too, as after the expansion: the collapsed folder's button is
        // decided as it is drawn, and a reader's screen shows the collapse
        // before the next expansion begins.
        start = Now();
        CollapseByKey(tree, bigItem);
        UpdateWindow(tree);
        collapses.push_back(Seconds(start, Now()));
    }
    std::sort(expands.begin(), expands.end());
    std::sort(collapses.begin(), collapses.end());

    ClickButton(window, IDCANCEL);
    thread.WaitDone(10000);

    bool sortInsert = argc > 2 && std::string(argv[2]) == "sortinsert";
    double sortInsertSeconds = sortInsert ? TreeSortInsert(names) : 0;

    // The part of the expansion that is the listing of the big folder.
    start = Now();
    size_t listed = 0;
    {
        FolderListing listing(big);
        while (listing.Next()) listed += listing.Entry().IsFolder() ? 1 : 0;
    }
    double listingSeconds = Seconds(start, Now());

    // The part of the expansion that is putting the names in order.
    std::vector<std::string> sorting = names;
    start = Now();
    SortFolderNames(sorting);
    double sortSeconds = Seconds(start, Now());

    // The part of the expansion that is the file system's: one search per
    // subfolder for a subfolder of its own.
    start = Now();
    for (const std::string& name : names) {
        FolderListing listing(big + "\\" + name);
        listing.Next();
    }
    double searchSeconds = Seconds(start, Now());

    std::printf("open the browser:               %8.3f s\n", openSeconds);
    std::printf("expand %6d subfolders:        %8.3f s (lowest %.3f, highest %.3f of 5; %zu items, %s; %d folder searches)\n",
                count, expands[2], expands[0], expands[4], shown.size(), sorted ? "in order" : "NOT IN ORDER",
                expandSearches);
    std::printf("for comparison, one search per subfolder: %6.3f s (the file system alone)\n", searchSeconds);
    std::printf("collapse them:                  %8.3f s (lowest %.3f, highest %.3f of 5)\n", collapses[2], collapses[0],
                collapses[4]);
    std::printf("of the expansion, the listing:  %8.3f s (%zu folders)\n", listingSeconds, listed);
    std::printf("of the expansion, the sorting:  %8.3f s\n", sortSeconds);
    if (sortInsert)
        std::printf("for comparison, TVI_SORT insert: %8.3f s (names only, no folder listing)\n", sortInsertSeconds);
    return shown.size() == names.size() && sorted ? 0 : 1;
}
