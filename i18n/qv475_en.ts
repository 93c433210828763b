<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>DayReport</name>
    <message>
        <source>%1分平均</source>
        <translation>%1-min mean</translation>
    </message>
    <message>
        <source>暴風</source>
        <translation>Storm</translation>
    </message>
    <message>
        <source>作成</source>
        <translation>Prepared</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Checked</translation>
    </message>
    <message>
        <source>承認</source>
        <translation>Approved</translation>
    </message>
    <message>
        <source>風速記録 日報</source>
        <translation>Wind record: daily report</translation>
    </message>
    <message>
        <source>QV-475簡易ソフト %1</source>
        <translation>QV-475 Software %1</translation>
    </message>
    <message>
        <source>QV-475簡易ソフト %1 で作成</source>
        <translation>Made with QV-475 Software %1</translation>
    </message>
    <message>
        <source>yyyy年M月d日 (ddd)</source>
        <translation>ddd d MMM yyyy</translation>
    </message>
    <message>
        <source>現場: %1    記録: %2 〜 %3</source>
        <translation>Site: %1    Record: %2 to %3</translation>
    </message>
    <message>
        <source>(未設定)</source>
        <translation>(not set)</translation>
    </message>
    <message>
        <source>風速計: QV-475 COM%1</source>
        <translation>Meter: QV-475 COM%1</translation>
    </message>
    <message>
        <source>製造番号 %1</source>
        <translation>serial no. %1</translation>
    </message>
    <message>
        <source>設置場所 %1</source>
        <translation>mounted at %1</translation>
    </message>
    <message>
        <source>高さ %1</source>
        <translation>height %1</translation>
    </message>
    <message>
        <source>判定の基準</source>
        <translation>Criteria</translation>
    </message>
    <message>
        <source>判定の設定: </source>
        <translation>Rule settings: </translation>
    </message>
    <message>
        <source>この日の数字</source>
        <translation>Figures of the day</translation>
    </message>
    <message>
        <source>事象 (記録の風速から算出)</source>
        <translation>Events (computed from the recorded speeds)</translation>
    </message>
    <message>
        <source>事象 (事象記録より)</source>
        <translation>Events (from the event log)</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>事象</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>最大瞬間風速</source>
        <translation>Max gust</translation>
    </message>
    <message>
        <source>瞬間風速</source>
        <translation>Instant speed</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>none</translation>
    </message>
    <message>
        <source>読めなかった記録</source>
        <translation>Records that could not be read</translation>
    </message>
    <message>
        <source>点検記録簿</source>
        <translation>Inspection register</translation>
    </message>
    <message>
        <source>期間: %1 〜 %2</source>
        <translation>Period: %1 to %2</translation>
    </message>
    <message>
        <source>現場: %1</source>
        <translation>Site: %1</translation>
    </message>
    <message>
        <source>種別</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>日時</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Details</translation>
    </message>
</context>
<context>
    <name>TrendChart</name>
    <message>
        <source>平均風速(計器)</source>
        <translation>Mean (meter)</translation>
    </message>
    <message>
        <source>瞬間警報1</source>
        <translation>Inst. alarm 1</translation>
    </message>
    <message>
        <source>瞬間警報2</source>
        <translation>Inst. alarm 2</translation>
    </message>
    <message>
        <source>平均警報1</source>
        <translation>Mean alarm 1</translation>
    </message>
    <message>
        <source>平均警報2</source>
        <translation>Mean alarm 2</translation>
    </message>
</context>
<context>
    <name>dlgInspection</name>
    <message>
        <source>点検確認</source>
        <translation>Inspection</translation>
    </message>
    <message>
        <source>異常なし</source>
        <translation>No fault</translation>
    </message>
    <message>
        <source>異常あり</source>
        <translation>Fault found</translation>
    </message>
    <message>
        <source>異常の内容</source>
        <translation>What was found</translation>
    </message>
    <message>
        <source>記録</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>点検者:</source>
        <translation>Inspector:</translation>
    </message>
    <message>
        <source>結果:</source>
        <translation>Result:</translation>
    </message>
    <message>
        <source>点検を行った人の名前と結果を、点検ごとに記録します。作業を再開するかどうかは、記録した人が判断します。</source>
        <translation>Record who inspected and what was found, one inspection at a time. Whether work resumes is for the person who signs to decide.</translation>
    </message>
    <message>
        <source>点検:</source>
        <translation>Inspection:</translation>
    </message>
    <message>
        <source>点検者名と結果は %1 文字までです。</source>
        <translation>The inspector&apos;s name and the result take at most %1 characters each.</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ %1.%2.%3</source>
        <translation>Version %1.%2.%3</translation>
    </message>
    <message>
        <source>ｼｽﾃﾑ情報(&amp;S)...</source>
        <translation>&amp;System Info...</translation>
    </message>
    <message>
        <source>履歴</source>
        <translation>History</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>QV-475簡易ソフト for WindowsXP</source>
        <translation>QV-475 Software for WindowsXP</translation>
    </message>
    <message>
        <source>(C) 2026 QV-475簡易ソフト 開発ﾁｰﾑ</source>
        <translation>(C) 2026 QV-475 Software team</translation>
    </message>
    <message>
        <source>このﾌﾟﾛｸﾞﾗﾑは著作権法により保護されています。無断で複製・配布することを禁じます。</source>
        <translation>This program is protected by copyright law. Copying or distributing it without permission is prohibited.</translation>
    </message>
    <message>
        <source> Ver履歴</source>
        <translation> Version history</translation>
    </message>
    <message>
        <source>   ●テスト版</source>
        <translation>   - Test version</translation>
    </message>
    <message>
        <source>   ●初版</source>
        <translation>   - First release</translation>
    </message>
    <message>
        <source>   ●警報表示機能追加。</source>
        <translation>   - Alarm display added.</translation>
    </message>
    <message>
        <source>   ●ﾌｧｲﾙ名に日付けをつけて上書きをしないように修正。</source>
        <translation>   - File names carry the date, so that files are not overwritten.</translation>
    </message>
    <message>
        <source>   ●出力時間間隔が60秒以下の設定の時の不具合を修正。</source>
        <translation>   - Fixed a fault with output intervals of 60 seconds or less.</translation>
    </message>
    <message>
        <source>現時点ではｼｽﾃﾑ情報を使用できません</source>
        <translation>System information is not available at this time</translation>
    </message>
</context>
<context>
    <name>frmBrowser</name>
    <message>
        <source>問い合わせ</source>
        <translation>Inquiry</translation>
    </message>
    <message>
        <source>問い合わせﾍﾟｰｼﾞを表示する部品 (qv475-browser) がｲﾝｽﾄｰﾙされていません。

sudo apt-get install qv475-browser でｲﾝｽﾄｰﾙするか、次のﾍﾟｰｼﾞをﾌﾞﾗｳｻﾞで開いてください。
%1</source>
        <translation>The part that shows the inquiry page (qv475-browser) is not installed.

Install it with sudo apt-get install qv475-browser, or open this page in a browser.
%1</translation>
    </message>
