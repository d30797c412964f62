// The dialog manager, headless: control messages behave like their Windows counterparts, the
// viewer's actions arrive as command messages, and the dialog ends with its procedure's result.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/pl_dialog.h"

namespace {

constexpr int kDialog = 900;
constexpr PL_DlgControl kControls[] = {
    {1, PL_DLG_STATIC, "Label", 0, 0, 40, 10, 0},
    {10, PL_DLG_DEFPUSHBUTTON, "OK", 0, 20, 40, 14, WS_TABSTOP | WS_DISABLED},
    {11, PL_DLG_PUSHBUTTON, "Cancel", 50, 20, 40, 14, WS_TABSTOP},
    {20, PL_DLG_AUTOCHECKBOX, "Check", 0, 40, 40, 10, WS_TABSTOP},
    {30, PL_DLG_DROPDOWNLIST, nullptr, 0, 60, 80, 60, 0},
};
constexpr PL_DlgTemplate kTemplate{"Test", "Sans", 8, 0, 0, 100, 80, kControls, int(std::size(kControls))};

// The procedure logs what it gets and runs the test's reaction; the test plays the viewer.
struct Session {
  std::vector<std::string> log;
  std::function<INT_PTR(HWND, UINT, WPARAM)> react;
  std::function<void(HWND)> viewer;
};
Session* g_session = nullptr;

INT_PTR proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_COMMAND) g_session->log.push_back("command " + std::to_string(LOWORD(wparam)) + "/" + std::to_string(HIWORD(wparam)));
  if (message == WM_CLOSE) g_session->log.push_back("close");
  return g_session->react ? g_session->react(dialog, message, wparam) : FALSE;
}

void play(HWND dialog, void* user) { static_cast<Session*>(user)->viewer(dialog); }

INT_PTR RunDialog(Session& s) {
  g_session = &s;
  PL_DialogAddTemplate(kDialog, &kTemplate);
  PL_DialogSetDriver(play, &s);
  INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialog), nullptr, proc, 0);
  PL_DialogSetDriver(nullptr, nullptr);
  g_session = nullptr;
  return result;
}

LRESULT send(HWND d, int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  return SendDlgItemMessageA(d, id, message, wparam, lparam);
}

TEST(Dialog, ListsHoldOnlyRows) {
  Session s;
  s.viewer = [](HWND d) {
    EXPECT_EQ(send(d, 30, CB_ADDSTRING, 0, LPARAM("a")), 0);
    EXPECT_EQ(send(d, 30, CB_ADDSTRING, 0, LPARAM("b")), 1);
    EXPECT_EQ(send(d, 30, CB_ADDSTRING), CB_ERR);
    EXPECT_EQ(send(d, 30, CB_SETCURSEL, 1), 1);
    EXPECT_EQ(send(d, 30, CB_SETCURSEL, 2), CB_ERR);  // not a row: no selection at all
    EXPECT_EQ(send(d, 30, CB_GETCURSEL), CB_ERR);
    EXPECT_FALSE(PL_DialogSelect(d, 30, 5));
    EXPECT_TRUE(PL_DialogSelect(d, 30, 0));
    EXPECT_STREQ(PL_DialogRowText(d, 30, 1), "b");
    EXPECT_EQ(send(d, 30, CB_RESETCONTENT), CB_OKAY);
    EXPECT_EQ(send(d, 30, CB_GETCOUNT), 0);
    EXPECT_EQ(send(d, 30, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(send(d, 99, CB_GETCOUNT), 0);  // no such control
    EndDialog(d, 5);
  };
  EXPECT_EQ(RunDialog(s), 5);
  EXPECT_EQ(s.log, std::vector<std::string>{"command 30/1"});
}

TEST(Dialog, OnlyEnabledControlsTakeClicks) {
  Session s;
  s.viewer = [](HWND d) {
    EXPECT_FALSE(PL_DialogClick(d, 10));  // disabled in the template
    EXPECT_TRUE(PL_DialogClick(d, 20));
    EXPECT_EQ(send(d, 20, BM_GETCHECK), BST_CHECKED);
    EXPECT_FALSE(EnableWindow(GetDlgItem(d, 20), FALSE));  // it was enabled
    EXPECT_FALSE(PL_DialogClick(d, 20));
    EXPECT_EQ(send(d, 20, BM_GETCHECK), BST_CHECKED);
    EXPECT_FALSE(PL_DialogClick(d, 1));  // a label is no button
    EXPECT_TRUE(PL_DialogClick(d, 11));
  };
  s.react = [](HWND d, UINT message, WPARAM wparam) -> INT_PTR {
    return message == WM_COMMAND && wparam == 11 ? EndDialog(d, 0) : FALSE;
  };
  EXPECT_EQ(RunDialog(s), 0);
  EXPECT_EQ(s.log, (std::vector<std::string>{"command 20/0", "command 11/0"}));
}

TEST(Dialog, UnhandledCloseBecomesCancelAndAnOpenDialogFails) {
  Session s;
  s.viewer = [](HWND d) { EXPECT_TRUE(PL_DialogClose(d)); };
  s.react = [](HWND d, UINT message, WPARAM wparam) -> INT_PTR {
    return message == WM_COMMAND && wparam == IDCANCEL ? EndDialog(d, 7) : FALSE;
  };
  EXPECT_EQ(RunDialog(s), 7);
  EXPECT_EQ(s.log, (std::vector<std::string>{"close", "command 2/0"}));
  s.react = nullptr;
  EXPECT_EQ(RunDialog(s), -1);  // the viewer walked away from an open dialog
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(12345), nullptr, proc, 0), -1);
}

}  // namespace
