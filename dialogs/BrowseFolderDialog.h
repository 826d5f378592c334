#pragma once
// The folder browser: a tree of drives and folders, filled only as far as the
// user opens it, and an optional new folder name to add to the pick. It
// creates nothing; the destination dialog asks and creates.
//
// Whether a folder shows an expand button is decided only when the tree
// control first needs it, that is when the item comes into view or is
// expanded (children by callback): a folder of thousands of subfolders is
// listed once, and only the subfolders the user gets to see are searched.
#include <span>
#include <string>

#include "framework/Dialog.h"
#include "framework/ImageList.h"
#include "framework/TreeCtrl.h"
#include "res/resource.h"

class BrowseFolderDialog : public CDialog {
public:
    enum { IDD = IDD_BROWSE_FOLDER };
    // The images of the drive bitmap, by index.
    enum Image { HardDiskImage = 0, FloppyImage = 1, CdRomImage = 2, ClosedFolderImage = 3, OpenFolderImage = 4 };

    BrowseFolderDialog() : CDialog(IDD) {}
    ~BrowseFolderDialog() override = default;

    CImageList m_imageList;
    CTreeCtrl m_tree;            // control 1016, borrowed from the dialog
    std::string m_selectedPath;  // path of the selected item; after OK, the result
    std::string m_newDirName;    // the New Directory text

    // How many directory listings the dialog has opened so far: the cost a
    // slow drive makes the user wait for.
    int FolderSearches() const { return m_folderSearches; }

protected:
    std::span<const MessageMapEntry> GetMessageMap() const override;
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    LRESULT OnItemExpanding(WPARAM, LPARAM);
    LRESULT OnGetDispInfo(WPARAM, LPARAM);
    LRESULT OnSelChanged(WPARAM, LPARAM);
    LRESULT OnNewDirChange(WPARAM, LPARAM);

private:
    void FillDrives();
    void AddDrive(const std::string& root);
    // Whether the folder holds a subfolder, searched up to the first one.
    bool HasSubfolders(const std::string& path);
    std::string ItemPath(HTREEITEM item) const;
    int FillFolder(HTREEITEM item, const std::string& path);
    void DeleteAllChildren(HTREEITEM item);
    // Control 1008 shows the path, shortened to the label's width.
    void ShowCurrentDirectory(const std::string& path);

    // Raised while the drives are filled until the first fixed drive is selected.
    bool SelectFirstFixedDrive = false;
    int m_folderSearches = 0;
};
