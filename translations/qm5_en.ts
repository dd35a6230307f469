<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>TfrmIE</name>
    <message>
        <source>しばらくお待ちください．．．</source>
        <translation>Please wait...</translation>
    </message>
    <message>
        <source>ページが自動で開こうとしたメディアを開きませんでした: %1</source>
        <translation>Not opened: media the page tried to open by itself: %1</translation>
    </message>
    <message>
        <source>ページが自動で開こうとしたウィンドウを開きませんでした</source>
        <translation>Not opened: a window the page tried to open by itself</translation>
    </message>
    <message>
        <source>確認の表示中のため、メディアを開きませんでした: %1</source>
        <translation>Not opened while a question is showing: %1</translation>
    </message>
    <message>
        <source>インターネット</source>
        <translation>Internet</translation>
    </message>
</context>
<context>
    <name>TfrmInfo</name>
    <message>
        <source>QM5 — 書き取り練習プレーヤー

録音を再生しながら、区切りたいところで space キーを押してブロックに分けます。ブロックごとに再生・繰り返し・一時停止ができ、ブロックごとに一行のメモを残せます。
区切りとメモはブロックファイル (.bsd) に保存され、後で開き直すと続きから練習できます。

QM5 is a dictation-practice player: cut a recording into blocks while it plays, then drill block by block and keep a note line for each.</source>
        <translation>QM5 — a dictation-practice player

