// The program's one dialog: every control the user sees in both modes, the options the
// install and uninstall sequences read, and the pages they drive.
#pragma once

#include <windows.h>

#include "app/FrameRequests.h"
#include "base/Handles.h"
#include "resources/resource.h"
#include "sequences/SequenceDialog.h"
#include "skin/DpiScale.h"
#include "skin/ThemedButtonCtrl.h"
#include "skin/ThemedCheckboxCtrl.h"
#include "skin/ThemedDialogImpl.h"
#include "skin/ThemedHyperlinkCtrl.h"
#include "skin/ThemedLabelCtrl.h"
#include "skin/ThemedShadowStaticCtrl.h"

namespace kst {

// The maker's home page, opened by the (always hidden) product-name link.
extern const wchar_t kHomePageUrl[];

// The pages of the window; the page table in InstallerDlg.cpp gives each one's captions and
// picture, the dialog's control table the controls each shows. The settings link goes between a
// page and its settings twin.
struct DialogPages {
  enum Page : unsigned {
    kOpening,  // the install's start page as the window opens
    kStart,
    kSettings,
    kInstalling,
    kInstallingOverSettings,  // started from a settings page, whose picture stays hidden
    kFailed,
    kFailedOnSettings,
    kFinished,
    kUninstall,
    kPageCount
  };
  static constexpr unsigned On(Page shown) { return 1u << shown; }
  static constexpr unsigned kEveryPage = (1u << kPageCount) - 1;
};

class CInstallerDlg : public CThemedDialogImpl<CInstallerDlg>,
                      public CSequenceDialog,
                      private DialogPages {
 public:
  enum { IDD = IDD_INSTALLER };

  BEGIN_MSG_MAP(CInstallerDlg)
  MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(kSequenceRunningQuery, OnSequenceRunningQuery)
  MESSAGE_HANDLER(kDpiChangedNotice, OnDpiChangedNotice)
  MESSAGE_HANDLER(kLookChangedNotice, OnLookChangedNotice)
  COMMAND_ID_HANDLER(IDC_CONSENT, OnToggleConsent)
  COMMAND_ID_HANDLER(IDC_ALL_USERS, OnToggleAllUsers)
  COMMAND_ID_HANDLER(IDC_SETTINGS_LINK, OnSettingsLink)
  COMMAND_ID_HANDLER(IDC_REMOVE_CONFIG, OnToggleRemoveConfig)
  COMMAND_ID_HANDLER(IDC_PRODUCT_LINK, OnProductLink)
  MESSAGE_HANDLER(WM_FORWARDMSG, OnForwardKey)
  CHAIN_MSG_MAP(CThemedDialogImpl<CInstallerDlg>)
  COMMAND_ID_HANDLER(IDC_CLOSE_BUTTON, OnCloseButton)
  COMMAND_ID_HANDLER(IDC_MAIN_BUTTON, OnMainButton)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  // What the sequences drive.
  HWND DialogWindow() const override { return m_hWnd; }
  void ShowInstallingPage() override;
  void SetStatusText(const wchar_t* text) override;
  void SetMainButtonText(const wchar_t* text) override;
  void ShowInstallFinished() override;
  void HideProgramWindow() override { HideMainWindowRequest(m_hWnd); }
  void CloseProgramWhenDone() override { CloseMainWindow(m_hWnd, true); }
  // An ordinary exit, with the usual clean-up; the window's run always ends with 0.
  void EndProgramNow() override { ::ExitProcess(0); }
  void NoteProblem(ExitCode) override {}

 protected:
  void ShowMessage(ExitCode code, const wchar_t* caption, const wchar_t* text) override;
  bool Confirm(const wchar_t* caption, const wchar_t* text) override;
  void ShowInstallFailure(ExitCode code, const wchar_t* text) override;

 private:
  LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, BOOL&) { return HTTRANSPARENT; }
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSequenceRunningQuery(UINT, WPARAM, LPARAM, BOOL&) { return sequenceRunning ? 1 : 0; }
  LRESULT OnDpiChangedNotice(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnLookChangedNotice(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnForwardKey(UINT, WPARAM, LPARAM lParam, BOOL& handled);
  LRESULT OnToggleConsent(WORD, WORD, HWND, BOOL&);
  LRESULT OnToggleAllUsers(WORD, WORD, HWND, BOOL&);
  LRESULT OnSettingsLink(WORD, WORD, HWND, BOOL&);
  LRESULT OnToggleRemoveConfig(WORD, WORD, HWND, BOOL&);
  LRESULT OnProductLink(WORD, WORD, HWND, BOOL&);
  LRESULT OnCloseButton(WORD, WORD, HWND, BOOL&);
  LRESULT OnMainButton(WORD, WORD, HWND, BOOL&);

  void KeepTemplateLook();
  // Shows or hides the focus cues of every control; a mouse user never sees one.
  void SetFocusCues(bool shown);
  // Every control of the control table subclassed, before any is set up.
  void AttachControls();
  // The title and small fonts, from the template's font at the dialog's DPI.
  void SetDerivedFonts();
  void SetControlsDpi();
  // The look the system asks for, given to every control; the frame paints in it already.
  void SetControlsLook();
  void SetUpLabels();
  void SetUpTopRow();
  void SetUpPictureAndMainButton(bool uninstall);
  void SetUpCheckBoxes();
  // Every control of the layout, in its order.
  void PlaceControls(Size client);
  void ShowPage(Page shown);
  void FitSettingsLink(Size client);
  // Last, after every placement: no control reaches past the client area.
  void KeepInsideClient(Size client);
  // Every control again, for a new DPI: the placed ones as at initialisation, the others where
  // the template put them, scaled from the DPI the dialog was made at.
  void PlaceAllForDpi();
  void SetText(int id, const wchar_t* text) const { ::SetDlgItemTextW(m_hWnd, id, text); }

  CThemedHyperlinkCtrl productLink;
  CThemedHyperlinkCtrl settingsLink;
  CThemedLabelCtrl infoLabel1;
  CThemedLabelCtrl infoLabel2;
  CThemedLabelCtrl infoLabel3;
  CThemedLabelCtrl statusLabel;
  CThemedButtonCtrl mainButton;
  CThemedButtonCtrl closeButton;
  CThemedShadowStaticCtrl picture;
  CThemedShadowStaticCtrl logo;
  CThemedCheckboxCtrl consentBox;
  CThemedCheckboxCtrl allUsersBox;
  CThemedCheckboxCtrl navigationBox;
  CThemedCheckboxCtrl homePageBox;
  CThemedCheckboxCtrl removeConfigBox;

  // Every control of the template, in the template's order, with its member and the pages it
  // shows on; SetDpi and the template's places go through this table, and the template may have
  // no others (checked as the dialog starts).
  struct PageControl {
    int id;
    CThemedControlBase& (*control)(CInstallerDlg& dialog);
    unsigned shownOn;  // bits On(page)
  };
  template <auto member>
  static CThemedControlBase& Member(CInstallerDlg& dialog) {
    return dialog.*member;
  }
  static constexpr PageControl kControls[] = {
      {IDC_PRODUCT_LINK, Member<&CInstallerDlg::productLink>, 0},
      {IDC_MAIN_BUTTON, Member<&CInstallerDlg::mainButton>, kEveryPage},
      {IDC_CLOSE_BUTTON, Member<&CInstallerDlg::closeButton>, kEveryPage},
      {IDC_INFO_LABEL1, Member<&CInstallerDlg::infoLabel1>, On(kOpening) | On(kStart)},
      {IDC_INFO_LABEL2, Member<&CInstallerDlg::infoLabel2>, On(kOpening) | On(kStart)},
      {IDC_INFO_LABEL3, Member<&CInstallerDlg::infoLabel3>,
       On(kOpening) | On(kStart) | On(kSettings)},
      {IDC_PICTURE, Member<&CInstallerDlg::picture>,
       On(kOpening) | On(kStart) | On(kInstalling) | On(kFailed) | On(kFinished)},
      {IDC_CONSENT, Member<&CInstallerDlg::consentBox>,
       On(kOpening) | On(kStart) | On(kSettings) | On(kFailed) | On(kFailedOnSettings)},
      {IDC_SETTINGS_LINK, Member<&CInstallerDlg::settingsLink>,
       On(kOpening) | On(kStart) | On(kSettings) | On(kFailed) | On(kFailedOnSettings)},
      {IDC_ALL_USERS, Member<&CInstallerDlg::allUsersBox>, On(kSettings)},
      {IDC_HOME_PAGE, Member<&CInstallerDlg::homePageBox>, 0},
      {IDC_LOGO, Member<&CInstallerDlg::logo>, kEveryPage},
      {IDC_STATUS_LABEL, Member<&CInstallerDlg::statusLabel>,
       On(kInstalling) | On(kInstallingOverSettings) | On(kFailed) | On(kFailedOnSettings)},
      {IDC_REMOVE_CONFIG, Member<&CInstallerDlg::removeConfigBox>, On(kUninstall)},
      {IDC_NAVIGATION_PAGE, Member<&CInstallerDlg::navigationBox>, 0},
  };
  static constexpr int kControlCount = sizeof(kControls) / sizeof(kControls[0]);
  Page page = kOpening;

  int dpi = kDesignDpi;
  // What the dialog manager made from the template at the DPI the dialog was made at: its font
  // and where it put each control.
  int templateDpi = kDesignDpi;
  LOGFONTW templateFont = {};
  struct TemplatePlace {
    HWND control;
    RECT rect;
  };
  TemplatePlace templatePlaces[kControlCount] = {};
  int templatePlaceCount = 0;

  CFont titleFont;
  CFont smallFont;
  CBitmap mainButtonImage;
  CBitmap closeButtonImage;

  // Set while a sequence runs: its message boxes have no owner, so the dialog still takes
  // clicks, and neither a second sequence nor closing under the first may start then.
  bool sequenceRunning = false;
  bool focusCuesShown = false;
};

}  // namespace kst
