#include "dialogs/BrowseFolderDialog.h"

#include <vector>

#include "dialogs/ChosenFolder.h"
#include "settings/SetupTexts.h"
#include "dialogs/FolderBrowsing.h"
#include "engine/PathShortening.h"
#include "framework/FolderListing.h"
#include "framework/Dpi.h"
#include "framework/Gdi.h"

namespace {
constexpr COLORREF TransparentColour = RGB(255, 0, 255);

bool IsSubfolder(const FolderEntry& found) {
    return found.IsFolder() && found.name != "." && found.name != "..";
}
}  // namespace

std::span<const CWnd::MessageMapEntry> BrowseFolderDialog::GetMessageMap() const {
    static const MessageMapEntry map[] = {
        {WM_NOTIFY, static_cast<UINT>(TVN_ITEMEXPANDINGA), IDC_FOLDER_TREE, MapHandler(&BrowseFolderDialog::OnItemExpanding)},
        {WM_NOTIFY, static_cast<UINT>(TVN_SELCHANGEDA), IDC_FOLDER_TREE, MapHandler(&BrowseFolderDialog::OnSelChanged)},
        {WM_NOTIFY, static_cast<UINT>(TVN_GETDISPINFOA), IDC_FOLDER_TREE, MapHandler(&BrowseFolderDialog::OnGetDispInfo)},
        {WM_COMMAND, EN_CHANGE, IDC_NEW_DIR, MapHandler(&BrowseFolderDialog::OnNewDirChange)},
    };
    return map;
}

void BrowseFolderDialog::DoDataExchange(CDataExchange* exchange) { DDX_Text(exchange, IDC_NEW_DIR, m_newDirName); }

BOOL BrowseFolderDialog::OnInitDialog() {
    SetWindowText(SetupTexts.BrowseTitle);
    SetDlgItemText(IDC_BROWSE_TEXT1, SetupTexts.BrowseText1);
    SetDlgItemText(IDC_BROWSE_TEXT2, SetupTexts.BrowseText2);
    SetDlgItemText(IDOK, SetupTexts.OkButton);
    SetDlgItemText(IDCANCEL, SetupTexts.CancelButton);
    CenterWindow();

    m_tree = CTreeCtrl(GetDlgItem(IDC_FOLDER_TREE));
    // Without the bitmap the tree shows no images; nothing else changes.
    if (m_imageList.LoadBitmapStrip(IDB_DRIVES, 16, ScaleForDpi(16, WindowDpi(m_hWnd)), 1, TransparentColour))
        m_tree.SetImageList(m_imageList, TVSIL_NORMAL);

    SelectFirstFixedDrive = true;
    FillDrives();
    return CDialog::OnInitDialog();
}

void BrowseFolderDialog::OnOK() {
    UpdateData(TRUE);
    m_selectedPath = FormBrowseResult(m_selectedPath, m_newDirName);
    CDialog::OnOK();
}

void BrowseFolderDialog::FillDrives() {
    std::string root = "?:\\";
    DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 32 && (drives >> i) != 0; ++i) {
        if (!((drives >> i) & 1)) continue;
        root[0] = static_cast<char>('A' + i);
        AddDrive(root);
    }
}

void BrowseFolderDialog::AddDrive(const std::string& root) {
    // Drives come in letter order, so appending keeps the root level sorted.
    switch (GetDriveTypeA(root.c_str())) {
    case DRIVE_REMOVABLE:
        // Never read while the dialog opens, nor when it is drawn: a floppy
        // drive without a disk would keep the user waiting, so it gets its
        // button unseen.
        m_tree.InsertItem(root, FloppyImage, FloppyImage, TVI_ROOT, TVI_LAST, 1);
        break;
    case DRIVE_CDROM:
        m_tree.InsertItem(root, CdRomImage, CdRomImage, TVI_ROOT, TVI_LAST, 1);
        break;
    case DRIVE_FIXED: {
        HTREEITEM item = m_tree.InsertItem(root, HardDiskImage, HardDiskImage, TVI_ROOT, TVI_LAST, I_CHILDRENCALLBACK);
        if (SelectFirstFixedDrive) {
            m_tree.SelectItem(item);  // runs OnSelChanged before this returns
            SelectFirstFixedDrive = false;
            m_selectedPath = root;
            ShowCurrentDirectory(root);
        }
        break;
    }
    case DRIVE_REMOTE:
    case DRIVE_RAMDISK:
        m_tree.InsertItem(root, HardDiskImage, HardDiskImage, TVI_ROOT, TVI_LAST, I_CHILDRENCALLBACK);
        break;
    default:
        break;
    }
}

bool BrowseFolderDialog::HasSubfolders(const std::string& path) {
    ++m_folderSearches;
    FolderListing listing(path);
    // Hidden and system folders count like any other; one is enough.
    while (listing.Next())
        if (IsSubfolder(listing.Entry())) return true;
    return false;
}

std::string BrowseFolderDialog::ItemPath(HTREEITEM item) const {
    std::vector<std::string> texts;
    for (; item; item = m_tree.GetParentItem(item)) texts.push_back(m_tree.GetItemText(item));
    return ItemPathFromTexts(texts);
}

