#include "app/InstallerDlg.h"

#include <utility>

#include "app/DialogLayout.h"
#include "app/FrameGeometry.h"
#include "base/Check.h"
#include "base/WinGeometry.h"
#include "sequences/InstallSequence.h"
#include "sequences/Mode.h"
#include "sequences/UninstallSequence.h"
#include "skin/SkinImage.h"
#include "skin/SkinRules.h"
#include "skin/WindowDpi.h"
#include "system/ShellOpen.h"

namespace kst {

const wchar_t kHomePageUrl[] = L"http://www.veltrin.example/";

namespace {

constexpr COLORREF kInfoLabelColor = RGB(40, 90, 170);
constexpr COLORREF kStatusLabelColor = RGB(20, 20, 20);
constexpr RECT kCloseButtonMargins = {6, 6, 6, 6};
constexpr RECT kInstallButtonMargins = {6, 6, 6, 6};
constexpr RECT kUninstallButtonMargins = {0, 0, 0, 0};
// The settings link's captions: the first one has a line feed, which it shows as a character.
constexpr wchar_t kSettingsFirstCaption[] = L"安装设置\n";
constexpr wchar_t kSettingsCaption[] = L"安装设置";
constexpr wchar_t kBackCaption[] = L"返回";

// What a page sets as it comes: null leaves a caption as it is, picture 0 the picture.
struct PageLook {
  const wchar_t* settingsCaption;
  const wchar_t* mainCaption;
  int picture;
  DWORD fadeMs;
};
constexpr PageLook kPageLooks[DialogPages::kPageCount] = {
    /* kOpening */ {kSettingsFirstCaption, L"一键安装", IDP_PICTURE_START, 500},
    /* kStart */ {kSettingsCaption, nullptr, IDP_PICTURE_START, 0},
    /* kSettings */ {kBackCaption, nullptr, 0, 0},
    /* kInstalling */ {nullptr, nullptr, IDP_PICTURE_INSTALLING, 0},
    /* kInstallingOverSettings */ {nullptr, nullptr, IDP_PICTURE_INSTALLING, 0},
    /* kFailed */ {kSettingsCaption, L"一键安装", 0, 0},
    /* kFailedOnSettings */ {kBackCaption, L"一键安装", 0, 0},
    /* kFinished */ {nullptr, L"退出", IDP_PICTURE_FINISHED, 500},
    /* kUninstall */ {kSettingsFirstCaption, L"卸载", IDP_PICTURE_START, 500},
};

bool MovesFocus(WPARAM key) {
  return key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

bool OverSettings(DialogPages::Page page) {
  return page == DialogPages::kSettings || page == DialogPages::kInstallingOverSettings ||
         page == DialogPages::kFailedOnSettings;
}

CBitmap LoadPng(int id) { return LoadSkinImage(MAKEINTRESOURCEW(id), L"PNG"); }

// SPI_GETKEYBOARDCUES: cues shown always, not only once the keyboard is used.
bool SystemShowsKeyboardCues() {
  BOOL always = FALSE;
  return ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0) && always;
}

CFont DerivedFont(const LOGFONTW& base, int heightIncrease, LONG weightIncrease) {
  LOGFONTW font = base;
  font.lfHeight = GrowFontHeight(font.lfHeight, heightIncrease);
  font.lfWeight += weightIncrease;
  return CFont(::CreateFontIndirectW(&font));
}

}  // namespace

LRESULT CInstallerDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  const bool uninstall = IsUninstallMode();
  if (uninstall && RefuseStrayUninstaller(*this)) {
    CloseMainWindow(m_hWnd, false);
    return TRUE;
  }
  options = InstallerOptions();
  dpi = WindowDpi(m_hWnd);
  TakeOverDialogDpiChanges(m_hWnd);
  KeepTemplateLook();
  AttachControls();
  closeButtonImage = LoadPng(IDP_CLOSE_BUTTON);

  const Size client = FrameClientSize(dpi);
  SetUpLabels();
  SetUpTopRow();
  SetUpPictureAndMainButton(uninstall);
  SetUpCheckBoxes();
  PlaceControls(client);
  ShowPage(uninstall ? kUninstall : kOpening);

  SetControlsDpi();
  SetControlsLook();
  ApplyThemedDialogStyle(dpi);
  SetDerivedFonts();
  FitSettingsLink(client);
  KeepInsideClient(client);
  // Hidden until the first Tab or arrow key, unless the system always shows keyboard cues.
  SetFocusCues(SystemShowsKeyboardCues());
  return TRUE;
}