Press space at each pause while a recording plays to cut it into blocks. Play, repeat and pause block by block, and keep one note line for each block.
Blocks and notes are saved in a block file (.bsd); open it again later to go on where you stopped.</translation>
    </message>
    <message>
        <source>拡張子</source>
        <translation>Extensions</translation>
    </message>
    <message>
        <source>メディアプレーヤー</source>
        <translation>Media player</translation>
    </message>
    <message>
        <source>ストリーミング (RealMedia など)</source>
        <translation>Streaming (RealMedia and others)</translation>
    </message>
    <message>
        <source>拡張子を羅列し、最後に.をつける</source>
        <translation>List the extensions, with a final &quot;.&quot;</translation>
    </message>
    <message>
        <source>ヒストリ数</source>
        <translation>History size</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>ＱＭ５について</source>
        <translation>About QM5</translation>
    </message>
    <message>
        <source>表示言語（次回の起動から）</source>
        <translation>Language (from the next start)</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>無音とみなす長さ (ms)</source>
        <translation>Shortest pause (ms)</translation>
    </message>
    <message>
        <source>無音とみなす長さ</source>
        <translation>Shortest pause</translation>
    </message>
    <message>
        <source>区切りを近くの無音の中央に合わせる</source>
        <translation>Move separators to the middle of a nearby pause</translation>
    </message>
    <message>
        <source>ブロックバーに音の大きさを表示する</source>
        <translation>Show the loudness on the block bar</translation>
    </message>
    <message>
        <source>キー</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>再生中はブロック区切りを挿入、止まっていれば再生</source>
        <translation>While playing, insert a block separator; when stopped, play</translation>
    </message>
    <message>
        <source>ブロック区切りを挿入</source>
        <translation>Insert a block separator</translation>
    </message>
    <message>
        <source>次 / 前のブロックへ</source>
        <translation>Next / previous block</translation>
    </message>
    <message>
        <source>このブロックの先頭から</source>
        <translation>This block from its start</translation>
    </message>
    <message>
        <source>このブロックの右の区切りを削除</source>
        <translation>Delete the separator right of this block</translation>
    </message>
    <message>
        <source>再生 / 一時停止</source>
        <translation>Play / pause</translation>
    </message>
    <message>
        <source>録音全体を無音で区切る</source>
        <translation>Cut the whole recording at its pauses</translation>
    </message>
    <message>
        <source>ブロックとメモの変更を元に戻す（どのウィンドウでも）</source>
        <translation>Undo a change of blocks or notes (in any window)</translation>
    </message>
    <message>
        <source>やり直す</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>ブロックファイルに上書き保存（まだなければ名前を付けて）</source>
        <translation>Save to the block file (with a name first if there is none)</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>ブロックファイル・字幕・台本を読み込む</source>
        <translation>Load a block file, transcript or script</translation>
    </message>
    <message>
        <source>メモ / インターネット / この画面</source>
        <translation>Memo / Internet / this window</translation>
    </message>
    <message>
        <source>このキーの一覧</source>
        <translation>This list of keys</translation>
    </message>
    <message>
        <source>コントロールを順に移動し、ボタンを押す</source>
        <translation>Move between the controls, press the focused button</translation>
    </message>
    <message>
        <source>メモの編集中：前 / 同じ / 次のブロック、再生を続ける、カーソル行のブロック</source>
        <translation>While editing the memo: previous / same / next block, play on, the block of the caret&apos;s line</translation>
    </message>
    <message>
        <source>メインウィンドウ</source>
        <translation>Main window</translation>
    </message>
    <message>
        <source>ブロックバーを拡大 / 縮小 / 全体表示（再生位置を中心に）</source>
        <translation>Zoom the block bar in / out / show it whole (around the playback position)</translation>
    </message>
    <message>
        <source>ホイール</source>
        <translation>Wheel</translation>
    </message>
    <message>
        <source>ブロックバーをマウスの位置で拡大・縮小、Shift+ホイールで移動</source>
        <translation>Zoom the block bar at the pointer; Shift+wheel scrolls it</translation>
    </message>
    <message>
        <source>Anki のパッケージに書き出す</source>
        <translation>Export the lesson as an Anki package</translation>
    </message>
    <message>
        <source>復習 %1</source>
        <translation>Due %1</translation>
    </message>
    <message>
        <source>記録</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>今日復習するブロック: %1</source>
        <translation>Blocks due for review today: %1</translation>
    </message>
    <message>
        <source>レッスンを開くと、その書き取りの記録が表示されます。</source>
        <translation>Open a lesson to see its dictation progress.</translation>
    </message>
    <message>
        <source>このレッスンの書き取りの記録はまだありません。</source>
        <translation>No dictation checked in this lesson yet.</translation>
    </message>
    <message>
        <source>習得 %1 / %2 ブロック、今日の復習 %3 ブロック、最後の日の平均点 %4</source>
        <translation>Mastered %1 of %2 blocks, %3 due today, last day&apos;s mean score %4</translation>
    </message>
    <message>
        <source>書き取り中：今日復習するブロックを苦手なものから（もう一度押すとやめる）</source>
        <translation>In dictation: review the blocks due today, weakest first (again to stop)</translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>再生位置の指定</source>
        <translation>Play from here</translation>
    </message>
    <message>
        <source>再生ブロックの指定</source>
        <translation>Play this block</translation>
    </message>
    <message>
        <source>ブロック区切りの挿入[space/x]</source>
        <translation>Insert a block separator [space/x]</translation>
    </message>
    <message>
        <source>ブロック区切りの削除[d]</source>
        <translation>Delete a block separator [d]</translation>
    </message>
    <message>
        <source>前のブロックへ[b]</source>
        <translation>Previous block [b]</translation>
    </message>
    <message>
        <source>このブロックの先頭[e]</source>
        <translation>This block from its start [e]</translation>
    </message>
    <message>
        <source>次のブロックへ[n]</source>
        <translation>Next block [n]</translation>
    </message>
    <message>
        <source>ブロッククリア</source>
        <translation>Clear the blocks</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>インターネット</source>
        <translation>Internet</translation>
    </message>
    <message>
        <source>再生速度（メディアプレーヤー再生時）</source>
        <translation>Playback rate (media player)</translation>
    </message>
    <message>
        <source>&apos;%1&apos; は数値ではありません</source>
        <translation>&apos;%1&apos; is not a number</translation>
    </message>
    <message>
        <source>無音で区切る [a]</source>
        <translation>Cut at pauses [a]</translation>
    </message>
    <message>
        <source>ブロックファイルを保存</source>
        <translation>Save the block file</translation>
    </message>
    <message>
        <source>ブロックファイル・字幕・台本を読み込む</source>
        <translation>Load a block file, transcript or script</translation>
    </message>
    <message>
        <source>メモ</source>
        <translation>Memo</translation>
    </message>
    <message>
        <source>ヒストリ・設定・キーの一覧</source>
        <translation>History, settings and the list of keys</translation>
    </message>
    <message>
        <source>音声を解析中 %1%</source>
        <translation>Analysing the sound %1%</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Anki に書き出す… [Ctrl+E]</source>
        <translation>Export to Anki… [Ctrl+E]</translation>
    </message>
