// The window framework: table routing, subclassing, reflection, the final-message hook and
// the message loop, exercised through real windows.
#include <new>
#include <vector>

#include "framework/Controls.h"
#include "framework/MessageLoop.h"
#include "framework/WindowImpl.h"
#include "resources/resource.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

constexpr UINT kAsk = WM_APP + 1;
constexpr UINT kPassOn = WM_APP + 2;
constexpr UINT kDestroyYourself = WM_APP + 3;

class CProbeWindow : public CFrameWindowImpl<CProbeWindow> {
 public:
  static const CFrameClassInfo& GetClassInfo() {
    static const CFrameClassInfo info = {L"KstFrameworkProbe", 0, IDC_ARROW};
    return info;
  }

  BEGIN_MSG_MAP(CProbeWindow)
  MESSAGE_HANDLER(kAsk, OnAsk)
  MESSAGE_HANDLER(kPassOn, OnPassOn)
  MESSAGE_HANDLER(kPassOn, OnLaterRow)
  MESSAGE_HANDLER(kDestroyYourself, OnDestroyYourself)
  COMMAND_ID_HANDLER(42, OnCommand42)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  void OnFinalMessage(HWND window) override { finalMessages.push_back(window); }

  std::vector<HWND> finalMessages;
  bool finalSeenInsideHandler = false;
  int laterRowCalls = 0;
  WORD lastCommandCode = 0;

 private:
  LRESULT OnAsk(UINT, WPARAM wParam, LPARAM, BOOL&) { return static_cast<LRESULT>(wParam * 2); }
  LRESULT OnPassOn(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = FALSE;
    return 0;
  }
  LRESULT OnLaterRow(UINT, WPARAM, LPARAM, BOOL&) {
    ++laterRowCalls;
    return 5;
  }
  LRESULT OnDestroyYourself(UINT, WPARAM, LPARAM, BOOL&) {
    ::DestroyWindow(m_hWnd);
    finalSeenInsideHandler = !finalMessages.empty();
    return 9;
  }
  LRESULT OnCommand42(WORD code, WORD, HWND, BOOL&) {
    lastCommandCode = code;
    return 0;
  }
};

class CProbeButton : public CWindowImpl<CProbeButton, CButtonT<CWindow>> {
 public:
  BEGIN_MSG_MAP(CProbeButton)
  MESSAGE_HANDLER(OCM_COMMAND, OnReflectedCommand)
  MESSAGE_HANDLER(WM_GETTEXTLENGTH, OnGetTextLength)
  END_MSG_MAP()

  void OnFinalMessage(HWND) override { ++finalMessages; }

  int reflectedCommands = 0;
  int finalMessages = 0;

 private:
  LRESULT OnReflectedCommand(UINT, WPARAM, LPARAM, BOOL&) {
    ++reflectedCommands;
    return 0;
  }
  LRESULT OnGetTextLength(UINT, WPARAM, LPARAM, BOOL&) { return 77; }
};

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(probe.Create(L"probe", WS_POPUP, 0), nullptr); }
  void TearDown() override {
    if (probe.IsWindow()) ::DestroyWindow(probe.m_hWnd);
  }
  CProbeWindow probe;
};

TEST_F(FrameworkTest, RowsAnswerInOrderAndPassOnWhatTheyLeave) {
  EXPECT_EQ(probe.SendMessage(kAsk, 21), 42);
  EXPECT_EQ(probe.SendMessage(kPassOn), 5);
  EXPECT_EQ(probe.laterRowCalls, 1);
  // A message of no row reaches the default processing.
  EXPECT_EQ(probe.SendMessage(WM_GETTEXTLENGTH), 5);
}

TEST_F(FrameworkTest, CommandsMatchTheControlIdWhateverTheNotification) {
  probe.SendMessage(WM_COMMAND, MAKEWPARAM(42, BN_DOUBLECLICKED), 0);
  EXPECT_EQ(probe.lastCommandCode, BN_DOUBLECLICKED);
}

TEST_F(FrameworkTest, AWindowDestroyedInsideItsOwnMessageIsReleasedAfterwards) {
  HWND window = probe.m_hWnd;
  EXPECT_EQ(probe.SendMessage(kDestroyYourself), 9);
  EXPECT_FALSE(probe.finalSeenInsideHandler);
  ASSERT_EQ(probe.finalMessages.size(), 1u);
  EXPECT_EQ(probe.finalMessages[0], window);
  EXPECT_EQ(probe.m_hWnd, nullptr);
}

TEST_F(FrameworkTest, SubclassedControlsGetTheirNotificationsReflected) {
  HWND raw = ::CreateWindowExW(0, L"BUTTON", L"press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0,
                               40, 20, probe.m_hWnd, reinterpret_cast<HMENU>(7), nullptr, nullptr);
  ASSERT_NE(raw, nullptr);
  CProbeButton button;
  ASSERT_TRUE(button.SubclassWindow(raw));
  EXPECT_FALSE(button.SubclassWindow(raw)) << "an object takes one window only";
  CProbeButton second;
  EXPECT_FALSE(second.SubclassWindow(raw)) << "a window has one object only";

  // The row of the subclass answers; the rest still reaches the system button.
  EXPECT_EQ(::SendMessageW(raw, WM_GETTEXTLENGTH, 0, 0), 77);
  EXPECT_EQ(::SendMessageW(raw, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"ok")), TRUE);

  ::SendMessageW(raw, BM_CLICK, 0, 0);
  EXPECT_EQ(button.reflectedCommands, 1);
  // WM_COMMAND without a control window is not reflected.
  probe.SendMessage(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0);
  EXPECT_EQ(button.reflectedCommands, 1);

  ::DestroyWindow(raw);
  EXPECT_EQ(button.finalMessages, 1);
  EXPECT_EQ(button.m_hWnd, nullptr);
}

