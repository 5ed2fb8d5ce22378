// The texts the dialog program and the web page share, in UTF-8. The dialog
// program compiles them with -fexec-charset=CP932 (code page 932 bytes for
// the ANSI calls); the page as UTF-8.
#pragma once

// Main window.
#define TEXT_KEY_FILE_NOT_READ \
  "キーファイルの取得に失敗しました。\n[詳細設定]でキーファイルが正しく設定されているか確認してください"
#define TEXT_PASS_PHRASE_TOO_SHORT "パスフレーズは4文字以上にしてください"
#define TEXT_DERIVE_FAILED "パスワード生成に失敗しました。不正なキーパスワードを使用している可能性があります。"

// Start-up check and key password dialog.
#define TEXT_KEY_PASSWORD_TOO_SHORT_WIDE "キーパスワードを８文字以上入力してください"

// Settings dialog.
#define TEXT_LENGTH_TOO_SMALL "生成文字数が少な過ぎです"
#define TEXT_LENGTH_TOO_LARGE "生成文字数が多き過ぎです"
#define TEXT_NO_CLASS "パスワード生成の使用文字を設定してください"
#define TEXT_USE_DERIVATION_2 "新しい生成方式を使う（推奨）"

// Key creation dialog.
#define TEXT_KEY_PASSWORDS_DIFFER "２つのキーパスワードが一致しません"
#define TEXT_KEY_PASSWORD_TOO_SHORT_CREATE "キーパスワードが短すぎます。８文字以上にしてください。"
#define TEXT_KEY_CREATE_FAILED "キー生成に失敗しました"
#define TEXT_KEY_GENERATED "キーの生成に成功しました。ファイルに保存します。"