</context>
<context>
    <name>TfrmMemo</name>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>編集終了</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>書き取り</source>
        <translation>Dictation</translation>
    </message>
    <message>
        <source>文を隠して書き取り、採点する</source>
        <translation>Hide the text, write it down, and check it</translation>
    </message>
    <message>
        <source>Memo 書き取り</source>
        <translation>Memo - dictation</translation>
    </message>
    <message>
        <source>Memo 編集中</source>
        <translation>Memo - editing</translation>
    </message>
</context>
<context>
    <name>qm::DictationPanel</name>
    <message>
        <source>聞こえたとおりに入力して Enter</source>
        <translation>Type what you hear, then Enter</translation>
    </message>
    <message>
        <source>答え</source>
        <translation>Answer</translation>
    </message>
    <message>
        <source>採点</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>採点の結果</source>
        <translation>Check result</translation>
    </message>
    <message>
        <source>ブロック %1 を書き取ってください（文は隠れています）</source>
        <translation>Write down block %1 (its text is hidden)</translation>
    </message>
    <message>
        <source>ブロックを再生してから書き取ってください</source>
        <translation>Play a block, then write it down</translation>
    </message>
    <message>
        <source>%1 (%2点)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>もう一度練習するブロック: </source>
        <translation>Blocks to practise again: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>凡例：</source>
        <translation>Key:</translation>
    </message>
    <message>
        <source>正しい</source>
        <translation>right</translation>
    </message>
    <message>
        <source>抜け</source>
        <translation>missing</translation>
    </message>
    <message>
        <source>誤り</source>
        <translation>wrong</translation>
    </message>
    <message>
        <source>正</source>
        <translation>right</translation>
    </message>
    <message>
        <source>余分</source>
        <translation>extra</translation>
    </message>
    <message>
        <source>得点 %1 / 100（正 %2・誤 %3・抜け %4・余分 %5）</source>
        <translation>Score %1 / 100 (right %2, wrong %3, missing %4, extra %5)</translation>
    </message>
    <message>
        <source>今日復習するブロックだけを、苦手なものから書き取ります (Ctrl+R)</source>
        <translation>Write down only the blocks due today, weakest first (Ctrl+R)</translation>
    </message>
    <message>
        <source>今日復習するブロックはありません。次の復習は %1 です。</source>
        <translation>Nothing is due today. The next review is on %1.</translation>
    </message>
    <message>
        <source>今日復習するブロックはありません。書き取りを採点すると、復習の予定ができます。</source>
        <translation>Nothing is due today. Check a dictation and its block gets a review date.</translation>
    </message>
    <message>
        <source>yyyy年M月d日</source>
        <translation>MMMM d, yyyy</translation>
    </message>
    <message>
        <source>%1（今日）</source>
        <translation>%1 (today)</translation>
    </message>
    <message>
        <source>%1（明日）</source>
        <translation>%1 (tomorrow)</translation>
    </message>
    <message>
        <source>%1（%2 日後）</source>
        <translation>%1 (in %2 days)</translation>
    </message>
    <message>
        <source>復習をやめる</source>
        <translation>Stop review</translation>
    </message>
    <message>
        <source>今日の復習 %1 / %2</source>
        <translation>Today&apos;s review %1 / %2</translation>
    </message>
    <message>
        <source>今日の復習 (%1)</source>
        <translation>Today&apos;s review (%1)</translation>
    </message>
    <message>
        <source>今日の復習</source>
        <translation>Today&apos;s review</translation>
    </message>
    <message>
        <source>今日の復習は終わりました。次の復習は %1 です。</source>
        <translation>Today&apos;s review is done. The next review is on %1.</translation>
    </message>
    <message>
        <source>今日の復習は終わりました。</source>
        <translation>Today&apos;s review is done.</translation>
    </message>
    <message>
        <source>次へ</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>終わる</source>
        <translation>Finish</translation>
    </message>
