// Resource ids of the installer executable.
#pragma once

#define IDS_TITLE 128
#define IDI_APP 169
#define IDD_INSTALLER 2000
// The point size of the dialog template's font; the dialog makes that font anew for a new DPI.
#define IDD_INSTALLER_FONT_POINTS 10

// Skin images, resources of type "PNG".
#define IDP_BACKGROUND_INSTALL 152
#define IDP_BACKGROUND_UNINSTALL 153
#define IDP_CLOSE_BUTTON 160
#define IDP_MAIN_BUTTON 162
#define IDP_LOGO 172
#define IDP_PICTURE_FINISHED 173
#define IDP_PICTURE_START 176
#define IDP_PICTURE_INSTALLING 177
#define IDP_BADGE 6006
#define IDP_SHADOW_FRAME 6008

// Controls of the installer dialog.
#define IDC_MAIN_BUTTON 1000
#define IDC_CLOSE_BUTTON 1001
#define IDC_PICTURE 1004
#define IDC_CONSENT 1006
#define IDC_ALL_USERS 1007
#define IDC_LOGO 1008
#define IDC_SETTINGS_LINK 1009
#define IDC_HOME_PAGE 1010
#define IDC_REMOVE_CONFIG 1011
#define IDC_NAVIGATION_PAGE 1012
#define IDC_PRODUCT_LINK 3000
#define IDC_INFO_LABEL1 3002
#define IDC_INFO_LABEL2 3003
#define IDC_INFO_LABEL3 3004
#define IDC_STATUS_LABEL 3006
