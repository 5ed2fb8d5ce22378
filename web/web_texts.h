// The web page's own texts, where the dialog program has no such failure or
// step; UTF-8, as the page shows them.
#pragma once

#include "shared_texts.h"

// How a wrong key password usually comes about, said first.
#define TEXT_WEB_KEY_PASSWORD_HINT \
  "打ち間違い、Caps Lock、全角のままの入力モードがよくある原因です。確かめて、もう一度入力してください。"
// Only where it makes sense, and last: deriving from a key password the key was not made with.
#define TEXT_WEB_DERIVE_ANYWAY_WHEN \
  "Windows版の詳細設定でこのキーとは別のキーパスワードにした場合だけ、「一致しなくても生成する」で生成できます。"
#define TEXT_WEB_KEY_PASSWORD_MISMATCH \
  "キーパスワードがキーファイルと一致しません。" TEXT_WEB_KEY_PASSWORD_HINT "\n" TEXT_WEB_DERIVE_ANYWAY_WHEN
#define TEXT_WEB_KEY_WRONG_PASSWORD "キーパスワードが違うか、キーファイルが壊れています。" TEXT_WEB_KEY_PASSWORD_HINT
#define TEXT_WEB_KEY_WRONG_SHAPE \
  "キーファイル「%s」の形式が正しくありません（キーファイルは103バイトか、暗号化された178バイトのファイルです）"
#define TEXT_WEB_KEY_FILE_EMPTY "キーファイル「%s」は空です。キーファイル（.key）を選び直してください"
#define TEXT_WEB_NO_KEY_FILE \
  "キーファイルがありません。「キーファイル（.key）」でキーファイルを選ぶか、このページにドロップしてください"
#define TEXT_WEB_KEY_UNSUPPORTED \
  "キーファイル「%s」は、このバージョンでは読めない形式です（新しいバージョンで作られたか、壊れています）"
#define TEXT_WEB_KEY_NO_MEMORY                                                                                                          \
  "このキーを開くには %u MiB のメモリーが必要ですが、このブラウザーでは確保できませんでした。" \
  "メモリーの多いコンピューターで開いて暗号化し直すか、別のキーファイルを使ってください"
#define TEXT_WEB_KEY_DAMAGED                                                                                                                                 \
  "キーファイル「%s」は壊れています（暗号化されたキーの一部が欠けているか、余分なデータが付いています）。" \
  "このファイルからはパスワードを生成できません。キーファイルのバックアップを使ってください"
#define TEXT_WEB_KEY_NOT_A_KEY                                                                                           \
  "キーファイル「%s」の中身はキーではありません。このキーパスワードで開けますが、" \
  "Sorrelが作ったキーではないため、このファイルからはパスワードを生成できません"
#define TEXT_WEB_WORKER_FAILED \
  "キーを開く処理（ワーカー）を始められないか、途中で止まりました。ページを読み込み直して、もう一度試してください"
#define TEXT_WEB_SEAL_FAILED "キーファイルの暗号化に失敗しました"
#define TEXT_WEB_KEY_PASSWORD_TOO_LONG "キーパスワードが長すぎます。63バイト（全角文字は2バイト）以内にしてください。"
#define TEXT_WEB_SETTINGS_NOT_READ "設定ファイルを読み込めません（524バイトの setting.ini ではありません）"
#define TEXT_WEB_UNMAPPABLE "「%c」（%u）はシフトJIS（コードページ932）にない文字のため使えません"
#define TEXT_WEB_TEXT_TOO_LONG "長すぎます。1023バイト（全角文字は2バイト）以内にしてください"
#define TEXT_WEB_CHANGE_NOT_UNMASKED \
  "キーパスワードがキーファイルと一致しません。今のキーパスワードを「キーパスワード」に入力してください"
#define TEXT_WEB_KEY_PASSWORD_SAME \
  "今のキーパスワードでもキーを開けてしまうため使えません。今のものとは別のキーパスワードにしてください。"
#define TEXT_WEB_KEY_PASSWORD_CHANGED "キーパスワードを変更しました。生成されるパスワードはすべて変わりません。"
#define TEXT_WEB_OLD_KEY_COPIES \
  "前に作ったキーファイルのコピーと紙の控えは、古いキーパスワードで開けるままです。捨てるか、作り直してください。"