int BrowseFolderDialog::FillFolder(HTREEITEM item, const std::string& path) {
    std::vector<std::string> names;
    {
        ++m_folderSearches;
        FolderListing listing(path);
        if (!listing.Opened()) {
            // A drive without a medium keeps its button and is tried again at
            // the next expansion; a folder that cannot be listed loses it.
            if (m_tree.GetParentItem(item)) m_tree.SetItemChildren(item, 0);
            return 0;
        }
        while (listing.Next())
            if (IsSubfolder(listing.Entry())) names.push_back(listing.Entry().name);
    }
    if (names.empty()) {
        m_tree.SetItemChildren(item, 0);
        return 0;
    }
    // Sorted once and appended in order: inserting each item at its sorted
    // place would walk the siblings every time, quadratic in a big folder.
    SortFolderNames(names);
    int inserted = 0;
    m_tree.SetRedraw(false);
    for (const std::string& name : names) {
        // No search here: the control asks (OnGetDispInfo) for the folders it draws.
        if (m_tree.InsertItem(name, ClosedFolderImage, OpenFolderImage, item, TVI_LAST, I_CHILDRENCALLBACK)) ++inserted;
    }
    m_tree.SetRedraw(true);
    return inserted;
}

void BrowseFolderDialog::DeleteAllChildren(HTREEITEM item) {
    std::vector<HTREEITEM> children;
    for (HTREEITEM child = m_tree.GetChildItem(item); child; child = m_tree.GetNextSiblingItem(child))
        children.push_back(child);
    // Last first: the control renumbers the visible items that follow a
    // deleted one, so deleting from the front of an open folder of thousands
    // would renumber all the others each time.
    for (auto child = children.rbegin(); child != children.rend(); ++child) m_tree.DeleteItem(*child);
}

LRESULT BrowseFolderDialog::OnItemExpanding(WPARAM, LPARAM lParam) {
    const auto* notify = reinterpret_cast<const NMTREEVIEWA*>(lParam);
    HTREEITEM item = notify->itemNew.hItem;
    if (notify->action & TVE_EXPAND) {
        // A folder of thousands takes a while to list: show that it is busy.
        HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        int inserted = FillFolder(item, ItemPath(item));
        SetCursor(previous);
        // TRUE refuses the expansion; FillFolder has taken the button away
        // where there is nothing to show.
        return inserted == 0 ? TRUE : FALSE;
    }
    // Collapsing throws the children away; the next expansion lists anew.
    // The control finishes a collapse only for an item that still has
    // children, so the item is closed here, with the drawing held until the
    // tree is whole again. A folder's button is asked for anew when it is
    // drawn; a drive keeps its button unread.
    m_tree.SetRedraw(false);
    DeleteAllChildren(item);
    m_tree.SetItemChildren(item, m_tree.GetParentItem(item) ? I_CHILDRENCALLBACK : 1, 0,
                           TVIS_EXPANDED | TVIS_EXPANDEDONCE);
    m_tree.SetRedraw(true);
    return FALSE;
}

LRESULT BrowseFolderDialog::OnGetDispInfo(WPARAM, LPARAM lParam) {
    auto* info = reinterpret_cast<NMTVDISPINFOA*>(lParam);
    if (!(info->item.mask & TVIF_CHILDREN)) return 0;
    info->item.cChildren = HasSubfolders(ItemPath(info->item.hItem)) ? 1 : 0;
    // The control keeps the answer: each folder is searched once while its
    // parent stays open.
    info->item.mask |= TVIF_DI_SETITEM;
    return 0;
}

LRESULT BrowseFolderDialog::OnSelChanged(WPARAM, LPARAM lParam) {
    const auto* notify = reinterpret_cast<const NMTREEVIEWA*>(lParam);
    m_selectedPath = notify->itemNew.hItem ? ItemPath(notify->itemNew.hItem) : std::string();
    ShowCurrentDirectory(m_selectedPath);
    // The new folder's name may only be as long as the chosen path can take.
    SendDlgItemMessageA(m_hWnd, IDC_NEW_DIR, EM_LIMITTEXT, NewDirNameLimit(m_selectedPath, MaxChosenPath), 0);
    return 0;
}

void BrowseFolderDialog::ShowCurrentDirectory(const std::string& path) {
    HWND label = GetDlgItem(IDC_CURRENT_DIR);
    WINDOWPLACEMENT placement = {sizeof(placement)};
    if (!label || !GetWindowPlacement(label, &placement)) {
        SetDlgItemText(IDC_CURRENT_DIR, path);
        return;
    }
    int width = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
    // Measured in the label's context as the system hands it out: the label's
    // own font is not selected into it.
    CClientDC dc(label);
    auto measure = [&dc](const std::string& text) {
        SIZE size = {};
        GetTextExtentPointA(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::string shown = path;
    if (dc.m_hDC && measure(path) > width) shown = ShortenTextToFit(path, width, measure);
    SetDlgItemText(IDC_CURRENT_DIR, shown);
}

LRESULT BrowseFolderDialog::OnNewDirChange(WPARAM, LPARAM) {
    UpdateData(TRUE);
    DWORD selectionStart = 0;
    SendDlgItemMessageA(m_hWnd, IDC_NEW_DIR, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart), 0);
    NewDirFilterResult filtered = FilterNewDirText(m_newDirName, static_cast<int>(selectionStart));
    if (!filtered.removed) return 0;
    m_newDirName = filtered.text;
    UpdateData(FALSE);  // comes back here with the caret at 0, which changes nothing
    if (filtered.caret >= 0) {
        SendDlgItemMessageA(m_hWnd, IDC_NEW_DIR, EM_SETSEL, filtered.caret, filtered.caret);
        SendDlgItemMessageA(m_hWnd, IDC_NEW_DIR, EM_SCROLLCARET, 0, 0);
    }
    return 0;
}
