// The program's own texts. This file is UTF-8; the ui sources are compiled
// with -fexec-charset=CP932, so every literal reaches the ANSI calls as
// code page 932 bytes.
#pragma once

#include "shared_texts.h"

#define TEXT_ERROR_CAPTION "エラー"
#define TEXT_STARTUP_FAILED "初期化中にエラーが発生しました"

// Main window.
#define TEXT_RESULT_CAPTION "生成パスワード"
#define TEXT_LENGTH_INVALID \
  "生成パスワードの長さが不正に設定されています。\n[詳細設定]で長さが正しく設定されているか確認してください"

// Start-up check and key password dialog.
#define TEXT_FIRST_START_QUESTION "初回起動です。キーファイルを生成しますか？"
#define TEXT_FIRST_START_CAPTION "初期設定"
#define TEXT_OPEN_KEY_FILE_TITLE "キーファイルの取得"

// Settings dialog.
#define TEXT_KEY_PASSWORD_TOO_SHORT "キーパスワードを8文字以上入力してください"
#define TEXT_SETTINGS_NOT_SAVED "設定ファイルの保存に失敗しました"

// Key creation dialog.
#define TEXT_KEY_CREATE_PROMPT "キーパスワードを設定して[生成]ボタンを押してください。"
#define TEXT_KEY_GENERATING "キーを生成しています。しばらくお待ちください…"
#define TEXT_SAVE_KEY_FILE_TITLE "キーファイルの保存先の選択"
#define TEXT_KEY_FILE_NOT_SAVED "キーファイルの保存に失敗しました"
#define TEXT_KEY_FILE_EXTENSION "key"

// The site dialog's own texts (the shared ones are in shared_texts.h).
#define TEXT_SITE_FILE_MEND_TO_EDIT "ファイルを直してから、もう一度サイト別設定を開いてください。"
#define TEXT_SITE_FILE_NOT_SAVED "サイト別設定ファイルの保存に失敗しました："
#define TEXT_SITE_DELETE_CAPTION "サイト別設定の削除"

// Description and pattern, each ending in a zero byte, and one more ending the list.
#define KEY_FILE_FILTER "キーファイル(*.key)\0*.key\0"
