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

// Site rules (sites.txt): the note under the pass phrase, the site's rule, what is
// wrong with a line of the file or with an edit, by SiteStatus.
#define TEXT_SITE_NOTE_PREFIX "このサイト："
#define TEXT_SITE_NOTE_AS_SETTINGS "詳細設定どおり"
#define TEXT_SITE_NOTE_SEPARATOR "・"
#define TEXT_SITE_NOTE_LENGTH "%ld文字"
#define TEXT_SITE_NOTE_COUNTER "%ld回目"
#define TEXT_SITE_NOTE_DERIVATION_1 "旧方式"
#define TEXT_SITE_NOTE_DERIVATION_2 "新方式"
#define TEXT_SITE_CLASS_JOIN "＋"
#define TEXT_SITE_CLASS_ALNUM "英数字"
#define TEXT_SITE_CLASS_LETTERS "英字"
#define TEXT_SITE_CLASS_DIGITS "数字"
#define TEXT_SITE_CLASS_LOWER "英小文字"
#define TEXT_SITE_CLASS_UPPER "英大文字"
#define TEXT_SITE_CLASS_SYMBOLS "記号"
#define TEXT_SITE_DID_YOU_MEAN "「%s」のことですか？"
#define TEXT_SITE_NOTE_FILE_LINE "sites.txt の%ld行目に誤りがあります"
#define TEXT_SITE_NOTE_FILE "sites.txt を読み込めません"
#define TEXT_SITE_FILE_REFUSED "サイト別設定ファイルを読み込めません："
#define TEXT_SITE_FILE_LINE "%ld行目："
#define TEXT_SITE_DELETE_QUESTION \
  "「%s」のサイト別設定を削除しますか？\n削除すると、詳細設定どおりのパスワードに戻ります。"
#define TEXT_SITE_FILE_MEND_TO_GENERATE \
  "このまま生成すると違うパスワードになるため、ファイルを直すまでパスワードは生成しません。"
#define TEXT_SITE_PASS_PHRASE_TOO_LONG "パスフレーズと回数を合わせて1023バイト以内にしてください"
#define TEXT_SITE_PASS_PHRASE_REFUSED "このパスフレーズにはサイト別設定を作れません："
#define TEXT_SITE_COUNTER_INVALID "回数は1から9999までにしてください"
#define TEXT_SITE_SAVED_RULE "このサイトの設定です。"
#define TEXT_SITE_NEW_RULE "新しいサイトです。詳細設定の値を表示しています。"
// Where the site's derivation in force comes from: its rule, a sealed key, the settings.
#define TEXT_SITE_DERIVATION_FROM_SITE "生成方式：このサイトの設定"
#define TEXT_SITE_DERIVATION_FROM_KEY "生成方式：キーファイルの指定"
#define TEXT_SITE_DERIVATION_FROM_SETTINGS "生成方式：詳細設定どおり"
#define TEXT_SITE_COUNTER_HINT "パスワードを変えるときは、[次のパスワードへ]を押して保存します。"
#define TEXT_SITE_NEXT_HINT "保存すると%ld回目の新しいパスワードになります。前のパスワードは、回数を%ldに戻すと出ます。"
#define TEXT_SITE_FILE_NOT_READ "ファイルを読めません"
#define TEXT_SITE_FILE_TOO_LARGE "ファイルが64KiBを超えています"
#define TEXT_SITE_TOO_MANY_SITES "サイトが500を超えています"
#define TEXT_SITE_NOT_UTF8 "UTF-8のテキストではありません"
#define TEXT_SITE_STRAY_CR "行の途中にCRがあります"
#define TEXT_SITE_PHRASE_TOO_SHORT "パスフレーズが4バイト（全角文字は2バイト）に足りません"
#define TEXT_SITE_PHRASE_TOO_LONG "パスフレーズが1018バイト（全角文字は2バイト）を超えています"
#define TEXT_SITE_NOT_CP932 "シフトJIS（コードページ932）にない文字があります"
#define TEXT_SITE_DUPLICATE "前の行と同じパスフレーズです"
#define TEXT_SITE_BAD_FIELD "「名前=値」でない欄があります（タブが続いている、行末がタブなど）"
#define TEXT_SITE_FIELD_TWICE "同じ欄が2回あります"
#define TEXT_SITE_BAD_LENGTH "length は1から1023までです"
#define TEXT_SITE_BAD_CLASSES "classes は digits,lower,upper,symbols からカンマで区切って選びます"
#define TEXT_SITE_BAD_DERIVATION "derivation は1か2です"
#define TEXT_SITE_BAD_COUNTER "counter は1から9999までです"
#define TEXT_SITE_BAD_DOMAIN "domains は小文字のドメイン名をカンマで区切って並べます"
#define TEXT_SITE_TOO_MANY_DOMAINS "domains のドメインは16までです"
#define TEXT_SITE_BAD_PASS_PHRASE "「#」で始まるか、タブか改行を含んでいます"
#define TEXT_SITE_WRITE_FAILED "書き込めません。ファイルは元のままです"

// A weak new key password: the key creation dialog and the page ask before
// taking it. %s is one of the reasons below.
#define TEXT_WEAK_KEY_PASSWORD_CAPTION "推測されやすいキーパスワード"
#define TEXT_WEAK_KEY_PASSWORD_QUESTION                                                                                                                       \
  "このキーパスワードは推測されやすいものです（%s）。\n"                                                                              \
  "キーファイルが他人の手に渡ると、よく使われるものから順に試され、短い時間で見破られるおそれがあります。" \
  "長くするか、自分だけの言葉を加えることをおすすめします。\n\n"                                                                  \
  "このキーパスワードのまま続けますか？"
#define TEXT_WEAK_COMMON "よく使われるパスワードのひとつ"
#define TEXT_WEAK_REPEAT "同じ文字や並びの繰り返し"
#define TEXT_WEAK_SEQUENCE "abcd、4321、あいうえ のような続いた並び"
#define TEXT_WEAK_KEYBOARD "キーボードで隣り合うキーの並び"
#define TEXT_WEAK_DATE "日付や年"
#define TEXT_WEAK_SHORT "使っている文字の種類のわりに短い"
// A rule that is not in force (typed with blanks, or a field name mistyped).
#define TEXT_SITE_TYPO_NOTE "sites.txt の%ld行目の設定は効いていません"
#define TEXT_SITE_TYPO_LINE "sites.txt の%ld行目："
#define TEXT_SITE_TYPO_RULE "「%s」は効いていません。"
#define TEXT_SITE_TYPO_NO_TAB                                                                                                    \
  "前がタブでなく空白なので、パスフレーズの一部になっています。そこをタブにすると、「%" \
  "s」のパスワードがこの設定どおりに変わります。"
#define TEXT_SITE_TYPO_FIELD_NAME \
  "その名前の欄はないので無視されます。%s=… と書くと、このサイトのパスワードがこの設定どおりに変わります。"
