// Resource identifiers of the installer. The layouts name images by these
// numbers (res='130' restype='png'), so they never change.
#pragma once

// Layouts, type "XML"
#define IDX_MAIN_EN 129
#define IDX_MAIN_ZH 154
#define IDX_MSGBOX_ZH 156
#define IDX_MSGBOX_EN 167

// Icon groups
#define IDI_APP 107
#define IDI_APP_ALT 108

// Images, type "PNG"
#define IDP_BG_ZH_0 130  // Chinese backgrounds: initial, then the rotation
#define IDP_BG_ZH_1 131
#define IDP_BG_ZH_2 132
#define IDP_BG_ZH_3 168
#define IDP_BG_ZH_4 169
#define IDP_BG_EN_0 170  // English backgrounds
#define IDP_BG_EN_1 171
#define IDP_BG_EN_2 172
#define IDP_BG_EN_3 173
#define IDP_BG_EN_4 174
#define IDP_CLOSE_HOT 133
#define IDP_CLOSE_NORMAL 134
#define IDP_CLOSE_PUSHED 135
#define IDP_BTN_HOT 136
#define IDP_BTN_NORMAL 137
#define IDP_BTN_PUSHED 138
#define IDP_MIN_HOT 139
#define IDP_MIN_NORMAL 140
#define IDP_MIN_PUSHED 141
#define IDP_BROWSE_HOT 142
#define IDP_BROWSE_NORMAL 143
#define IDP_BROWSE_PUSHED 144
#define IDP_RESULT_HOT 145
#define IDP_RESULT_NORMAL 146
#define IDP_RESULT_PUSHED 147
#define IDP_CHECK_SELECTED 148
#define IDP_CHECK_NORMAL 149
#define IDP_FIELD 150
#define IDP_PROGRESS_TRACK 151
#define IDP_DOT 152
#define IDP_PROGRESS_FILL 153
#define IDP_MSG_BG 157
#define IDP_MSG_BTN_HOT 158
#define IDP_MSG_BTN_NORMAL 159
#define IDP_MSG_BTN_PUSHED 160
#define IDP_MSG_LOGO 161
#define IDP_MSG_CLOSE_HOT 162
#define IDP_MSG_CLOSE_NORMAL 163
#define IDP_MSG_CLOSE_PUSHED 164
#define IDP_MSG_WARNING 165