// The system's state first, then each control's own: Wine keeps no keyboard-cue state, answers
// every WM_QUERYUISTATE with 0 (cues shown) and passes no change on to the controls.
void CInstallerDlg::SetFocusCues(bool shown) {
  focusCuesShown = shown;
  const WPARAM change = MAKEWPARAM(shown ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS);
  SendMessage(WM_CHANGEUISTATE, change, 0);
  for (const PageControl& row : kControls)
    ::SendMessageW(GetDlgItem(row.id), WM_UPDATEUISTATE, change, 0);
}

// The dialog manager made the template's font, and placed the controls with it, for the DPI the
// dialog is made at.
void CInstallerDlg::KeepTemplateLook() {
  templateDpi = dpi;
  ::GetObjectW(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)), sizeof(templateFont),
               &templateFont);
  int count = 0;
  for (HWND control = ::GetWindow(m_hWnd, GW_CHILD); control != nullptr;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    // The control table lists every control of the template, in its order.
    KST_CHECK(count < kControlCount && ::GetDlgCtrlID(control) == kControls[count].id);
    if (count == kControlCount) break;
    TemplatePlace& place = templatePlaces[count++];
    place.control = control;
    ::GetWindowRect(control, &place.rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place.rect), 2);
  }
  KST_CHECK(count == kControlCount);
  templatePlaceCount = count;
}

// New fonts are given out before the old ones go.
void CInstallerDlg::SetDerivedFonts() {
  LOGFONTW base = templateFont;
  base.lfHeight = FontHeightForPoints(IDD_INSTALLER_FONT_POINTS, dpi);
  CFont title = DerivedFont(base, ScaleForDpi(5, dpi), 700);
  CFont small = DerivedFont(base, -ScaleForDpi(1, dpi), 0);
  ::SendMessageW(GetDlgItem(IDC_PRODUCT_LINK), WM_SETFONT, reinterpret_cast<WPARAM>(title.Get()),
                 FALSE);
  for (int id : {IDC_INFO_LABEL1, IDC_INFO_LABEL2, IDC_STATUS_LABEL})
    ::SendMessageW(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(small.Get()), FALSE);
  titleFont = std::move(title);
  smallFont = std::move(small);
}

void CInstallerDlg::AttachControls() {
  for (const PageControl& row : kControls) {
    const bool attached = row.control(*this).Attach(GetDlgItem(row.id));
    KST_CHECK(attached);
  }
}

void CInstallerDlg::SetControlsDpi() {
  for (const PageControl& row : kControls) row.control(*this).SetDpi(dpi);
}

void CInstallerDlg::SetControlsLook() {
  const SkinLook look = SystemSkinLook();
  backgroundBrush.Reset();
  for (const PageControl& row : kControls) row.control(*this).SetLook(look);
}

LRESULT CInstallerDlg::OnLookChangedNotice(UINT, WPARAM, LPARAM, BOOL&) {
  SetControlsLook();
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return 0;
}

void CInstallerDlg::SetUpLabels() {
  SetText(IDC_PRODUCT_LINK, L" Veltrin ");
  struct {
    CThemedLabelCtrl* control;
    int id;
  } const infoLabels[] = {{&infoLabel1, IDC_INFO_LABEL1}, {&infoLabel2, IDC_INFO_LABEL2}};
  for (const auto& label : infoLabels) {
    SetText(label.id, L"");
    label.control->SetLabelColor(kInfoLabelColor);
  }
  infoLabel3.SetLabelColor(kInfoLabelColor);
  SetText(IDC_INFO_LABEL3, L"");

  statusLabel.SetCentered();
  statusLabel.SetLabelColor(kStatusLabelColor);
  statusLabel.SetLiveRegion();
}

void CInstallerDlg::SetUpTopRow() {
  closeButton.SetBackgroundSource(m_hWnd);
  closeButton.SetSkin(closeButtonImage.Get(), kCloseButtonMargins);
  closeButton.SetAccessibleName(L"关闭");
  closeButton.SetPlainCaption(L"×");

  logo.SetPicture(LoadPng(IDP_LOGO), 0);
  logo.SetPictureInset(0, 0);
  logo.SetCarriesInformation();

  logo.SetShadowEnabled(false);
}

void CInstallerDlg::SetUpPictureAndMainButton(bool uninstall) {
  picture.SetFrameImage(LoadPng(IDP_SHADOW_FRAME));
  picture.SetPictureInset(6, 6);

  mainButton.SetBackgroundSource(m_hWnd);
  mainButtonImage = LoadPng(IDP_MAIN_BUTTON);
  mainButton.SetSkin(mainButtonImage.Get(),
                     uninstall ? kUninstallButtonMargins : kInstallButtonMargins);
}

