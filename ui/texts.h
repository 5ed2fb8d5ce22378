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
// The key file named in the settings, then the same name beside the program.
#define TEXT_KEY_FILE_NOT_FOUND                                              \
  "キーファイルの取得に失敗しました。\n%s\n"                \
  "プログラムと同じフォルダーにも %s はありません。\n" \
  "[詳細設定]でキーファイルが正しく設定されているか確認してください"
#define TEXT_KEY_FILE_NOT_READ_AT                             \
  "キーファイルの取得に失敗しました。\n%s\n" \
  "[詳細設定]でキーファイルが正しく設定されているか確認してください"
#define TEXT_KEY_NOT_OPENED_GENERATE                                                 \
  "キーパスワードが違うか、キーファイルが壊れています。\n" \
  "[詳細設定]でキーファイルとキーパスワードを確認してください"

// Opening a key file, wherever a key password meets it.
#define TEXT_KEY_NOT_OPENED                                                          \
  "キーパスワードが違うか、キーファイルが壊れています。\n" \
  "入力の誤り、Caps Lock、全角入力のままになっていないかを確かめて、もう一度入力してください"
#define TEXT_KEY_UNSUPPORTED                                                            \
  "新しいバージョンで作られたか、壊れたキーファイルです。\n" \
  "新しいバージョンのSorrelで開くか、キーファイルのバックアップを使ってください"
#define TEXT_KEY_DAMAGED                                                                                                                            \
  "キーファイルが壊れています。暗号化されたキーの一部が欠けているか、余分なデータが付いています。\n" \
  "このファイルからはパスワードを生成できません。キーファイルのバックアップを使ってください"
#define TEXT_KEY_NOT_A_KEY                                                                        \
  "キーファイルの中身はキーではありません。\n"                                \
  "このキーパスワードで開けますが、Sorrelが作ったキーではないため、" \
  "このファイルからはパスワードを生成できません"
// %s: the MiB the key asks for.
#define TEXT_KEY_NEEDS_MEMORY                                                                                                             \
  "このキーを開くには %s MiB のメモリーが必要ですが、このプログラムでは確保できませんでした。\n" \
  "メモリーの多いコンピューターで開いて暗号化し直すと、どのプログラムでも開けるようになります"
#define TEXT_LARGE_KEY_CAPTION "キーファイルを開く"
// %s: the MiB the key asks for.
#define TEXT_LARGE_KEY_QUESTION                                                                                                              \
  "このキーファイルは、開くのに %s MiB のメモリーを使います（新しく作るキーは 256 MiB までです）。\n" \
  "開き終わるまでしばらく時間がかかり、その間このウィンドウは操作できません。\n\n"                      \
  "開きますか？"
// %s: the key file's path.
#define TEXT_KEY_FILE_UNREADABLE "キーファイルを読み込めないか、空のファイルです。\n%s"
#define TEXT_KEY_SHAPE_CAPTION "キーファイルの確認"
#define TEXT_CHOOSE_OTHER_KEY "\n\n別のキーファイルを選びますか？"
// %s: the file's byte count.
#define TEXT_KEY_SHAPE                                                                                                                                              \
  "このファイルはキーファイルの形をしていません（%s バイト。キーファイルは103バイトで、最後のバイトが0です）。\n" \
  "キーパスワードが正しいかどうかを確かめられません。\n\n"
#define TEXT_KEY_SHAPE_GO_ON \
  "[はい]でこのまま使うと、これまでとは違うパスワードが生成されることがあります。このまま使いますか？"
#define TEXT_KEY_SHAPE_QUESTION TEXT_KEY_SHAPE "[いいえ]で別のキーファイルを選びます。\n" TEXT_KEY_SHAPE_GO_ON
#define TEXT_KEY_SHAPE_QUESTION_SETTINGS TEXT_KEY_SHAPE "[いいえ]で設定に戻ります。\n" TEXT_KEY_SHAPE_GO_ON
// %s, %s: the MiB the key asked for, and 256.
#define TEXT_KEY_MEMORY_LOWERED \
  "このキーは開くのに %s MiB のメモリーを使っていたため、どのプログラムでも開ける %s MiB で暗号化し直しました"
#define TEXT_KEY_NO_MEMORY \
  "メモリーが足りないため、キーファイルを開けません。\nほかのプログラムを閉じてから、もう一度試してください"