// A window that owns its control object and ends itself, the control's window included, from
// the command of that control: the way the program ends from its main button. It lives in a
// buffer of the test that its final message fills with a pattern, as freed memory would be, so
// that a framework still using the control object afterwards crashes the test.
class COwnerOfItsButton : public CFrameWindowImpl<COwnerOfItsButton> {
 public:
  static const CFrameClassInfo& GetClassInfo() {
    static const CFrameClassInfo info = {L"KstFrameworkOwner", 0, IDC_ARROW};
    return info;
  }

  BEGIN_MSG_MAP(COwnerOfItsButton)
  COMMAND_ID_HANDLER(8, OnButton)
  END_MSG_MAP()

  bool CreateWithButton() {
    if (Create(L"owner", WS_POPUP, 0) == nullptr) return false;
    HWND raw = ::CreateWindowExW(0, L"BUTTON", L"end", WS_CHILD | BS_PUSHBUTTON, 0, 0, 40, 20,
                                 m_hWnd, reinterpret_cast<HMENU>(8), nullptr, nullptr);
    return raw != nullptr && button.SubclassWindow(raw);
  }

  void OnFinalMessage(HWND) override {
    this->~COwnerOfItsButton();
    ::FillMemory(static_cast<void*>(this), sizeof(*this), 0xDD);
    ++released;
  }

  static int released;

 private:
  LRESULT OnButton(WORD, WORD, HWND, BOOL&) {
    ::DestroyWindow(m_hWnd);
    return 0;
  }

  CProbeButton button;
};

int COwnerOfItsButton::released = 0;

TEST_F(FrameworkTest, AnObjectIsReleasedOnlyOnceNoWindowProcedureOfItsOwnRunsAnyMore) {
  alignas(COwnerOfItsButton) unsigned char storage[sizeof(COwnerOfItsButton)];
  auto* owner = new (storage) COwnerOfItsButton();
  ASSERT_TRUE(owner->CreateWithButton());
  HWND button = ::GetDlgItem(owner->m_hWnd, 8);
  HWND window = owner->m_hWnd;
  COwnerOfItsButton::released = 0;

  // Sent, as from another program: the button's own procedure is further out on the stack than
  // the owner's command that destroys them both.
  ::SendMessageW(button, BM_CLICK, 0, 0);

  EXPECT_FALSE(::IsWindow(window));
  ASSERT_EQ(COwnerOfItsButton::released, 1);
  size_t touched = 0;
  for (unsigned char byte : storage) touched += byte != 0xDD;
  EXPECT_EQ(touched, 0u) << "the released objects were written to afterwards";
}

class CProbeDialog : public CDialogImpl<CProbeDialog> {
 public:
  enum { IDD = IDD_INSTALLER };
  BEGIN_MSG_MAP(CProbeDialog)
  MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()
  bool initialised = false;

 private:
  LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, BOOL&) { return HTTRANSPARENT; }
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    initialised = true;
    return TRUE;
  }
};

TEST_F(FrameworkTest, DialogsAnswerThroughTheirMessageResult) {
  CProbeDialog dialog;
  HWND window = dialog.Create(probe.m_hWnd);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(dialog.initialised);
  EXPECT_EQ(::SendMessageW(window, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
  ::DestroyWindow(window);
}

class CRecordingFilter : public CMessageFilter {
 public:
  explicit CRecordingFilter(UINT consumed) : consumed(consumed) {}
  bool PreTranslateMessage(MSG* message) override {
    seen.push_back(message->message);
    return message->message == consumed;
  }
  UINT consumed;
  std::vector<UINT> seen;
};

TEST_F(FrameworkTest, TheLoopFiltersAndEndsWithTheQuitPostedToAWindow) {
  CMessageLoop loop;
  CRecordingFilter older(kAsk);
  CRecordingFilter newer(kPassOn);
  ASSERT_TRUE(loop.AddMessageFilter(&older));
  ASSERT_TRUE(loop.AddMessageFilter(&newer));

  probe.PostMessage(kPassOn);  // consumed by the newer filter, never dispatched
  probe.PostMessage(kAsk);     // consumed by the older one
  probe.PostMessage(kPassOn + 100);
  probe.PostMessage(WM_QUIT, 7, 0);
  EXPECT_EQ(loop.Run(), 7);

  EXPECT_EQ(probe.laterRowCalls, 0);
  std::vector<UINT> newerSaw = {kPassOn, kAsk, kPassOn + 100};
  std::vector<UINT> olderSaw = {kAsk, kPassOn + 100};
  EXPECT_EQ(newer.seen, newerSaw);
  EXPECT_EQ(older.seen, olderSaw);

  EXPECT_TRUE(loop.RemoveMessageFilter(&newer));
  EXPECT_FALSE(loop.RemoveMessageFilter(&newer));
}

}  // namespace
}  // namespace kst