</context>
<context>
    <name>qm::LessonDocument</name>
    <message>
        <source>区切りの挿入</source>
        <translation>Insert a separator</translation>
    </message>
    <message>
        <source>区切りの削除</source>
        <translation>Delete a separator</translation>
    </message>
    <message>
        <source>区切りの移動</source>
        <translation>Move a separator</translation>
    </message>
    <message>
        <source>録音の場所</source>
        <translation>Place of the recording</translation>
    </message>
</context>
<context>
    <name>qm::LessonFiles</name>
    <message>
        <source>Memoの編集を終了してください</source>
        <translation>Finish editing the memo first</translation>
    </message>
    <message>
        <source>&apos;%1&apos; は整数ではありません</source>
        <translation>&apos;%1&apos; is not an integer</translation>
    </message>
    <message>
        <source>ブロック数が 1 から 1000 の範囲にないため、読み込めません</source>
        <translation>Not loaded: the block count is not within 1 to 1000</translation>
    </message>
    <message>
        <source>ブロック区切りが 0 から順に並んでいないため、読み込めません</source>
        <translation>Not loaded: the separators do not run in order from 0</translation>
    </message>
    <message>
        <source>長さが違いますが、それでも読み込みますか？</source>
        <translation>The lengths differ. Load all the same?</translation>
    </message>
    <message>
        <source>ブロックファイルの読み込み</source>
        <translation>Load a block file</translation>
    </message>
    <message>
        <source>保存しますか</source>
        <translation>Save the changes?</translation>
    </message>
    <message>
        <source>同じ名前の字幕ファイル %1 があります。ブロックとメモに読み込みますか？</source>
        <translation>There is a transcript of the same name, %1. Load it as blocks and notes?</translation>
    </message>
    <message>
        <source>今のメモ %1 行を、ファイル %2 の %3 行で置き換えますか？</source>
        <translation>Replace the %1 note lines with the %3 lines of file %2?</translation>
    </message>
    <message>
        <source>字幕の読み込み</source>
        <translation>Load a transcript</translation>
    </message>
    <message>
        <source>メディアの長さを過ぎた %1 個の字幕は読み込みませんでした</source>
        <translation>%1 cues past the end of the media were left out</translation>
    </message>
    <message>
        <source>メディアのパスに改行が含まれているため、ブロックファイルに保存できません</source>
        <translation>The media path holds a line break: it cannot be saved in a block file</translation>
    </message>
    <message>
        <source>ファイル %1 は、読み込んだ後にほかのプログラムで変更されています。上書きしますか？</source>
        <translation>File %1 was changed by another program since it was read. Overwrite it?</translation>
    </message>
    <message>
        <source>前回保存されずに終了したブロックデータがあります。復元しますか？</source>
        <translation>Block data was left unsaved when the program last ended. Restore it?</translation>
    </message>
    <message>
        <source>保存されなかったデータの復元</source>
        <translation>Restore unsaved data</translation>
    </message>
</context>
<context>
    <name>qm::PracticeSession</name>
    <message>
        <source>保存しますか</source>
        <translation>Save the changes?</translation>
    </message>
    <message>
        <source>メディアのパスがありません</source>
        <translation>No media path</translation>
    </message>
    <message>
        <source>ファイル %1 は開けません
%2</source>
        <translation>Cannot open file %1
%2</translation>
    </message>
    <message>
        <source>ファイル %1 は開けません
ブロックファイルが別のブロックファイルを指しています</source>
        <translation>Cannot open file %1
