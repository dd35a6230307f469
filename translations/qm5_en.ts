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
        <source>|すべてのファイル(*.*)|*</source>
        <translation>|All files (*)|*</translation>
    </message>
    <message>
        <source>*.bsd|*.bsd|字幕・ラベル・テキスト (*.srt *.vtt *.lrc *.txt)|*.srt;*.vtt;*.lrc;*.txt</source>
        <translation>*.bsd|*.bsd|Subtitles, labels, text (*.srt *.vtt *.lrc *.txt)|*.srt;*.vtt;*.lrc;*.txt</translation>
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
        <source>得点 %1 点（正 %2・誤 %3・抜け %4・余分 %5）</source>
        <translation>Score %1 (right %2, wrong %3, missing %4, extra %5)</translation>
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
</context>
<context>
    <name>qm::PracticeSession</name>
    <message>
        <source>Memoの編集を終了してください</source>
        <translation>Finish editing the memo first</translation>
    </message>
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
        <source>前回保存されずに終了したブロックデータがあります。復元しますか？</source>
        <translation>Block data was left unsaved when the program last ended. Restore it?</translation>
    </message>
    <message>
        <source>同じ名前の字幕ファイル %1 があります。ブロックとメモに読み込みますか？</source>
        <translation>There is a transcript of the same name, %1. Load it as blocks and notes?</translation>
    </message>
    <message>
        <source>ファイル %1 は読み込めません
%2</source>
        <translation>Cannot read file %1
%2</translation>
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
        <source>ブロックファイル (*.bsd)|*.bsd|SubRip 字幕 (*.srt)|*.srt|WebVTT 字幕 (*.vtt)|*.vtt|LRC 歌詞 (*.lrc)|*.lrc|Audacity ラベル (*.txt)|*.txt|メモのテキスト (*.txt)|*.txt</source>
        <translation>Block file (*.bsd)|*.bsd|SubRip subtitles (*.srt)|*.srt|WebVTT subtitles (*.vtt)|*.vtt|LRC lyrics (*.lrc)|*.lrc|Audacity labels (*.txt)|*.txt|Notes as text (*.txt)|*.txt</translation>
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
        <source>ファイル %1 は開けません</source>
        <translation>Cannot open file %1</translation>
    </message>
    <message>
        <source>ファイル %1 を作成できません</source>
        <translation>Cannot create file %1</translation>
    </message>
</context>
</TS>