</context>
<context>
    <name>frmHistory</name>
    <message>
        <source>記録表示</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>日報 PDF(&amp;R)...</source>
        <translation>Daily &amp;report PDF...</translation>
    </message>
    <message>
        <source>表示期間を CSV に書き出し(&amp;E)...</source>
        <translation>&amp;Export the shown period to CSV...</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>縮小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>全体</source>
        <translation>All</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>事象</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>判定平均</source>
        <translation>Rule mean</translation>
    </message>
    <message>
        <source>最大瞬間</source>
        <translation>Max gust</translation>
    </message>
    <message>
        <source>瞬間</source>
        <translation>Instant</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ → 開く で記録を開きます。</source>
        <translation>Open a record with File &gt; Open.</translation>
    </message>
    <message>
        <source>読み込み中: %1</source>
        <translation>Reading: %1</translation>
    </message>
    <message>
        <source>読み込めませんでした。</source>
        <translation>Could not be read.</translation>
    </message>
    <message>
        <source>%1 行 (%2)</source>
        <translation>%1 rows (%2)</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>ﾌｧｲﾙに記録の行がありません。</source>
        <translation>The file has no record rows.</translation>
    </message>
    <message>
        <source>%1 〜 %2</source>
        <translation>%1 to %2</translation>
    </message>
    <message>
        <source>&lt;b&gt;表示期間の数字&lt;/b&gt;&lt;table cellspacing=2&gt;</source>
        <translation>&lt;b&gt;Figures of the shown period&lt;/b&gt;&lt;table cellspacing=2&gt;</translation>
    </message>
    <message>
        <source>&lt;/table&gt;&lt;br&gt;&lt;b&gt;事象&lt;/b&gt; %1</source>
        <translation>&lt;/table&gt;&lt;br&gt;&lt;b&gt;Events&lt;/b&gt; %1</translation>
    </message>
    <message>
        <source>(記録の風速から算出)</source>
        <translation>(computed from the recorded speeds)</translation>
    </message>
    <message>
        <source>(事象記録より)</source>
        <translation>(from the event log)</translation>
    </message>
    <message>
        <source>記録を開く</source>
        <translation>Open records</translation>
    </message>
    <message>
        <source>記録ﾌｧｲﾙ (*.csv)</source>
        <translation>Record files (*.csv)</translation>
    </message>
    <message>
        <source>すべてのﾌｧｲﾙ (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>日報 PDF の保存</source>
        <translation>Save daily report PDF</translation>
    </message>
    <message>
        <source>日報を保存できません。</source>
        <translation>The report cannot be saved.</translation>
    </message>
    <message>
        <source>日報を保存しました: %1 (%2 日)</source>
        <translation>Report saved: %1 (%2 days)</translation>
    </message>
    <message>
        <source>CSV に書き出し</source>
        <translation>Export to CSV</translation>
    </message>
    <message>
        <source>書き出せません。</source>
        <translation>Cannot export.</translation>
    </message>
    <message>
        <source>書き出しました: %1</source>
        <translation>Exported: %1</translation>
    </message>
    <message>
        <source>読めなかった記録</source>
        <translation>Records that could not be read</translation>
    </message>
    <message>
        <source>点検記録簿(&amp;B)...</source>
        <translation>Inspection re&amp;gister...</translation>
    </message>
    <message>
        <source>点検記録簿</source>
        <translation>Inspection register</translation>
    </message>
    <message>
        <source>最初の日:</source>
        <translation>First day:</translation>
    </message>
    <message>
        <source>最後の日:</source>
        <translation>Last day:</translation>
    </message>
    <message>
        <source>点検記録簿の保存</source>
        <translation>Save the inspection register</translation>
    </message>
    <message>
        <source>点検記録簿を保存できません。</source>
        <translation>The inspection register cannot be saved.</translation>
    </message>
    <message>
        <source>点検記録簿を保存しました: %1 (%2 件)</source>
        <translation>Inspection register saved: %1 (%2 items)</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>QV-475簡易ソフト</source>
        <translation>QV-475 Software</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力開始</source>
        <translation>Start file output</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力停止</source>
        <translation>Stop file output</translation>
    </message>
    <message>
        <source>通信設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>接続</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>切断</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>縮小表示</source>
        <translation>Smaller view</translation>
    </message>
    <message>
        <source>拡大表示</source>
        <translation>Larger view</translation>
    </message>
    <message>
        <source>問い合わせ</source>
        <translation>Inquiry</translation>
    </message>
    <message>
        <source>風速計からのﾃﾞｰﾀが途絶えました。</source>
        <translation>Data from the wind meter has stopped.</translation>
    </message>
    <message>
        <source>風速計との通信が回復しました。</source>
        <translation>Communication with the wind meter is back.</translation>
    </message>
    <message>
        <source>%1 %2 m/s: 警報ﾚﾍﾞﾙ%3</source>
        <translation>%1 %2 m/s: alarm level %3</translation>
    </message>
    <message>
        <source>瞬間風速</source>
        <translation>Instant speed</translation>
    </message>
    <message>
        <source>平均風速</source>
        <translation>Mean speed</translation>
    </message>
    <message>
        <source>作業判定: %1 (%2分平均 %3 m/s)</source>
        <translation>Work: %1 (%2-min mean %3 m/s)</translation>
    </message>
    <message>
        <source>暴風 %1 m/s: 点検要</source>
        <translation>Storm %1 m/s: inspection required</translation>
    </message>
    <message>
        <source>状態ﾌｧｲﾙを読めません。点検要として扱います。
%1%2</source>
        <translation>The state file cannot be read. Treated as inspection required.
%1%2</translation>
    </message>
    <message>
        <source>
読めなかったﾌｧｲﾙは %1 に残しました。</source>
        <translation>
The unreadable file was kept as %1.</translation>
    </message>
    <message>
        <source>点検要の状態を保存できませんでした。
</source>
        <translation>The inspection-required state could not be saved.
</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力開始(&amp;O)...</source>
        <translation>Start file &amp;output...</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力停止(&amp;C)</source>
        <translation>Stop file output (&amp;C)</translation>
    </message>
    <message>
        <source>記録を開く(&amp;R)...</source>
        <translation>Open &amp;records...</translation>
    </message>
    <message>
        <source>接続(&amp;M)</source>
        <translation>Connect (&amp;M)</translation>
    </message>
    <message>
        <source>切断(&amp;P)</source>
        <translation>Disconnect (&amp;P)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ﾂｰﾙ ﾊﾞｰ(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>通信設定(&amp;S)...</source>
        <translation>&amp;Settings...</translation>
    </message>
    <message>
        <source>画面縮小(&amp;N)</source>
        <translation>Small&amp;er view</translation>
    </message>
    <message>
        <source>画面拡大(&amp;L)</source>
        <translation>&amp;Larger view</translation>
    </message>
    <message>
        <source>ﾏﾙﾁ表示(&amp;B)</source>
        <translation>All readings (&amp;B)</translation>
    </message>
    <message>
        <source>瞬間風速値表示(&amp;K)</source>
        <translation>Instant speed (&amp;K)</translation>
    </message>
    <message>
        <source>平均風速値表示(&amp;E)</source>
        <translation>M&amp;ean speed</translation>
    </message>
    <message>
        <source>ﾄﾚﾝﾄﾞ表示(&amp;G)</source>
        <translation>Trend (&amp;G)</translation>
    </message>
    <message>
        <source>警報音(&amp;A)</source>
        <translation>&amp;Alarm sound</translation>
    </message>
    <message>
        <source>警報確認(&amp;Q)</source>
        <translation>Acknowledge alarm (&amp;Q)</translation>
    </message>
    <message>
        <source>通知テスト(&amp;U)</source>
        <translation>Test notification (&amp;U)</translation>
    </message>
    <message>
        <source>点検確認(&amp;I)...</source>
        <translation>&amp;Inspection...</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>問い合わせ(&amp;W)</source>
        <translation>Inquiry (&amp;W)</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽ</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>瞬間最大風速</source>
        <translation>Peak instant</translation>
    </message>
    <message>
        <source>平均最大風速</source>
        <translation>Peak mean</translation>
    </message>
    <message>
        <source>不完全なﾌﾚｰﾑ: %1</source>
        <translation>Incomplete frames: %1</translation>
    </message>
    <message>
        <source>再接続待ち</source>
        <translation>Retrying</translation>
    </message>
    <message>
        <source>受信待ち</source>
        <translation>Waiting for data</translation>
    </message>
    <message>
        <source>通信停止中</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>  最終受信 </source>
        <translation>  last data </translation>
    </message>
    <message>
        <source>状態ﾌｧｲﾙを読めません</source>
        <translation>State file unreadable</translation>
    </message>
    <message>
        <source>暴風 %1 m/s (%2)</source>
        <translation>Storm %1 m/s (%2)</translation>
    </message>
    <message>
        <source>あと %1分</source>
        <translation>%1 min to go</translation>
    </message>
    <message>
        <source>%1分平均 %2</source>
        <translation>%1-min mean %2</translation>
    </message>
    <message>
        <source>最大瞬間 %1 m/s</source>
        <translation>max gust %1 m/s</translation>
    </message>
    <message>
        <source>平均風速(計器)</source>
        <translation>Mean (meter)</translation>
    </message>
    <message>
        <source>瞬間風速が %1 m/s で、注意の基準 %2 m/s 以上です。
風が強いまま点検確認を記録しますか?</source>
        <translation>The instant speed is %1 m/s, at or above the caution level of %2 m/s.
Record the inspection while the wind is still strong?</translation>
    </message>
    <message>
        <source>設定ﾌｧｲﾙの現場設定を使えません。
%1
直すまで、判定には既定の基準 (注意 8.0、作業中止 10.0、暴風 30.0 m/s) を使います。</source>
        <translation>The site settings in the settings file cannot be used.
%1
Until they are corrected, the rule uses the default levels (caution 8.0, stop 10.0, storm 30.0 m/s).</translation>
    </message>
    <message>
        <source>プログラムを終了してもよろしいですか？</source>
        <translation>Do you want to exit the program?</translation>
    </message>
    <message>
        <source>ﾌﾟﾛｸﾞﾗﾑの終了</source>
        <translation>Exit program</translation>
    </message>
    <message>
        <source>設定を保存できませんでした。
%1</source>
        <translation>The settings could not be saved.
%1</translation>
    </message>
    <message>
        <source>設定ﾌｧｲﾙに読み取れない行があったため、元のﾌｧｲﾙを残してから保存しました。
%1</source>
        <translation>The settings file had lines that could not be read, so the original file was kept before saving.
%1</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸが応答しないため、%1 行をﾌｧｲﾙに書き込めませんでした。
%2</source>
        <translation>The disk did not respond, so %1 rows could not be written to the file.
%2</translation>
    </message>
    <message>
        <source>設定ﾌｧｲﾙに通知先がありません。
%1 の [Notify] に Url= か Command= を書いてください。</source>
        <translation>The settings file has no notification target.
Write Url= or Command= in [Notify] of %1.</translation>
    </message>
    <message>
        <source>%1分平均</source>
        <translation>%1-min mean</translation>
    </message>
    <message>
        <source>暴風</source>
        <translation>Storm</translation>
    </message>
    <message>
        <source>ﾎﾟｰﾄのｵｰﾌﾟﾝ</source>
        <translation>Opening the port</translation>
    </message>
    <message>
        <source>このﾎﾟｰﾄは使用できません。別のﾎﾟｰﾄに設定してください。</source>
        <translation>This port cannot be used. Choose another port.</translation>
    </message>
    <message>
        <source>
ｼﾘｱﾙﾎﾟｰﾄを使うには、このﾕｰｻﾞｰを dialout ｸﾞﾙｰﾌﾟに加えてください（sudo usermod -aG dialout $USER の後、ﾛｸﾞｲﾝし直します）。</source>
        <translation>
To use serial ports, add this user to the dialout group (sudo usermod -aG dialout $USER, then log in again).</translation>
    </message>
    <message>
        <source>ﾎﾟｰﾄは既に開かれています。</source>
        <translation>The port is already open.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力警告</source>
        <translation>File output warning</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ警告</source>
        <translation>File warning</translation>
    </message>
    <message>
        <source>出力ﾌｧｲﾙ名が指定されていません。</source>
        <translation>No output file name is set.</translation>
    </message>
    <message>
        <source>QV-475と接続してからﾌｧｲﾙ出力を開始して下さい。</source>
        <translation>Connect to the QV-475 before starting file output.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙへの書き込みに失敗したため、ﾌｧｲﾙ出力を停止しました。
%1
%2</source>
        <translation>Writing to the file failed, so file output was stopped.
%1
%2</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸが1分以上応答しません。%1 行が書き込みを待っています。</source>
        <translation>The disk has not responded for more than a minute. %1 rows are waiting to be written.</translation>
    </message>
    <message>
        <source>使用停止: 点検で%1 — %2 %3</source>
        <translation>Out of service: inspection found %1 — %2 %3</translation>
    </message>
    <message>
        <source>暴風の後の点検 (状態ﾌｧｲﾙを読めません)</source>
        <translation>Inspection after a storm (the state file cannot be read)</translation>
    </message>
    <message>
        <source>暴風 %1 m/s (%2) の後のｸﾚｰﾝの点検</source>
        <translation>Crane inspection after the storm of %1 m/s (%2)</translation>
    </message>
    <message>
        <source>作業中止 (%1〜%2) の後の足場の点検</source>
        <translation>Scaffold inspection after the work stop (%1 to %2)</translation>
    </message>
    <message>
        <source>作業中止の間は記録できません。点検は強風がおさまった後に行います。</source>
        <translation>Nothing can be recorded while work is stopped. The inspection follows the strong wind.</translation>
    </message>
    <message>
        <source>瞬間風速が暴風の基準をこえています。風がおさまってから記録してください。</source>
        <translation>The instant speed is above the storm level. Record the inspection once the wind has dropped.</translation>
    </message>
    <message>
        <source>注意の状態が続いています。
風が強いまま点検確認を記録しますか?</source>
        <translation>The caution still holds.
Record the inspection while the wind is still strong?</translation>
    </message>
    <message>
        <source>点検で%1 — %2 %3</source>
        <translation>inspection found %1 — %2 %3</translation>
    </message>
    <message>
        <source>データなし</source>
        <translation>NO DATA</translation>
    </message>
    <message>
        <source>%1分平均が基準未満で %2 に解除条件成立</source>
        <translation>stop condition clears at %2 if the %1-minute mean stays below the limit</translation>
    </message>
    <message>
        <source>風速計が応答しません。</source>
        <translation>The meter does not answer.</translation>
    </message>
    <message>
        <source>点検記録簿(&amp;B)...</source>
        <translation>Inspection re&amp;gister...</translation>
    </message>
    <message>
        <source>使い方(&amp;M)</source>
        <translation>&amp;Manual</translation>
    </message>
</context>
<context>
    <name>frmOptions</name>
    <message>
        <source>通信設定</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>出力設定</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>現場設定</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>  ｺﾝﾋﾟｭｰﾀのｼﾘｱﾙﾎﾟｰﾄの設定を行います。</source>
        <translation>  Sets the computer&apos;s serial port.</translation>
    </message>
    <message>
        <source>  風速計の通信速度の初期値は19200bps、その他は固定値で、ﾃﾞｰﾀ長8、ﾊﾟﾘﾃｨｰなし、ｽﾄｯﾌﾟﾋﾞｯﾄ1です。</source>
        <translation>  The meter starts at 19200 bps; the rest is fixed: 8 data bits, no parity, 1 stop bit.</translation>
    </message>
    <message>
        <source>接続ﾎﾟｰﾄ：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>通信速度：</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>ﾃﾞｰﾀ長：</source>
        <translation>Data bits:</translation>
    </message>
    <message>
        <source> 8 ﾋﾞｯﾄ</source>
        <translation> 8 bits</translation>
    </message>
    <message>
        <source>ﾊﾟﾘﾃｨﾋﾞｯﾄ：</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source> なし</source>
        <translation> none</translation>
    </message>
    <message>
        <source>ｽﾄｯﾌﾟﾋﾞｯﾄ：</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source> 1 ﾋﾞｯﾄ</source>
        <translation> 1 bit</translation>
    </message>
    <message>
        <source>自動再接続</source>
        <translation>Reconnect automatically</translation>
    </message>
    <message>
        <source>  通信で取り込んだﾃﾞｰﾀの出力ﾌｧｲﾙ名を指定します。</source>
        <translation>  Sets the file that the received data is written to.</translation>
    </message>
    <message>
        <source>  出力ﾌｧｲﾙ形式はCSVﾌｧｲﾙ形式で出力されます。</source>
        <translation>  The file is written in CSV format.</translation>
    </message>
    <message>
        <source>出力ﾌｧｲﾙ名：</source>
        <translation>Output file:</translation>
    </message>
    <message>
        <source>出力時間間隔：</source>
        <translation>Interval:</translation>
    </message>
    <message>
        <source>  出力する項目を指定します。</source>
        <translation>  Choose the items to write.</translation>
    </message>
    <message>
        <source>  少なくとも一つは選択してください。</source>
        <translation>  Choose at least one.</translation>
    </message>
    <message>
        <source>日時</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>瞬間風速</source>
        <translation>Instant speed</translation>
    </message>
    <message>
        <source>瞬間最大風速</source>
        <translation>Peak instant</translation>
    </message>
    <message>
        <source>平均風速</source>
        <translation>Mean speed</translation>
    </message>
    <message>
        <source>平均最大風速</source>
        <translation>Peak mean</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>適用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>設定操作</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>  10分間平均風速による作業中止と、瞬間風速が暴風の値をこえた後の点検要を判定します。規則の基準は 10 m/s 以上で中止、30 m/s をこえる風の後に点検。小さい値は現場独自のより厳しい基準です。</source>
        <translation>  Stop by the 10-minute mean, inspection after a storm. The regulation: stop at 10 m/s or more, inspect after wind above 30 m/s. Smaller values are stricter site rules.</translation>
    </message>
    <message>
        <source>作業判定を使う</source>
        <translation>Use the work rule</translation>
    </message>
    <message>
        <source>平均時間 (分)：</source>
        <translation>Mean over (min):</translation>
    </message>
    <message>
        <source>注意 (m/s)：</source>
        <translation>Caution (m/s):</translation>
    </message>
    <message>
        <source>作業中止 (m/s)：</source>
        <translation>Stop work (m/s):</translation>
    </message>
    <message>
        <source>暴風 (m/s をこえる)：</source>
        <translation>Storm (above m/s):</translation>
    </message>
    <message>
        <source>解除まで (分)：</source>
        <translation>Hold (min):</translation>
    </message>
    <message>
        <source>作業中止の後に足場点検を求める</source>
        <translation>Require a scaffold inspection after a stop</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>csvﾌｧｲﾙ(*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>すべてのﾌｧｲﾙ (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>表示設定</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>  画面の表示言語を選びます。</source>
        <translation>  Choose the language of the windows.</translation>
    </message>
    <message>
        <source>  変更はﾌﾟﾛｸﾞﾗﾑを次に起動したときから有効になります。</source>
        <translation>  A change takes effect the next time the program starts.</translation>
    </message>
    <message>
        <source>表示言語：</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>ｼｽﾃﾑに合わせる</source>
        <translation>As the system</translation>
    </message>
    <message>
        <source>作業判定の語を日本語と英語で併記する</source>
        <translation>Show the work states in Japanese and English</translation>
    </message>
</context>
<context>
    <name>frmTrend</name>
    <message>
        <source>ﾄﾚﾝﾄﾞ表示</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>10分</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>60分</source>
        <translation>60 min</translation>
    </message>
    <message>
        <source>表示期間：</source>
        <translation>Period:</translation>
    </message>
</context>
<context>
    <name>history</name>
    <message>
        <source>「%1」の %2 行目は、この風速計の記録として読めません。
%3</source>
        <translation>Line %2 of &quot;%1&quot; cannot be read as a record of this meter.
%3</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙの終わりの空白ﾃﾞｰﾀ (%1 ﾊﾞｲﾄ) を読みませんでした。</source>
        <translation>Blank data at the end of the file (%1 bytes) was not read.</translation>
    </message>
    <message>
        <source>「%1」は空です。</source>
        <translation>&quot;%1&quot; is empty.</translation>
    </message>
    <message>
        <source>UTF-8 で保存されたﾌｧｲﾙとして読みました。</source>
        <translation>Read as a file saved in UTF-8.</translation>
    </message>
    <message>
        <source>見出しの行がこのｿﾌﾄの記録の形ではありません: %1</source>
        <translation>The header line is not that of this program&apos;s records: %1</translation>
    </message>
    <message>
        <source>最後の行 (%1 行目) は途中で切れているため読みませんでした。</source>
        <translation>The last line (line %1) is cut short and was not read.</translation>
    </message>
    <message>
        <source>読み込みを取り消しました。</source>
        <translation>Reading was cancelled.</translation>
    </message>
    <message>
        <source>列の数が見出しと合いません (%1 列、見出しは %2 列): %3</source>
        <translation>The number of columns does not match the header (%1 columns, the header has %2): %3</translation>
    </message>
    <message>
        <source>日付か時刻が読めません: %1</source>
        <translation>The date or time cannot be read: %1</translation>
    </message>
    <message>
        <source>風速が読めません: %1</source>
        <translation>The wind speed cannot be read: %1</translation>
    </message>
    <message>
        <source>「%1」には日付と時刻の列がなく、ﾌｧｲﾙ名からも開始時刻がわかりません。</source>
        <translation>&quot;%1&quot; has no date and time columns, and its name does not tell the start time either.</translation>
    </message>
    <message>
        <source>日付と時刻の列がないため、時刻はﾌｧｲﾙ名と更新日時から推定しました。</source>
        <translation>Without date and time columns, the times were estimated from the file name and its modification time.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>平均 %1 分、注意 %2 m/s 以上、作業中止 %3 m/s 以上、暴風 %4 m/s をこえる、解除まで %5 分%6</source>
        <translation>mean %1 min, caution %2 m/s or more, stop %3 m/s or more, storm above %4 m/s, hold %5 min%6</translation>
    </message>
    <message>
        <source> (既定値)</source>
        <translation> (defaults)</translation>
    </message>
    <message>
        <source>10分間の平均風速 10 m/s 以上で作業中止</source>
        <translation>Stop work at a 10-minute mean of 10 m/s or more</translation>
    </message>
    <message>
        <source>瞬間風速 30 m/s をこえる風の後に点検</source>
        <translation>Inspect after an instant speed above 30 m/s</translation>
    </message>
    <message>
        <source>この現場: %1分間の平均風速 %2 m/s 以上で作業中止</source>
        <translation>This site: stop work at a %1-minute mean of %2 m/s or more</translation>
    </message>
    <message>
        <source>この現場: 瞬間風速 %1 m/s をこえる風の後に点検</source>
        <translation>This site: inspect after an instant speed above %1 m/s</translation>
    </message>
    <message>
        <source>(氏名なし)</source>
        <translation>(no name)</translation>
    </message>
    <message>
        <source>1 分未満</source>
        <translation>under 1 min</translation>
    </message>
    <message>
        <source>%1 分</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>数字の出所</source>
        <translation>Source of the figures</translation>
    </message>
    <message>
        <source>現場の判定の記録 (10 秒ごと)</source>
        <translation>the site rule record (every 10 s)</translation>
    </message>
    <message>
        <source>風速の記録値 (%1 秒ごと) から算出</source>
        <translation>computed from the recorded speeds (every %1 s)</translation>
    </message>
    <message>
        <source>風速の記録値 (%1 秒ごと) のみ</source>
        <translation>recorded speeds only (every %1 s)</translation>
    </message>
    <message>
        <source>最大瞬間風速</source>
        <translation>Max gust</translation>
    </message>
    <message>
        <source> 記録値 (%1 秒ごと) の最大</source>
        <translation> highest recorded value (every %1 s)</translation>
    </message>
    <message>
        <source>最大%1分平均</source>
        <translation>Max %1-min mean</translation>
    </message>
    <message>
        <source>注意・作業中止・判定中の時間</source>
        <translation>Time in caution, stop, deciding</translation>
    </message>
    <message>
        <source>注意の時間</source>
        <translation>Time in caution</translation>
    </message>
    <message>
        <source>作業中止の時間</source>
        <translation>Time stopped</translation>
    </message>
    <message>
        <source>判定中の時間</source>
        <translation>Time deciding</translation>
    </message>
    <message>
        <source>記録間隔 %1 秒では判定できません</source>
        <translation>cannot be decided at a %1 s interval</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>none</translation>
    </message>
    <message>
        <source>%1 〜 %2%3 (%4)</source>
        <translation>%1 to %2%3 (%4)</translation>
    </message>
    <message>
        <source> 以降も継続</source>
        <translation> and continuing</translation>
    </message>
    <message>
        <source>点検未了</source>
        <translation>not inspected</translation>
    </message>
    <message>
        <source>点検の記録なし</source>
        <translation>no inspection recorded</translation>
    </message>
    <message>
        <source>&#x3000;点検</source>
        <translation>  inspection</translation>
    </message>
    <message>
        <source>前日からの点検要</source>
        <translation>Inspection required from the day before</translation>
    </message>
    <message>
        <source>暴風 %1</source>
        <translation>storm %1</translation>
    </message>
    <message>
        <source>暴風 (時刻は記録外)</source>
        <translation>storm (time outside the record)</translation>
    </message>
    <message>
        <source>暴風</source>
        <translation>Storm</translation>
    </message>
    <message>
        <source>記録値 (%1 秒ごと) には見られません。その間は判定できません</source>
        <translation>not seen in the recorded values (every %1 s); cannot be decided for that time</translation>
    </message>
    <message>
        <source> (記録値)</source>
        <translation> (recorded values)</translation>
    </message>
    <message>
        <source>記録終了時</source>
        <translation>At the end of the record</translation>
    </message>
    <message>
        <source>データ率</source>
        <translation>Data rate</translation>
    </message>
    <message>
        <source>瞬間風速 10.0 m/s 以上</source>
        <translation>Instant 10.0 m/s or more</translation>
    </message>
    <message>
        <source>瞬間風速 30.0 m/s をこえる</source>
        <translation>Instant above 30.0 m/s</translation>
    </message>
    <message>
        <source>記録間隔 %1 秒では算出できません</source>
        <translation>cannot be computed at a %1 s interval</translation>
    </message>
    <message>
        <source>点検の記録を読めません</source>
        <translation>inspection record cannot be read</translation>
    </message>
    <message>
        <source>判定の記録なし</source>
        <translation>No rule record</translation>
    </message>
    <message>
        <source>%1 (風速の記録から補いました)</source>
        <translation>%1 (filled in from the recorded speeds)</translation>
    </message>
    <message>
        <source>イベント記録「%1」が見つかりません。点検の記録は読めません。</source>
        <translation>The event log &quot;%1&quot; is not there. The inspections cannot be read.</translation>
    </message>
    <message>
        <source>判定の記録の %1 行を読めませんでした (%2行目)</source>
        <translation>%1 line(s) of the rule record could not be read (line %2)</translation>
    </message>
    <message>
        <source>イベント記録の %1 行を読めませんでした (%2行目)</source>
        <translation>%1 line(s) of the event log could not be read (line %2)</translation>
    </message>
</context>
<context>
    <name>logging</name>
    <message>
        <source>出力ﾌｧｲﾙ名が正しくありません。ﾌｧｲﾙ名には「.csv」(小文字) を含めてください。</source>
        <translation>The output file name is not valid. The name must contain &quot;.csv&quot; (lower case).</translation>
    </message>
    <message>
        <source>前の出力ﾌｧｲﾙへの書き込みがまだ終わっていません。ﾃﾞｨｽｸが応答するまでお待ちください。
</source>
        <translation>Writing to the previous output file has not finished yet. Wait until the disk responds.
</translation>
    </message>
    <message>
        <source>同じ分の記録ﾌｧｲﾙが %1 個あり、新しいﾌｧｲﾙ名を作れません。
%2</source>
        <translation>There are %1 record files of the same minute; no new file name can be made.
%2</translation>
    </message>
    <message>
        <source>出力する項目が選択されていません。設定のﾌｧｲﾙ出力で項目を選んでください。</source>
        <translation>No items are chosen for output. Choose them under Output in the settings.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>起動時に風速計と接続します。</source>
        <translation>Connects to the meter at start.</translation>
    </message>
    <message>
        <source>接続後の最初のﾃﾞｰﾀでﾌｧｲﾙ出力を開始します (--connect を含みます)。</source>
        <translation>Starts file output at the first data after connecting (implies --connect).</translation>
    </message>
    <message>
        <source>ｳｨﾝﾄﾞｳなしで記録します: 接続、自動再接続、最初のﾃﾞｰﾀからﾌｧｲﾙ出力。</source>
        <translation>Logs without windows: connects, reconnects, and writes the file from the first data.</translation>
    </message>
    <message>
        <source>記録ﾌｧｲﾙ (FILE...) を記録表示のｳｨﾝﾄﾞｳで開きます。</source>
        <translation>Opens the record files (FILE...) in the records window.</translation>
    </message>
    <message>
        <source>記録ﾌｧｲﾙ (FILE...) の日報を PDF にします (--out に書きます。ｳｨﾝﾄﾞｳなし)。</source>
        <translation>Writes the daily report of the record files (FILE...) as a PDF to --out, without windows.</translation>
    </message>
    <message>
        <source>動作中のﾌﾟﾛｸﾞﾗﾑ (同じ設定ﾌｧｲﾙ) に点検確認を記録します。NAME は点検者。</source>
        <translation>Records an inspection in the running program (same settings file). NAME is the inspector.</translation>
    </message>
    <message>
        <source>[Notify] の通知先 (web hook とｺﾏﾝﾄﾞ) に試験の通知を 1 回送ります。</source>
        <translation>Sends one test notification to the targets of [Notify] (web hook and command).</translation>
    </message>
    <message>
        <source>設定ﾌｧｲﾙ (既定: %1)。</source>
        <translation>The settings file (default: %1).</translation>
    </message>
    <message>
        <source>QV-475簡易ソフト: 風速計 QV-475 の表示と記録</source>
        <translation>QV-475 Software: shows and records the QV-475 wind meter</translation>
    </message>
    <message>
        <source>--open と --report の記録ﾌｧｲﾙ。</source>
        <translation>The record files of --open and --report.</translation>
    </message>
    <message>
        <source>ｳｨﾝﾄﾞｳなしの記録を Windows のｻｰﾋﾞｽ NAME として登録します (管理者として。--config の設定で起動時から記録)。</source>
        <translation>Register logging without windows as the Windows service NAME (as administrator; logs from boot with the settings of --config).</translation>
    </message>
    <message>
        <source>Windows のｻｰﾋﾞｽ NAME を止めて削除します。</source>
        <translation>Stop and remove the Windows service NAME.</translation>
    </message>
    <message>
        <source>--acknowledge の点検結果 (必須): 異常なし、または 異常あり: 内容。</source>
        <translation>The result for --acknowledge (required): 異常なし, or 異常あり: note.</translation>
    </message>
    <message>
        <source>--acknowledge で確認する点検: crane (暴風の後) または scaffold (足場)。</source>
        <translation>The inspection --acknowledge signs: crane (after a storm) or scaffold.</translation>
    </message>
    <message>
        <source>注意または強風の間でも --acknowledge を記録します (強風下で確認と記録)。</source>
        <translation>Records --acknowledge during a caution or a strong wind too (marked as signed under a strong wind).</translation>
    </message>
    <message>
        <source>動作中のﾌﾟﾛｸﾞﾗﾑ (同じ設定ﾌｧｲﾙ) の状態を表示します。</source>
        <translation>Shows the state of the running program (same settings file).</translation>
    </message>
    <message>
        <source>--status を JSON で表示します。</source>
        <translation>Prints --status as JSON.</translation>
    </message>
    <message>
        <source>--report と --register の出力ﾌｧｲﾙ。</source>
        <translation>The output file of --report and --register.</translation>
    </message>
    <message>
        <source>点検記録簿 (暴風、作業中止、点検の一覧) を --out の PDF か CSV にします。</source>
        <translation>Writes the inspection register (storms, stops, inspections) to --out as PDF or CSV.</translation>
    </message>
    <message>
        <source>--register の最初の日。</source>
        <translation>The first day of --register.</translation>
    </message>
    <message>
        <source>--register の最後の日。</source>
        <translation>The last day of --register.</translation>
    </message>
    <message>
        <source>封印した記録が目録 (*_manifest.csv) のとおりか調べます (FOLDER、既定は記録の場所)。</source>
        <translation>Checks the sealed records against their manifest (*_manifest.csv) in FOLDER (by default where the records are).</translation>
    </message>
</context>
<context>
    <name>manifest</name>
    <message>
        <source>記録の検証: </source>
        <translation>Records verified: </translation>
    </message>
    <message>
        <source>一致</source>
        <translation>unchanged</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>記録の検証: 一致 (%1 ﾌｧｲﾙ)</source>
        <translation>Records verified: unchanged (%1 files)</translation>
    </message>
    <message>
        <source>保管先に「%1」を写せません: %2</source>
        <translation>Cannot copy &quot;%1&quot; to the archive: %2</translation>
    </message>
    <message>
        <source>封印の目録「%1」を読めません。</source>
        <translation>Cannot read the manifest &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>「%1」を封印のために読めません。</source>
        <translation>Cannot read &quot;%1&quot; to seal it.</translation>
    </message>
    <message>
        <source>封印の目録「%1」に書けません: %2</source>
        <translation>Cannot write the manifest &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>保管先「%1」がありません。次の機会に写します。</source>
        <translation>The archive folder &quot;%1&quot; is not there. The copy is tried again later.</translation>
    </message>
    <message>
        <source>「%1」に封印の目録 (*_manifest.csv) がありません。</source>
        <translation>&quot;%1&quot; holds no manifest (*_manifest.csv).</translation>
    </message>
    <message>
        <source>「%1」を読めません。</source>
        <translation>Cannot read &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>「%1」の %2 行目が読めません。</source>
        <translation>Line %2 of &quot;%1&quot; cannot be read.</translation>
    </message>
    <message>
        <source>「%1」の %2 行目の前が書き換えられています (行の鎖がつながりません)。</source>
        <translation>The line before line %2 of &quot;%1&quot; has been changed (the chain of lines breaks).</translation>
    </message>
    <message>
        <source>「%1」がありません (封印の後に消されています)。</source>
        <translation>&quot;%1&quot; is missing (removed after it was sealed).</translation>
    </message>
    <message>
        <source>「%1」は封印の後に変更されています。</source>
        <translation>&quot;%1&quot; was changed after it was sealed.</translation>
    </message>
    <message>
        <source>「%1」は封印の後に加えられています。</source>
        <translation>&quot;%1&quot; was added after the day was sealed.</translation>
    </message>
    <message>
        <source>「%1」は封印の後に変更されています</source>
        <translation>&quot;%1&quot; was changed after it was sealed</translation>
    </message>
    <message>
        <source>未封印 (日が終わると封印されます)</source>
        <translation>not sealed yet (sealed when the day is over)</translation>
    </message>
    <message>
        <source>一致 (一部は未封印)</source>
        <translation>unchanged (some not sealed yet)</translation>
    </message>
</context>
<context>
    <name>manual</name>
    <message>
        <source>利用の手引きが見つかりません。
ﾌﾟﾛｸﾞﾗﾑと一緒にｲﾝｽﾄｰﾙしてください。</source>
        <translation>The manual cannot be found.
Install it with the program.</translation>
    </message>
    <message>
        <source>利用の手引き</source>
        <translation>Manual</translation>
    </message>
</context>
<context>
    <name>output</name>
    <message>
        <source>通知: %1 の待ち行列が満杯 (%2) のため、最も古い通知 (%3, %4) を捨てました</source>
        <translation>Notify: %1 queue full (%2); the oldest notice (%3 at %4) dropped</translation>
    </message>
    <message>
        <source>通知: %1 が復旧しました</source>
        <translation>Notify: %1 works again</translation>
    </message>
    <message>
        <source>通知: %1 が失敗しました: %2</source>
        <translation>Notify: %1 failed: %2</translation>
    </message>
    <message>
        <source>通知: CaFile %1 に読める証明書がないため、ｼｽﾃﾑの認証局だけを信頼します</source>
        <translation>Notify: CaFile %1 holds no certificate that reads; only the system&apos;s authorities are trusted</translation>
    </message>
    <message>
        <source>通知: このﾋﾞﾙﾄﾞはTLSを持たないため、CaFile %1 は使いません</source>
        <translation>Notify: this build has no TLS; CaFile %1 is not used</translation>
    </message>
    <message>
        <source>このｼｽﾃﾑには systemd-inhibit がありません</source>
        <translation>no systemd-inhibit on this system</translation>
    </message>
    <message>
        <source>ｼｽﾃﾑがｽﾘｰﾌﾟ防止を拒否しました: %1</source>
        <translation>the system refused the sleep lock: %1</translation>
    </message>
    <message>
        <source>Url= が http または https のｱﾄﾞﾚｽではありません: %1</source>
        <translation>Url= is not an http or https address: %1</translation>
    </message>
    <message>
        <source>ContentType= に改行か制御文字があります</source>
        <translation>ContentType= holds a line break or a control character</translation>
    </message>
    <message>
        <source>%1= が &quot;名前: 値&quot; の形ではありません</source>
        <translation>%1= is not &quot;Name: value&quot;</translation>
    </message>
    <message>
        <source>CaFile= が 1 MiB 以下のﾌｧｲﾙではありません: %1</source>
        <translation>CaFile= is not a file of at most 1 MiB: %1</translation>
    </message>
    <message>
        <source>Events= の &quot;%1&quot; という出来事はありません</source>
        <translation>Events= names no event &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Repeat= が 0 から 1440 までの分数ではありません</source>
        <translation>Repeat= is not a number of minutes from 0 to 1440</translation>
    </message>
    <message>
        <source>[Notify] に Url= も Command= もありません</source>
        <translation>[Notify] names neither Url= nor Command=</translation>
    </message>
    <message>
        <source>MQTT: %1:%2 に接続しました</source>
        <translation>MQTT: connected to %1:%2</translation>
    </message>
    <message>
        <source>MQTT: ﾒｯｾｰｼﾞが拒否されました: %1</source>
        <translation>MQTT: a message was refused: %1</translation>
    </message>
    <message>
        <source>MQTT: %1:%2: %3、再試行します</source>
        <translation>MQTT: %1:%2: %3, retrying</translation>
    </message>
    <message>
        <source>MQTT: 接続が切れました (%1)、再試行します</source>
        <translation>MQTT: connection lost (%1), retrying</translation>
    </message>
    <message>
        <source>切断</source>
        <translation>closed</translation>
    </message>
    <message>
        <source>MQTT: 設定のﾄﾋﾟｯｸは使えません (%1)</source>
        <translation>MQTT: the topic in the settings cannot be used (%1)</translation>
    </message>
    <message>
        <source>MQTT: %1 の %2 に送信します</source>
        <translation>MQTT: publishing to %1 under %2</translation>
    </message>
    <message>
        <source>通知: %1 でﾃｽﾄを送りました (%2)</source>
        <translation>Notify: test by %1 sent (%2)</translation>
    </message>
    <message>
        <source>通知: %1 でのﾃｽﾄが失敗しました (%2)</source>
        <translation>Notify: test by %1 failed (%2)</translation>
    </message>
    <message>
        <source>通知: %1</source>
        <translation>Notify: %1</translation>
    </message>
    <message>
        <source>記録中にｼｽﾃﾑがｽﾘｰﾌﾟすることがあります: %1</source>
        <translation>The system may sleep while logging: %1</translation>
    </message>
    <message>
        <source>通知: ﾃｽﾄを送ります</source>
        <translation>Notify: sending a test</translation>
    </message>
    <message>
        <source>この名前の現場の記録は、別の風速計のﾌﾟﾛｸﾞﾗﾑが書いています (%1)。出力ﾌｧｲﾙ名を変えてください。</source>
        <translation>Another meter&apos;s program writes the site records under this name (%1). Choose another output file name.</translation>
    </message>
    <message>
        <source>現場の記録のﾛｯｸﾌｧｲﾙを作れません (%1)。</source>
        <translation>The site records&apos; lock file cannot be made (%1).</translation>
    </message>
</context>
<context>
    <name>platform</name>
    <message>
        <source>指定されたﾊﾟｽが見つかりません。</source>
        <translation>The path was not found.</translation>
    </message>
    <message>
        <source>ｱｸｾｽが拒否されました。</source>
        <translation>Access was denied.</translation>
    </message>
    <message>
        <source>書き込み禁止のﾃﾞｨｽｸです。</source>
        <translation>The disk is write-protected.</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸの空き容量が不足しています。</source>
        <translation>The disk is full.</translation>
    </message>
    <message>
        <source>同じ名前のﾌｫﾙﾀﾞがあります。</source>
        <translation>A folder of the same name exists.</translation>
    </message>
    <message>
        <source>ﾊﾟｽの途中にﾌｫﾙﾀﾞでないものがあります。</source>
        <translation>Part of the path is not a folder.</translation>
    </message>
    <message>
        <source>同じ名前のﾌｧｲﾙが既にあります。</source>
        <translation>A file of the same name exists.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名が長すぎます。</source>
        <translation>The file name is too long.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ名が正しくありません。</source>
        <translation>The file name is not valid.</translation>
    </message>
    <message>
        <source>ﾃﾞｨｽｸの入出力ｴﾗｰが発生しました。</source>
        <translation>A disk input/output error occurred.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙが大きすぎます。</source>
        <translation>The file is too large.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙｴﾗｰが発生しました。(ｺｰﾄﾞ %1)</source>
        <translation>A file error occurred (code %1).</translation>
    </message>
    <message>
        <source>「%1」は通常のﾌｧｲﾙではありません (ﾌｫﾙﾀﾞ、ﾃﾞﾊﾞｲｽ、FIFO など)。記録のﾌｧｲﾙを選んでください。</source>
        <translation>&quot;%1&quot; is not a regular file (a folder, a device, a FIFO...). Choose a record file.</translation>
    </message>
    <message>
        <source>「%1」は %2 MiB あり、読める大きさ (%3 MiB まで) をこえています。</source>
        <translation>&quot;%1&quot; is %2 MiB, larger than can be read (up to %3 MiB).</translation>
    </message>
    <message>
        <source>「%1」を開けません。
%2</source>
        <translation>&quot;%1&quot; cannot be opened.
%2</translation>
    </message>
    <message>
        <source>「%1」を読めません。
%2</source>
        <translation>&quot;%1&quot; cannot be read.
%2</translation>
    </message>
    <message>
        <source>「%1」は通常のﾌｧｲﾙではないため、書き込みません。</source>
        <translation>&quot;%1&quot; is not a regular file and is not written.</translation>
    </message>
</context>
<context>
    <name>register</name>
    <message>
        <source>「%1」がありません (判定の記録はあります)。</source>
        <translation>&quot;%1&quot; is missing (the rule record is there).</translation>
    </message>
    <message>
        <source>足場点検未了</source>
        <translation>Scaffolds not inspected</translation>
    </message>
    <message>
        <source>点検未了</source>
        <translation>Not inspected</translation>
    </message>
    <message>
        <source>暴風</source>
        <translation>Storm</translation>
    </message>
    <message>
        <source>足場点検要</source>
        <translation>SCAFFOLD INSPECTION</translation>
    </message>
    <message>
        <source>作業中止</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>CAUTION</translation>
    </message>
    <message>
        <source>足場点検</source>
        <translation>Scaffold inspection</translation>
    </message>
    <message>
        <source>点検</source>
        <translation>Inspection</translation>
    </message>
    <message>
        <source>監視なし</source>
        <translation>Not monitored</translation>
    </message>
    <message>
        <source>記録なし</source>
        <translation>No record</translation>
    </message>
    <message>
        <source>作業中止の後の足場の点検</source>
        <translation>scaffold inspection after a stop</translation>
    </message>
    <message>
        <source>最大瞬間風速 %1 m/s</source>
        <translation>max gust %1 m/s</translation>
    </message>
    <message>
        <source>最大平均 %1 m/s</source>
        <translation>max mean %1 m/s</translation>
    </message>
    <message>
        <source> 使用停止</source>
        <translation> out of service</translation>
    </message>
    <message>
        <source> 強風下で確認</source>
        <translation> signed under a strong wind</translation>
    </message>
</context>
<context>
    <name>session</name>
    <message>
        <source>出力ﾌｧｲﾙ名 (fName) に制御文字 (U+%1) があります。</source>
        <translation>The output file name (fName) contains a control character (U+%1).</translation>
    </message>
    <message>
        <source>%1 が見つからないため、同じｱﾀﾞﾌﾟﾀの %2 につなぎました</source>
        <translation>%1 is gone; connected to the same adapter at %2</translation>
    </message>
    <message>
        <source>%1 に戻りました</source>
        <translation>Back on %1</translation>
    </message>
</context>
<context>
    <name>settings</name>
    <message>
        <source>注意 &lt; 作業中止 &lt; 暴風 の順に大きな値を設定してください。</source>
        <translation>Set caution &lt; stop &lt; storm, in rising order.</translation>
    </message>
    <message>
        <source>%1 から %2 までの分数を指定してください。</source>
        <translation>Give minutes from %1 to %2.</translation>
    </message>
    <message>
        <source>0.1 から 999.9 までの風速 (m/s) を指定してください。</source>
        <translation>Give a wind speed (m/s) from 0.1 to 999.9.</translation>
    </message>
</context>
<context>
    <name>site</name>
    <message>
        <source>点検要</source>
        <translation>INSPECT</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>CAUTION</translation>
    </message>
    <message>
        <source>作業中止</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>判定中</source>
        <translation>DECIDING</translation>
    </message>
    <message>
        <source>通常</source>
        <translation>NORMAL</translation>
    </message>
    <message>
        <source>作業中止基準を下回る</source>
        <translation>below the stop level</translation>
    </message>
    <message>
        <source>暴風 点検要</source>
        <translation>STORM: INSPECT</translation>
    </message>
    <message>
        <source>足場点検要</source>
        <translation>SCAFFOLD INSPECTION</translation>
    </message>
    <message>
        <source>点検確認</source>
        <translation>inspected</translation>
    </message>
    <message>
        <source>異常なし</source>
        <translation>no fault</translation>
    </message>
    <message>
        <source>異常あり</source>
        <translation>fault found</translation>
    </message>
    <message>
        <source>異常あり: </source>
        <translation>fault found: </translation>
    </message>
    <message>
        <source>通信途絶</source>
        <translation>link lost</translation>
    </message>
    <message>
        <source>通信回復</source>
        <translation>link back</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力開始</source>
        <translation>file output started</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力停止</source>
        <translation>file output stopped</translation>
    </message>
    <message>
        <source>記録中断</source>
        <translation>recording paused</translation>
    </message>
    <message>
        <source>作業中止解除</source>
        <translation>stop released</translation>
    </message>
    <message>
        <source>ﾎﾟｰﾄ切替</source>
        <translation>Port moved</translation>
    </message>
    <message>
        <source>応答なし</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>監視開始</source>
        <translation>Monitoring started</translation>
    </message>
    <message>
        <source>監視終了</source>
        <translation>Monitoring ended</translation>
    </message>
    <message>
        <source>使用停止</source>
        <translation>OUT OF SERVICE</translation>
    </message>
    <message>
        <source>強風下で確認</source>
        <translation>signed under a strong wind</translation>
    </message>
</context>
<context>
    <name>status</name>
    <message>
        <source>通信中</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>通信停止中</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>再接続待ち</source>
        <translation>Retrying</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力中</source>
        <translation>Logging</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ出力停止</source>
        <translation>Not logging</translation>
    </message>
    <message>
        <source>通知</source>
        <translation>Notify</translation>
    </message>
    <message>
        <source>ｽﾘｰﾌﾟ</source>
        <translation>Sleep</translation>
    </message>
    <message>
        <source>ﾎﾟｰﾄ</source>
        <translation>Port</translation>
    </message>
</context>
</TS>
