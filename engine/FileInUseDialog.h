#pragma once
// The question asked when a file of the book cannot be replaced because
// another program holds it: which file, which programs (where the system can
// tell), and Retry, Close Programs (only where the system can close them)
// or Cancel. The copy engine runs it on its worker thread.
#include <string>

#include "engine/CopyPrompts.h"
#include "framework/Dialog.h"
#include "res/resource.h"

class FileInUseDialog : public CDialog {
public:
    enum { IDD = IDD_FILE_IN_USE };
    explicit FileInUseDialog(const InUseQuestion& question) : CDialog(IDD), m_question(question) {}

    // After DoModal: Retry for IDOK, ClosePrograms for its button, Cancel otherwise.
    InUseAnswer answer = InUseAnswer::Cancel;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    std::span<const MessageMapEntry> GetMessageMap() const override;
    LRESULT OnClosePrograms(WPARAM, LPARAM);

private:
    const InUseQuestion& m_question;
};
