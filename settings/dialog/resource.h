// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// Control ids of the settings dialog (resource 100).
#pragma once

// The main dialog's caption: a second start finds the running dialog by it.
#define SETTINGS_CAPTION "Cài đặt miraDot"

#define IDD_SETTINGS 100
#define IDC_TELEX 101
#define IDC_VNI 102
#define IDC_AUTO_ENGLISH 103
#define IDC_AUTO_CORRECT 104
#define IDC_OLD_TONE 105
#define IDC_LEARN 106
#define IDC_LEARNED_LINE 107
#define IDC_CLEAR_LEARNED 108
#define IDC_VERSION_LINE 109
#define IDC_HOME_PAGE 110
#define IDC_VOICE_STATUS 111
#define IDC_VOICE_INSTALL 112
#define IDC_UPDATE_CHECK 113
#define IDC_UPDATE_LINE 114
#define IDC_CHECK_NOW 115
#define IDC_UPDATE_INSTALL 116
#define IDC_SHORTHAND 117
#define IDC_PUNCTUATION 118
#define IDC_HINTS 119
#define IDC_HEAD_METHOD 120
#define IDC_HEAD_TYPING 121
#define IDC_HEAD_LEARNED 122
#define IDC_HEAD_VOICE 123
#define IDC_HEAD_UPDATE 124
#define IDC_HEAD_TIPS 125
#define IDC_HEAD_TRANSLATE 126
#define IDC_TRANSLATE_STATUS 127
#define IDC_TRANSLATE_INSTALL 128
#define IDC_VOICE_HOTKEY 129
#define IDC_TRANSLATE_HOTKEY 130
#define IDC_PARTNER_LANGUAGE 131
#define IDC_LANGUAGES 132
#define IDC_CONVERT 133
#define IDC_COPY_DIAGNOSTICS 134

// The translation languages dialog (resource 200): a toggle per language at
// 1000 + row.
#define IDD_LANGUAGES 200
#define IDC_LANGUAGES_HEADING 201
#define IDC_LANGUAGES_NOTE 202
#define IDC_LANGUAGE_TOGGLE 1000

// The question before something that cannot be undone (resource 300).
#define IDD_CONFIRM 300
#define IDC_CONFIRM_TEXT 301
// The charset converter dialog (resource 400).
#define IDD_CONVERT 400
#define IDC_CONVERT_HEADING 401
#define IDC_CONVERT_NOTE 402
#define IDC_CONVERT_FROM_LABEL 403
#define IDC_CONVERT_FROM 404
#define IDC_CONVERT_GUESS 405
#define IDC_CONVERT_TO_LABEL 406
#define IDC_CONVERT_TO 407
#define IDC_CONVERT_CLIPBOARD 408
#define IDC_CONVERT_FILE 409
#define IDC_CONVERT_STATUS 410
