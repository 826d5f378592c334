#include <gtest/gtest.h>

#include <thread>

#include "TestWindows.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {
// A dialog on one of setup's templates whose map answers a few messages, to
// see what the dialog manager hands back to the sender.
class AnsweringDialog : public CDialog {
public:
    AnsweringDialog() : CDialog(IDD_CONFIRM_EXIT) {}

    LRESULT appAnswer = 0, colourAnswer = 0, commandAnswer = 0;
    int customClicks = 0;
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));

    LRESULT OnApp(WPARAM, LPARAM) { return 42; }
    LRESULT OnColour(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(brush); }
    LRESULT OnCustom(WPARAM, LPARAM) {
        ++customClicks;
        return 7;
    }

protected:
    std::span<const MessageMapEntry> GetMessageMap() const override {
        static const MessageMapEntry map[] = {
            {WM_APP, 0, 0, MapHandler(&AnsweringDialog::OnApp)},
            {WM_CTLCOLORDLG, 0, 0, MapHandler(&AnsweringDialog::OnColour)},
            {WM_COMMAND, BN_CLICKED, 1234, MapHandler(&AnsweringDialog::OnCustom)},
        };
        return map;
    }
    BOOL OnInitDialog() override {
        appAnswer = SendMessageA(m_hWnd, WM_APP, 0, 0);
        colourAnswer = SendMessageA(m_hWnd, WM_CTLCOLORDLG, 0, 0);
        commandAnswer = SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(1234, BN_CLICKED), 0);
        // Another notification of the same control is not the mapped one.
        SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(1234, BN_DOUBLECLICKED), 0);
        PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return TRUE;
    }
};

TEST(DialogProcedure, MappedAnswersReachTheSenderByTheDialogReturnRule) {
    AnsweringDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.appAnswer, 42);  // through DWLP_MSGRESULT
    EXPECT_EQ(dialog.colourAnswer, reinterpret_cast<LRESULT>(dialog.brush));  // returned directly
    EXPECT_EQ(dialog.commandAnswer, 7);
    EXPECT_EQ(dialog.customClicks, 1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(DialogProcedure, AMissingTemplateFailsInsteadOfShowingNothingForever) {
    CDialog dialog(4711);
    EXPECT_EQ(dialog.DoModal(), -1);
}

class MainWindow : public CWnd {
public:
    bool* finalDestroy;
    explicit MainWindow(bool* flag) : finalDestroy(flag) {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, nullptr, nullptr), "main", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                 nullptr);
    }

protected:
    void PostNcDestroy() override { *finalDestroy = true; }
};

TEST(Application, OwnerOfParentlessWindowsAndEndOfTheMainWindow) {
    CWinApp app;
    app.m_threadId = GetCurrentThreadId();
    bool destroyed = false;
    MainWindow main(&destroyed);
    ASSERT_NE(main.m_hWnd, nullptr);
    app.m_pMainWnd = &main;

    EXPECT_EQ(AfxGetDefaultOwner(), main.m_hWnd);
    HWND workerOwner = reinterpret_cast<HWND>(1);
    std::thread([&] { workerOwner = AfxGetDefaultOwner(); }).join();
    EXPECT_EQ(workerOwner, nullptr) << "a worker's dialogs must not disable the user-interface thread's windows";

    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    main.DestroyWindow();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(main.m_hWnd, nullptr);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop must end";

    // A main window that could not be created: the loop must not wait for
    // an end that never comes.
    struct EndsWithTwo : CWinApp {
        int ExitInstance() override { return 2; }
    } windowless;
    windowless.m_threadId = GetCurrentThreadId();
    EXPECT_EQ(windowless.Run(), 2);
}

TEST(AfxMessageBox, CaptionIsTheProgramNameAndTheIconDefaultsToExclamation) {
    std::string caption, text;
    HICON icon = nullptr;
    INT_PTR result = RunModalAndDrive([] { return static_cast<INT_PTR>(AfxMessageBox("Disk full\nTry again")); },
                                      [&](HWND box) {
                                          caption = WindowText(box);
                                          text = MessageBoxText(box);
                                          icon = reinterpret_cast<HICON>(
                                              SendDlgItemMessageA(box, 0x0440, STM_GETICON, 0, 0));
                                          ClickButton(box, IDOK);
                                      });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(caption, "unit_tests");
    EXPECT_EQ(text, "Disk full\nTry again");
    EXPECT_EQ(icon, LoadIconA(nullptr, MAKEINTRESOURCEA(32515)));  // IDI_EXCLAMATION
}

TEST(AfxMessageBox, KeepsTheIconTheCallerAsksFor) {
    HICON icon = nullptr;
    RunModalAndDrive([] { return static_cast<INT_PTR>(AfxMessageBox("Stop", MB_OK | MB_ICONSTOP)); },
                     [&](HWND box) {
                         icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, 0x0440, STM_GETICON, 0, 0));
                         ClickButton(box, IDOK);
                     });
    EXPECT_EQ(icon, LoadIconA(nullptr, MAKEINTRESOURCEA(32513)));  // IDI_HAND
}
}  // namespace