The block file names another block file</translation>
    </message>
    <message>
        <source>ファイル %1 はブロックファイルではありません</source>
        <translation>File %1 is not a block file</translation>
    </message>
    <message>
        <source>ブロックファイル %1 の録音 %2 が見つかりません。録音の場所を指定しますか？</source>
        <translation>The recording %2 of block file %1 is not there. Locate the recording?</translation>
    </message>
    <message>
        <source>ブロックファイルの読み込み</source>
        <translation>Load a block file</translation>
    </message>
    <message>
        <source>ブロッククリア</source>
        <translation>Clear the blocks</translation>
    </message>
    <message>
        <source>音声をまだ解析しています。解析が終わってからもう一度お試しください</source>
        <translation>The sound is still being analysed. Try again when the analysis has finished</translation>
    </message>
    <message>
        <source>区切れる無音が見つかりませんでした</source>
        <translation>No pause to cut at was found</translation>
    </message>
    <message>
        <source>今のブロック区切りを、見つかった %1 か所の無音で置き換えますか？</source>
        <translation>Replace the block separators with the %1 pauses found?</translation>
    </message>
    <message>
        <source>無音で区切る</source>
        <translation>Cut at pauses</translation>
    </message>
    <message>
        <source>メモの編集</source>
        <translation>Edit the memo</translation>
    </message>
    <message>
        <source>同じ名前の台本 %1 があります。録音に合わせてブロックに分けますか？</source>
        <translation>There is a script of the same name, %1. Align it with the recording, one block per sentence?</translation>
    </message>
    <message>
        <source>台本を合わせられるのは、このコンピューターにある録音だけです</source>
        <translation>A script can be aligned only with a recording on this computer</translation>
    </message>
    <message>
        <source>台本に文がありません</source>
        <translation>The script holds no sentence</translation>
    </message>
    <message>
        <source>台本を録音に合わせられませんでした
%1</source>
        <translation>The script could not be aligned with the recording
%1</translation>
    </message>
    <message>
        <source>台本に合わせる</source>
        <translation>Align the script</translation>
    </message>
    <message>
        <source>台本の %1 文のうち %2 文をブロックにしました</source>
        <translation>%2 of the script&apos;s %1 sentences were made blocks</translation>
    </message>
    <message>
        <source>録音に見つからなかった台本の行: %1</source>
        <translation>Script lines not found in the recording: %1</translation>
    </message>
    <message>
        <source>英語以外の台本は、無音と文の長さから置いたおおよその位置です</source>
        <translation>A script not in English is placed by the pauses and the sentences&apos; lengths: the places are approximate</translation>
    </message>
    <message>
        <source>台本を録音に合わせています…</source>
        <translation>Aligning the script with the recording…</translation>
    </message>
    <message>
        <source>Anki に書き出せるのは、このコンピューターにある録音のレッスンだけです</source>
        <translation>Only a lesson of a recording on this computer can be exported to Anki</translation>
    </message>
    <message>
        <source>メモのあるブロックがないため、書き出すカードがありません</source>
        <translation>No block has a note: there are no cards to export</translation>
    </message>
    <message>
        <source>Anki パッケージ</source>
        <translation>Anki package</translation>
    </message>
    <message>
        <source>Anki パッケージ %1 を書き出せませんでした
%2</source>
        <translation>The Anki package %1 could not be written
%2</translation>
    </message>
    <message>
        <source>%1 枚のカードを %2 に書き出しました</source>
        <translation>%1 cards were written to %2</translation>
    </message>
    <message>
        <source>Anki に書き出しています…</source>
        <translation>Exporting to Anki…</translation>
    </message>
</context>
<context>
    <name>qm::ProgressChart</name>
    <message>
        <source>書き取りの記録</source>
        <translation>Dictation progress</translation>
    </message>
    <message>
        <source>まだ採点した書き取りがありません。メモ画面の書き取りで採点すると、日ごとの点数と習得したブロックがここに表示されます。</source>
        <translation>No dictation checked yet. Check your dictation in the Memo window and each day&apos;s score and the blocks mastered appear here.</translation>
    </message>
    <message>
        <source>平均点（左）</source>
        <translation>Mean score (left)</translation>
    </message>
    <message>
        <source>習得したブロック（右）</source>
        <translation>Blocks mastered (right)</translation>
    </message>
</context>
<context>
    <name>qm::UndoActions</name>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直す</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>元に戻す: %1</source>
        <translation>Undo: %1</translation>
    </message>
    <message>
        <source>やり直す: %1</source>
        <translation>Redo: %1</translation>
    </message>