void CInstallerDlg::SetUpCheckBoxes() {
  SetText(IDC_CONSENT, L"授权软件修改网页");
  consentBox.SetCheck(BST_CHECKED);

  struct Box {
    CThemedCheckboxCtrl* control;
    int id;
    const wchar_t* text;
    int check;
  } const boxes[] = {
      {&allUsersBox, IDC_ALL_USERS, L" 为此计算机上的所有用户安装", BST_CHECKED},
      {&navigationBox, IDC_NAVIGATION_PAGE, L" 使用推荐导航页（某些导航页包含过多不良内容)",
       BST_UNCHECKED},
      {&homePageBox, IDC_HOME_PAGE, L" 让Veltrin管理浏览器主页", BST_CHECKED},
      {&removeConfigBox, IDC_REMOVE_CONFIG, L"删除用户使用产生的配置文件", BST_CHECKED},
  };
  for (const Box& box : boxes) {
    SetText(box.id, box.text);
    box.control->SetCheck(box.check);
  }
}

void CInstallerDlg::ShowPage(Page shown) {
  page = shown;
  const PageLook& look = kPageLooks[shown];
  if (look.settingsCaption != nullptr) SetText(IDC_SETTINGS_LINK, look.settingsCaption);
  if (look.mainCaption != nullptr) SetMainButtonText(look.mainCaption);
  if (look.picture != 0) picture.SetPicture(LoadPng(look.picture), look.fadeMs);
  for (const PageControl& row : kControls)
    ::ShowWindow(GetDlgItem(row.id), (row.shownOn & On(shown)) != 0 ? SW_SHOW : SW_HIDE);
}

// Without SWP_NOZORDER: each placement moves its control to the top of the z-order, so the
// layout's order is the z-order and the Tab order.
void CInstallerDlg::PlaceControls(Size client) {
  for (const ControlPlacement& at : ComputeDialogLayout(client.cx, client.cy, dpi)) {
    UINT flags = SWP_FRAMECHANGED;
    if (at.keepPosition) flags |= SWP_NOMOVE;
    if (at.keepSize) flags |= SWP_NOSIZE;
    ::SetWindowPos(GetDlgItem(at.id), nullptr, at.x, at.y, at.cx, at.cy, flags);
  }
}

