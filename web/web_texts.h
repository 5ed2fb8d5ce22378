// The web page's own texts, where the dialog program has no such failure or
// step; UTF-8, as the page shows them.
#pragma once

#include "shared_texts.h"

#define TEXT_WEB_KEY_PASSWORD_MISMATCH \
  "キーパスワードがキーファイルと一致しません。このまま生成するには「一致しなくても生成する」を選んでください"
#define TEXT_WEB_KEY_WRONG_SHAPE "キーファイルの形式が正しくありません（103バイトのキーファイルではありません）"
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
