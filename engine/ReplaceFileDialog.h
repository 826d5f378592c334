#pragma once
// The question asked before a file on the disk is replaced by the file of the
// same name from the medium. The copy engine runs it on its worker thread and
// reads the result and the two answer flags.
#include <cstdint>
#include <string>

#include "framework/Dialog.h"
#include "res/resource.h"

class ReplaceFileDialog : public CDialog {
public:
    enum { IDD = IDD_REPLACE_FILE };
    ReplaceFileDialog(const std::string& fileName, uint32_t sourceSize, uint32_t existingSize, FILETIME sourceTime,
                      FILETIME existingTime, CWnd* parent = nullptr);

    // The answer beside the OK result: Yes To All, or No (keep the existing file).
    bool yesToAll = false;
    bool skipFile = false;
    // The incoming file from the medium and the one already on the disk.
    std::string fileName;
    uint32_t sourceSize;
    uint32_t existingSize;
    FILETIME sourceTime;
    FILETIME existingTime;

protected:
    BOOL OnInitDialog() override;
    std::span<const MessageMapEntry> GetMessageMap() const override;
    LRESULT OnYesToAll(WPARAM, LPARAM);
    LRESULT OnNo(WPARAM, LPARAM);
};