// Wide enough for the widest of its captions in its font, so that changing pages does not move it.
void CInstallerDlg::FitSettingsLink(Size client) {
  HWND link = GetDlgItem(IDC_SETTINGS_LINK);
  CWindowDC dc(link);
  CSelectObject selectFont(dc.Get(),
                           reinterpret_cast<HFONT>(::SendMessageW(link, WM_GETFONT, 0, 0)));
  int widest = 0;
  for (const PageLook& look : kPageLooks) {
    const wchar_t* caption = look.settingsCaption;
    if (caption == nullptr) continue;
    RECT bounds = {};
    ::DrawTextW(dc.Get(), caption, -1, &bounds, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (bounds.right > widest) widest = bounds.right;
  }
  const ControlPlacement at =
      FitToCaption(PlacementOf(IDC_SETTINGS_LINK, client.cx, client.cy, dpi), widest, dpi);
  ::SetWindowPos(link, nullptr, at.x, at.y, at.cx, at.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CInstallerDlg::PlaceAllForDpi() {
  const Size client = FrameClientSize(dpi);
  auto scaled = [this](LONG value) { return ScaleRounded(value, dpi, templateDpi); };
  for (int i = 0; i < templatePlaceCount; ++i) {
    const TemplatePlace& place = templatePlaces[i];
    const int left = scaled(place.rect.left);
    const int top = scaled(place.rect.top);
    ControlPlacement at = PlacementOf(::GetDlgCtrlID(place.control), client.cx, client.cy, dpi);
    if (at.keepPosition) {
      at.x = left;
      at.y = top;
    }
    if (at.keepSize) {
      at.cx = scaled(place.rect.right) - left;
      at.cy = scaled(place.rect.bottom) - top;
    }
    ::SetWindowPos(place.control, nullptr, at.x, at.y, at.cx, at.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CInstallerDlg::KeepInsideClient(Size client) {
  for (HWND control = ::GetWindow(m_hWnd, GW_CHILD); control != nullptr;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    RECT r = {};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    const RECT fitted = ToRECT(InsideClient(ToRect(r), client));
    if (!::EqualRect(&fitted, &r)) {
      ::SetWindowPos(control, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                     fitted.bottom - fitted.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

// The frame has its new size already; the controls' snapshots of it went with SetDpi.
LRESULT CInstallerDlg::OnDpiChangedNotice(UINT, WPARAM wParam, LPARAM, BOOL&) {
  dpi = DpiParameter(wParam);
  backgroundBrush.Reset();
  SetControlsDpi();
  SetThemedDialogFont(dpi);
  SetDerivedFonts();
  PlaceAllForDpi();
  const Size client = FrameClientSize(dpi);
  FitSettingsLink(client);
  KeepInsideClient(client);
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return 0;
}

// Enter acts on the focused control and Esc on the close button, each as a click would: the dialog
// manager would send the default button's command for one, which is not the focused control, and
// a bare IDCANCEL for the other. Tab and the arrows show the focus cues, as the dialog manager
// does on Windows, and then move the focus as usual.
LRESULT CInstallerDlg::OnForwardKey(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  const MSG& key = *StructParameter<MSG>(lParam);
  handled = FALSE;
  if (key.message != WM_KEYDOWN || (key.hwnd != m_hWnd && !::IsChild(m_hWnd, key.hwnd))) return 0;
  if (!focusCuesShown && MovesFocus(key.wParam)) SetFocusCues(true);
  HWND target = nullptr;
  if (key.wParam == VK_RETURN)
    target = ::GetFocus();
  else if (key.wParam == VK_ESCAPE)
    target = GetDlgItem(IDC_CLOSE_BUTTON);
  if (target == nullptr || ::GetParent(target) != m_hWnd || !::IsWindowVisible(target) ||
      !::IsWindowEnabled(target))
    return 0;
  ::PostMessageW(target, BM_CLICK, 0, 0);
  handled = TRUE;
  return 1;
}

LRESULT CInstallerDlg::OnToggleConsent(WORD, WORD, HWND, BOOL&) {
  options.allowWebPageChanges = !options.allowWebPageChanges;
  return 0;
}

LRESULT CInstallerDlg::OnToggleAllUsers(WORD, WORD, HWND, BOOL&) {
  options.installForAllUsers = !options.installForAllUsers;
  return 0;
}

// Only the pages that show the link have a settings twin.
LRESULT CInstallerDlg::OnSettingsLink(WORD, WORD, HWND, BOOL&) {
  switch (page) {
    case kOpening:
    case kStart:
      ShowPage(kSettings);
      break;
    case kSettings:
      ShowPage(kStart);
      break;
    case kFailed:
      ShowPage(kFailedOnSettings);
      break;
    case kFailedOnSettings:
      ShowPage(kFailed);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT CInstallerDlg::OnToggleRemoveConfig(WORD, WORD, HWND, BOOL&) {
  options.removeUserConfig = !options.removeUserConfig;
  return 0;
}

LRESULT CInstallerDlg::OnProductLink(WORD, WORD, HWND, BOOL&) {
  OpenWithShell(m_hWnd, kHomePageUrl);
  return 0;
}

LRESULT CInstallerDlg::OnCloseButton(WORD, WORD, HWND, BOOL&) {
  if (sequenceRunning) return 0;
  CloseMainWindow(m_hWnd, true);
  return 1;
}

// The sequence runs to its end inside this command; the object outlives a window destroyed
// meanwhile until the command returns.
LRESULT CInstallerDlg::OnMainButton(WORD, WORD, HWND, BOOL&) {
  if (sequenceRunning) return 0;
  sequenceRunning = true;
  if (IsUninstallMode())
    RunUninstall(*this);
  else
    RunInstall(*this);
  sequenceRunning = false;
  return 1;
}

void CInstallerDlg::ShowInstallingPage() {
  ShowPage(OverSettings(page) ? kInstallingOverSettings : kInstalling);
}

void CInstallerDlg::SetStatusText(const wchar_t* text) { SetText(IDC_STATUS_LABEL, text); }

void CInstallerDlg::SetMainButtonText(const wchar_t* text) { SetText(IDC_MAIN_BUTTON, text); }

// The sequences' boxes have no owner: the frame may be hidden by then (the farewell).
void CInstallerDlg::ShowMessage(ExitCode, const wchar_t* caption, const wchar_t* text) {
  ::MessageBoxW(nullptr, text, caption, MB_OK);
}

// Only OK goes on: a box that was closed, failed or ended by a quit message is no consent. A box
// that a quit message ended leaves the quit in the queue, whatever it answered.
bool CInstallerDlg::Confirm(const wchar_t* caption, const wchar_t* text) {
  int answer = ::MessageBoxW(nullptr, text, caption, MB_OKCANCEL);
  MSG quit;
  return answer == IDOK && !::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}

void CInstallerDlg::ShowInstallFailure(ExitCode, const wchar_t* text) {
  SetStatusText(text);
  ShowPage(OverSettings(page) ? kFailedOnSettings : kFailed);
}

void CInstallerDlg::ShowInstallFinished() { ShowPage(kFinished); }

}  // namespace kst