// Shown while Argon2id opens or seals a key.
#define TEXT_KEY_OPENING "キーを開いています…"
#define TEXT_KEY_SEALING "キーを暗号化しています…"
#define TEXT_KEY_MISMATCH_CAPTION "キーパスワードの確認"
#define TEXT_KEY_MISMATCH_QUESTION                                                                                \
  "キーパスワードがキーファイルと一致しません。\n"                                          \
  "入力の誤り、Caps Lock、全角入力のままになっていないかを確かめてください。\n\n" \
  "[いいえ]でもう一度入力します。\n"                                                                \
  "[はい]でこのまま使うと、これまでとは違うパスワードが生成されます。このまま使いますか？"
#define TEXT_NOTICE_CAPTION "お知らせ"
#define TEXT_KEY_FILE_FOUND_BESIDE                                                                                                            \
  "設定のキーファイルが見つかりません。\n%s\n"                                                                              \
  "プログラムと同じフォルダーにある次のキーファイルを使います。この場所を設定に保存しました。\n" \
  "%s"

// Start-up check and key password dialog.
#define TEXT_FIRST_START_QUESTION "初回起動です。キーファイルを生成しますか？"
#define TEXT_FIRST_START_CAPTION "初期設定"
#define TEXT_OPEN_KEY_FILE_TITLE "キーファイルの取得"

// Settings dialog.
#define TEXT_KEY_PASSWORD_TOO_SHORT "キーパスワードを8文字以上入力してください"
#define TEXT_SETTINGS_NOT_SAVED "設定ファイルの保存に失敗しました"
#define TEXT_SEAL_CAPTION "キーファイルの暗号化"
#define TEXT_SEAL_QUESTION                                                                                                                          \
  "キーファイルを暗号化した形式に書き換えます。生成されるパスワードはすべて今のまま変わりません。\n" \
  "今の形式のキーファイルは、コピーされるとそれだけで全部のパスワードが分かってしまいます。"            \
  "暗号化したキーファイルは、キーパスワードを知らなければ使えません。\n\n"                                         \
  "前に作ったコピーや紙の控えは今の形式のままです。書き換えたら、作り直してください。\n"                   \
  "書き換えますか？"
#define TEXT_SEALED "キーファイルを暗号化しました。\n前に作ったコピーや紙の控えは捨てて、作り直してください。"
#define TEXT_SEAL_NOT_UNMASKED                                                                         \
  "キーパスワードがキーファイルと一致しないため、暗号化できません。\n" \
  "[パスワード]にこのキーファイルのキーパスワードを入力してください"
#define TEXT_RESEAL_QUESTION                                                                                                               \
  "このキーファイルの生成方式を変えると、このキーで生成されるパスワードがすべて変わります。\n" \
  "キーファイルを書き換えて、生成方式を変えますか？"

// Key creation dialog.
#define TEXT_KEY_CREATE_PROMPT "キーパスワードを設定して[生成]ボタンを押してください。"
#define TEXT_KEY_GENERATING "キーを生成しています。しばらくお待ちください…"
#define TEXT_SAVE_KEY_FILE_TITLE "キーファイルの保存先の選択"
#define TEXT_KEY_FILE_NOT_SAVED "キーファイルの保存に失敗しました"
#define TEXT_KEY_PASSWORD_TOO_LONG "キーパスワードが長すぎます。63バイト（全角文字は2バイト）以内にしてください。"
#define TEXT_KEY_FILE_EXTENSION "key"

// The site dialog's own texts (the shared ones are in shared_texts.h).
#define TEXT_SITE_FILE_MEND_TO_EDIT "ファイルを直してから、もう一度サイト別設定を開いてください。"
#define TEXT_SITE_FILE_NOT_SAVED "サイト別設定ファイルの保存に失敗しました："
#define TEXT_SITE_FILE_BUSY "ほかのプログラムが編集中か、ロックできません。少し待ってから、もう一度保存してください。"
#define TEXT_SITE_TYPO_CAPTION "サイト別設定"
#define TEXT_SITE_DELETE_CAPTION "サイト別設定の削除"

// Description and pattern, each ending in a zero byte, and one more ending the list.
#define KEY_FILE_FILTER "キーファイル(*.key)\0*.key\0"