</context>
<context>
    <name>qm::dictation</name>
    <message>
        <source>%1 行目: </source>
        <translation>Line %1: </translation>
    </message>
    <message>
        <source>ディクテーションの記録ファイルではありません</source>
        <translation>This is not a dictation record</translation>
    </message>
    <message>
        <source>新しい版 (%1) のプログラムで書かれたファイルです</source>
        <translation>The file was written by a newer version (%1) of the program</translation>
    </message>
    <message>
        <source>列の見出しが違います</source>
        <translation>The column headings differ</translation>
    </message>
    <message>
        <source>列の数が 6 ではありません (%1)</source>
        <translation>The line does not have 6 columns (%1)</translation>
    </message>
    <message>
        <source>&apos;%1&apos; は範囲内の整数ではありません</source>
        <translation>&apos;%1&apos; is not an integer in range</translation>
    </message>
    <message>
        <source>解答の \ の後が読めません</source>
        <translation>What follows a \ in the answer cannot be read</translation>
    </message>
    <message>
        <source>ブロック %1 が二度あります</source>
        <translation>Block %1 is there twice</translation>
    </message>
</context>
<context>
    <name>qm::formats</name>
    <message>
        <source>ブロックファイル</source>
        <translation>Block files</translation>
    </message>
    <message>
        <source>SubRip 字幕</source>
        <translation>SubRip subtitles</translation>
    </message>
    <message>
        <source>WebVTT 字幕</source>
        <translation>WebVTT subtitles</translation>
    </message>
    <message>
        <source>LRC 歌詞</source>
        <translation>LRC lyrics</translation>
    </message>
    <message>
        <source>Audacity ラベル</source>
        <translation>Audacity labels</translation>
    </message>
    <message>
        <source>メモのテキスト</source>
        <translation>Memo text</translation>
    </message>
    <message>
        <source>字幕・台本</source>
        <translation>Transcripts and scripts</translation>
    </message>
    <message>
        <source>すべてのファイル</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>音声とブロックファイル</source>
        <translation>Audio and block files</translation>
    </message>
    <message>
        <source>音声</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>台本（録音に合わせる）</source>
        <translation>Script (align with the recording)</translation>
    </message>
</context>
<context>
    <name>qm::messages</name>
    <message>
        <source>ファイル %1 は開けません</source>
        <translation>Cannot open file %1</translation>
    </message>
    <message>
        <source>ファイル %1 を作成できません</source>
        <translation>Cannot create file %1</translation>
    </message>
    <message>
        <source>ファイル %1 は読み込めません
%2</source>
        <translation>Cannot read file %1
%2</translation>
    </message>
</context>
<context>
    <name>qm::transcript</name>
    <message>
        <source>%1 行目: </source>
        <translation>Line %1: </translation>
    </message>
    <message>
        <source>ファイルの形式を示す見出しがありません</source>
        <translation>The heading that names the file&apos;s format is missing</translation>
    </message>
    <message>
        <source>時刻 &apos;%1&apos; が読めません</source>
        <translation>The time &apos;%1&apos; cannot be read</translation>
    </message>
    <message>
        <source>終わりの時刻が始まりの時刻より前です</source>
        <translation>The end time is before the start time</translation>
    </message>
    <message>
        <source>この形式にない行です: &apos;%1&apos;</source>
        <translation>A line this format does not have: &apos;%1&apos;</translation>
    </message>
    <message>
        <source>時刻の付いた行がありません</source>
        <translation>No line has a time</translation>
    </message>
    <message>
        <source>ブロックが %1 個になり、1000 個を超えるため読み込めません</source>
        <translation>Not loaded: it would make %1 blocks, more than 1000</translation>
    </message>
    <message>
        <source>最後の行の終わりの時刻がわかりません（メディアの長さが必要です）</source>
        <translation>The end time of the last line is not known (the media&apos;s length is needed)</translation>
    </message>
    <message>
        <source>どの行もメディアの終わりより後に始まっています</source>
        <translation>Every line starts after the end of the media</translation>
    </message>
    <message>
        <source>時刻の範囲が 0 のため、ブロックを作れません</source>
        <translation>The times span nothing, so no blocks can be made</translation>
    </message>
</context>
</TS>
