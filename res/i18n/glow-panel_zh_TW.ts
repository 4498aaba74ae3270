<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW" sourcelanguage="en">
<context>
    <name>CommandLine</name>
    <message>
        <source>Bench tool for a VFD (vacuum fluorescent display) on an RS-232 line.</source>
        <translation>經 RS-232 線路測試 VFD（真空螢光顯示器）的工具。</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>顯示本說明後結束。</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>顯示版本後結束。</translation>
    </message>
    <message>
        <source>List the serial ports present and exit.</source>
        <translation>列出現有的序列埠後結束。</translation>
    </message>
    <message>
        <source>Use &lt;device&gt; for COM 2 in this run (not saved).</source>
        <translation>本次執行以 &lt;device&gt; 作為 COM 2（不儲存）。</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 --help&apos;.
</source>
        <translation>%1：%2
請執行「%1 --help」查看用法。
</translation>
    </message>
    <message>
        <source>%1: unexpected argument &apos;%2&apos;
Try &apos;%1 --help&apos;.
</source>
        <translation>%1：多餘的參數「%2」
請執行「%1 --help」查看用法。
</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>用法：%1 [選項]</translation>
    </message>
    <message>
        <source>No serial ports found.
</source>
        <translation>找不到序列埠。
</translation>
    </message>
    <message>
        <source>Append every row of the line monitor to &lt;file&gt; as it happens.</source>
        <translation>把線路監視器的每一列隨時附加到 &lt;file&gt;。</translation>
    </message>
    <message>
        <source>Run the sequence &lt;n&gt; times; a failed pass ends the run.</source>
        <translation>執行序列 &lt;n&gt; 次；某一輪失敗即結束。</translation>
    </message>
    <message>
        <source>With --repeat, go on after a failed pass.</source>
        <translation>搭配 --repeat：某一輪失敗後仍繼續。</translation>
    </message>
    <message>
        <source>--repeat needs a whole number of at least 1</source>
        <translation>--repeat 需要至少為 1 的整數</translation>
    </message>
    <message>
        <source>When the device goes away, close the port and do not reopen it when it returns (this run only).</source>
        <translation>裝置消失時關閉通訊埠，裝置回來時不重新開啟（僅限本次執行）。</translation>
    </message>
    <message>
        <source>--%1 needs a name, not an empty one</source>
        <translation>--%1 需要一個名稱，不可為空</translation>
    </message>
    <message>
        <source>Write the results of --run to &lt;file&gt;: JUnit XML for .xml, one JSON record for .json, a JSON line a pass appended for .jsonl. May be given more than once.</source>
        <translation>將 --run 的結果寫入 &lt;file&gt;：.xml 為 JUnit XML，.json 為一筆 JSON 紀錄，.jsonl 為每輪附加一行 JSON。可指定多次。</translation>
    </message>
    <message>
        <source>--set %1: expected NAME=VALUE</source>
        <translation>--set %1：應為 NAME=VALUE</translation>
    </message>
    <message>
        <source>--repeat, --keep-going, --report and --set go with --run</source>
        <translation>--repeat、--keep-going、--report 與 --set 需與 --run 一起使用</translation>
    </message>
    <message>
        <source>%1: the suffix names the form: .xml, .json or .jsonl</source>
        <translation>%1：副檔名決定格式：.xml、.json 或 .jsonl</translation>
    </message>
    <message>
        <source>Use &lt;device&gt; for COM 1 in this run (not saved). More than one, repeated or as a comma-separated list, make a rack: --run runs on each at the same time.</source>
        <translation>本次執行以 &lt;device&gt; 作為 COM 1（不儲存）。指定多個（重複此選項或以逗號分隔）即成為測試架：--run 同時在每個裝置上執行。</translation>
    </message>
    <message>
        <source>Set a sequence&apos;s variable for --run, as NAME=VALUE, or for one device of a rack as NAME@DEVICE=VALUE (DEVICE as ttyUSB3); an ask of NAME takes it as its answer. May be given more than once.</source>
        <translation>為 --run 設定序列的變數，格式為 NAME=VALUE；或只為測試架中的一個裝置設定，格式為 NAME@DEVICE=VALUE（DEVICE 如 ttyUSB3）；ask NAME 會以此為答案。可指定多次。</translation>
    </message>
    <message>
        <source>--com1 %1: a device name is empty</source>
        <translation>--com1 %1：裝置名稱是空的</translation>
    </message>
    <message>
        <source>--com1 %1 is named twice</source>
        <translation>--com1 %1 重複指定</translation>
    </message>
    <message>
        <source>--set %1: --com1 names no device %2</source>
        <translation>--set %1：--com1 沒有指定裝置 %2</translation>
    </message>
    <message>
        <source>--run and --station do not go together</source>
        <translation>--run 與 --station 不能同時使用</translation>
    </message>
    <message>
        <source>--com1 %1 and %2 share the short name %3</source>
        <translation>--com1 %1 與 %2 的簡稱同為 %3</translation>
    </message>
    <message>
        <source>%1 and %2 name the same file</source>
        <translation>%1 與 %2 指向同一個檔案</translation>
    </message>
    <message>
        <source>Run the test sequence in &lt;file&gt; without a window and exit (the exit status is below).</source>
        <translation>不開視窗執行 &lt;file&gt; 中的測試序列後結束（結束狀態見下方）。</translation>
    </message>
    <message>
        <source>Exit status:</source>
        <translation>結束狀態：</translation>
    </message>
    <message>
        <source>Store every run in &lt;where&gt;: a file or sqlite:FILE, postgresql://USER@HOST:PORT/DATABASE (each run is stored here first and delivered to the server from here), or none. By default a file in the user&apos;s data folder, or what GLOW_PANEL_RESULTS names.</source>
        <translation>將每次執行存入 &lt;where&gt;：檔案或 sqlite:FILE、postgresql://USER@HOST:PORT/DATABASE（每次執行先存在本機，再從本機送到伺服器），或 none。預設為使用者資料夾中的檔案，或 GLOW_PANEL_RESULTS 指定的位置。</translation>
    </message>
    <message>
        <source>Say where results go, how many runs are stored and how many wait for the server, and exit.</source>
        <translation>說明結果存在哪裡、已存多少次執行、有多少筆等待送到伺服器，然後結束。</translation>
    </message>
    <message>
        <source>Print every stored run of the unit with serial number &lt;serial&gt;, oldest first, and exit.</source>
        <translation>依時間先後列出序號為 &lt;serial&gt; 的單元所有已存的執行，然後結束。</translation>
    </message>
    <message>
        <source>Print the yield over a span from the stored runs: units, runs, retests, first-pass and final yield, what fails most, each value against its limits with Cpk, and reply times; then exit. The span is today unless --since and --until say otherwise; --sequence, --station HOST and --device narrow it.</source>
        <translation>列出一段期間內已存執行的良率後結束：單元數、執行次數、重測次數、首次通過良率與最終良率、最常失敗的步驟、每個數值與其上下限的比較（含 Cpk），以及回應時間。期間預設為今天，可用 --since 與 --until 指定；--sequence、--station HOST 與 --device 可縮小範圍。</translation>
    </message>
    <message>
        <source>With --yield: from this date (2026-12-01) or time (2026-12-01T08:00), local unless an offset is given.</source>
        <translation>與 --yield 一起使用：從此日期（2026-12-01）或時間（2026-12-01T08:00）起，未指定時差時為本地時間。</translation>
    </message>
    <message>
        <source>With --yield: up to this time, or to the end of this date.</source>
        <translation>與 --yield 一起使用：到此時間為止，或到此日期結束為止。</translation>
    </message>
    <message>
        <source>With --yield: only runs of the sequence file of this name.</source>
        <translation>與 --yield 一起使用：只計此名稱之序列檔的執行。</translation>
    </message>
    <message>
        <source>With --yield: only runs on this device.</source>
        <translation>與 --yield 一起使用：只計此裝置上的執行。</translation>
    </message>
    <message>
        <source>With --yield: write the figures and their charts as one page to &lt;file&gt;.</source>
        <translation>與 --yield 一起使用：將數字與圖表寫成單一頁面存入 &lt;file&gt;。</translation>
    </message>
    <message>
        <source>With --yield: write the figures as JSON to &lt;file&gt;.</source>
        <translation>與 --yield 一起使用：將數字以 JSON 格式寫入 &lt;file&gt;。</translation>
    </message>
    <message>
        <source>Show the operator&apos;s board for the sequence in &lt;file&gt;: a tile for each device --com1 names, each run on its own. With --yield: only runs of the station (host) of this name.</source>
        <translation>顯示 &lt;file&gt; 中序列的操作員看板：--com1 所列的每個裝置各有一格，各自獨立執行。與 --yield 一起使用時：只計此名稱之測試台（主機）的執行。</translation>
    </message>
    <message>
        <source>--%1 goes with --yield</source>
        <translation>--%1 需與 --yield 一起使用</translation>
    </message>
</context>
<context>
    <name>ExitCode</name>
    <message>
        <source>every step passed, on every device, and every report was written; or the window was closed, or an option that answers has answered</source>
        <translation>每個裝置的每一步都通過，且每份報告都已寫入；或視窗已關閉，或只回答問題的選項已回答</translation>
    </message>
    <message>
        <source>a step failed, or a report, the log or standard output could not take everything</source>
        <translation>有一步失敗，或報告、紀錄檔或標準輸出未能寫入全部內容</translation>
    </message>
    <message>
        <source>the command line or the sequence file is wrong; nothing was sent</source>
        <translation>命令列或序列檔有誤；沒有送出任何資料</translation>
    </message>
    <message>
        <source>the port could not be opened or was lost</source>
        <translation>無法開啟通訊埠或線路中斷</translation>
    </message>
    <message>
        <source>the terminal closed (SIGHUP)</source>
        <translation>終端機已關閉（SIGHUP）</translation>
    </message>
    <message>
        <source>Ctrl+C (SIGINT)</source>
        <translation>Ctrl+C（SIGINT）</translation>
    </message>
    <message>
        <source>asked to terminate (SIGTERM)</source>
        <translation>被要求結束（SIGTERM）</translation>
    </message>
</context>
<context>
    <name>HeadlessRun</name>
    <message>
        <source>without a window, ask %1 needs --set %1=VALUE</source>
        <translation>沒有視窗時，詢問 %1 需要 --set %1=VALUE</translation>
    </message>
    <message>
        <source>stopped: the terminal closed</source>
        <translation>已停止：終端機已關閉</translation>
    </message>
    <message>
        <source>stopped: Ctrl+C</source>
        <translation>已停止：Ctrl+C</translation>
    </message>
    <message>
        <source>stopped: asked to terminate</source>
        <translation>已停止：被要求結束</translation>
    </message>
    <message numerus="yes">
        <source>%n record(s) wait for %1: %2
</source>
        <translation>
            <numerusform>%n 筆紀錄等待送到 %1：%2
</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>LogFile</name>
    <message>
        <source>a folder, not a file</source>
        <translation>是資料夾，不是檔案</translation>
    </message>
    <message>
        <source>no such folder</source>
        <translation>沒有這個資料夾</translation>
    </message>
    <message>
        <source>%1: the file has taken nothing for %2 s</source>
        <translation>%1：檔案已有 %2 秒沒有寫入任何資料</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>沒有權限</translation>
    </message>
</context>
<context>
    <name>Ports</name>
    <message>
        <source>serial %1</source>
        <translation>序號 %1</translation>
    </message>
    <message>
        <source>No serial ports are present. Plug in the adapter, then right-click
&quot;Com Port&quot; to choose it.</source>
        <translation>目前沒有任何序列埠。請插上轉接器，再於「Com Port」上按右鍵
選擇它。</translation>
    </message>
    <message>
        <source>Ports present:</source>
        <translation>現有的序列埠：</translation>
    </message>
    <message>
        <source>Right-click &quot;Com Port&quot; to choose one.</source>
        <translation>於「Com Port」上按右鍵選擇其中之一。</translation>
    </message>
    <message>
        <source>%1 cannot be written; the choice holds for this run only</source>
        <translation>無法寫入 %1；此選擇只在這次執行中有效</translation>
    </message>
    <message>
        <source>a folder, not a file</source>
        <translation>是資料夾，不是檔案</translation>
    </message>
    <message>
        <source>%1 cannot be read (%2); no device is named for a port item until one is chosen</source>
        <translation>無法讀取 %1（%2）；在選擇裝置之前，通訊埠項目沒有指定裝置</translation>
    </message>
</context>
<context>
    <name>Rack</name>
    <message>
        <source>did not start: %1</source>
        <translation>無法啟動：%1</translation>
    </message>
    <message>
        <source>stopped by signal %1</source>
        <translation>被訊號 %1 終止</translation>
    </message>
    <message>
        <source>ended abnormally (0x%1)</source>
        <translation>異常結束 (0x%1)</translation>
    </message>
    <message>
        <source>%1 devices: %2 passed, %3 failed, %4 lost
</source>
        <translation>%1 個裝置：%2 個通過，%3 個失敗，%4 個斷線
</translation>
    </message>
</context>
<context>
    <name>ResultStore</name>
    <message>
        <source>a folder, not a file</source>
        <translation>是資料夾，不是檔案</translation>
    </message>
    <message>
        <source>no such folder</source>
        <translation>沒有這個資料夾</translation>
    </message>
    <message>
        <source>this system has no SQLite driver for Qt</source>
        <translation>本系統沒有 Qt 的 SQLite 驅動程式</translation>
    </message>
    <message>
        <source>cannot keep a write-ahead log here</source>
        <translation>無法在此保留預寫式紀錄</translation>
    </message>
    <message>
        <source>made by a newer glow-panel (schema %1; this one knows %2)</source>
        <translation>由較新版的 glow-panel 建立（結構第 %1 版；此版只認得第 %2 版）</translation>
    </message>
    <message>
        <source>storing a pass</source>
        <translation>儲存一輪時</translation>
    </message>
    <message>
        <source>storing a run</source>
        <translation>儲存一次執行時</translation>
    </message>
    <message>
        <source>cannot be written here (a read-only file or folder)</source>
        <translation>無法寫入此處（唯讀的檔案或資料夾）</translation>
    </message>
</context>
<context>
    <name>Results</name>
    <message>
        <source>made by a newer glow-panel (schema %1; this one knows %2)</source>
        <translation>由較新版的 glow-panel 建立（結構第 %1 版；此版只認得第 %2 版）</translation>
    </message>
    <message>
        <source>this system has no PostgreSQL driver for Qt</source>
        <translation>本系統沒有 Qt 的 PostgreSQL 驅動程式</translation>
    </message>
    <message>
        <source>No runs of %1 are stored.
</source>
        <translation>沒有 %1 的已存執行。
</translation>
    </message>
    <message>
        <source>UNFINISHED</source>
        <translation>未完成</translation>
    </message>
    <message>
        <source>    %1 of %2 passes run
</source>
        <translation>    已執行 %2 輪中的 %1 輪
</translation>
    </message>
    <message>
        <source>no store: results go nowhere (none)</source>
        <translation>沒有儲存處：結果不保存（none）</translation>
    </message>
    <message>
        <source>Results go to %1
</source>
        <translation>結果存入 %1
</translation>
    </message>
    <message>
        <source>%1 runs stored in %2
</source>
        <translation>%2 已存 %1 次執行
</translation>
    </message>
    <message>
        <source>Nothing waits for the server.
</source>
        <translation>沒有等待送到伺服器的紀錄。
</translation>
    </message>
    <message>
        <source>%1 records wait for the server: %2
</source>
        <translation>%1 筆紀錄等待送到伺服器：%2
</translation>
    </message>
    <message>
        <source>%1: %2; this bench&apos;s runs only
</source>
        <translation>%1：%2；只列出本測試台的執行
</translation>
    </message>
    <message>
        <source>%1: not a server: expected postgresql://USER@HOST:PORT/DATABASE</source>
        <translation>%1：不是伺服器：應為 postgresql://USER@HOST:PORT/DATABASE</translation>
    </message>
    <message>
        <source>%1: not a store: expected a file, sqlite:FILE, postgresql://USER@HOST:PORT/DATABASE or none</source>
        <translation>%1：不是儲存處：應為檔案、sqlite:FILE、postgresql://USER@HOST:PORT/DATABASE 或 none</translation>
    </message>
</context>
<context>
    <name>Sequence</name>
    <message>
        <source>unexpected &apos;%1&apos;</source>
        <translation>多餘的「%1」</translation>
    </message>
    <message>
        <source>expected a time in ms, such as 500 ms</source>
        <translation>此處應為以 ms 表示的時間，例如 500 ms</translation>
    </message>
    <message>
        <source>expected ms or s after the number</source>
        <translation>數字後面應為 ms 或 s</translation>
    </message>
    <message>
        <source>a time of at most %1 ms</source>
        <translation>時間最多為 %1 ms</translation>
    </message>
    <message>
        <source>expected text in quotes or hex bytes</source>
        <translation>此處應為引號內的文字或 hex 位元組</translation>
    </message>
    <message>
        <source>not a hex byte: &apos;%1&apos;</source>
        <translation>不是十六進位位元組：「%1」</translation>
    </message>
    <message>
        <source>expected a hex byte</source>
        <translation>此處應為十六進位位元組</translation>
    </message>
    <message>
        <source>bad escape: \x needs two hex digits</source>
        <translation>錯誤的跳脫字元：\x 後面需要兩個十六進位數字</translation>
    </message>
    <message>
        <source>text not closed by a quote</source>
        <translation>文字缺少結尾的引號</translation>
    </message>
    <message>
        <source>expected COM1 or COM2, then 9600, 19200 or 38400</source>
        <translation>此處應為 COM1 或 COM2，其後為 9600、19200 或 38400</translation>
    </message>
    <message>
        <source>expected &apos;for&apos; and a time</source>
        <translation>此處應為「for」及時間</translation>
    </message>
    <message>
        <source>unknown step &apos;%1&apos;</source>
        <translation>不明的步驟「%1」</translation>
    </message>
    <message>
        <source>not UTF-8 text</source>
        <translation>不是 UTF-8 文字</translation>
    </message>
    <message>
        <source>line longer than %1 characters</source>
        <translation>此行超過 %1 個字元</translation>
    </message>
    <message>
        <source>no steps in the file</source>
        <translation>檔案中沒有任何步驟</translation>
    </message>
    <message>
        <source>larger than %1 MB</source>
        <translation>大於 %1 MB</translation>
    </message>
    <message>
        <source>empty text: a step needs at least one byte</source>
        <translation>空白文字：步驟至少需要一個位元組</translation>
    </message>
    <message>
        <source>&apos;%1&apos; has no Big5 code</source>
        <translation>「%1」沒有 Big5 碼</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>不是一般檔案</translation>
    </message>
    <message>
        <source>expected } after the variable&apos;s name</source>
        <translation>變數名稱後應為 }</translation>
    </message>
    <message>
        <source>bad escape &apos;\%1&apos;: use \r \n \t \\ \&quot; \$ or \xNN</source>
        <translation>錯誤的跳脫字元「\%1」：請用 \r \n \t \\ \&quot; \$ 或 \xNN</translation>
    </message>
    <message>
        <source>expected a variable&apos;s name: letters, digits and _</source>
        <translation>應為變數名稱：字母、數字與 _</translation>
    </message>
    <message>
        <source>expected a file&apos;s name in quotes</source>
        <translation>應為引號中的檔名</translation>
    </message>
    <message>
        <source>an include names a file, without variables</source>
        <translation>include 指定一個檔案，不可含變數</translation>
    </message>
    <message>
        <source>%1 includes itself</source>
        <translation>%1 包含了自己</translation>
    </message>
    <message>
        <source>includes nest deeper than %1</source>
        <translation>include 巢狀超過 %1 層</translation>
    </message>
    <message>
        <source>not a number: &apos;%1&apos;</source>
        <translation>不是數字：「%1」</translation>
    </message>
    <message>
        <source>expected a pattern in quotes</source>
        <translation>應為引號中的樣式</translation>
    </message>
    <message>
        <source>pattern: %1</source>
        <translation>樣式：%1</translation>
    </message>
    <message>
        <source>empty pattern</source>
        <translation>空白樣式</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is set by nothing before this step</source>
        <translation>此步驟之前沒有任何步驟設定「%1」</translation>
    </message>
    <message>
        <source>expected &apos;and&apos; and the upper limit</source>
        <translation>應為 and 與上限</translation>
    </message>
    <message>
        <source>limits the wrong way round: the lower one first</source>
        <translation>上下限顛倒：下限在前</translation>
    </message>
    <message>
        <source>expected the value in quotes</source>
        <translation>應為引號中的值</translation>
    </message>
    <message>
        <source>expected between, is or matches</source>
        <translation>應為 between、is 或 matches</translation>
    </message>
    <message>
        <source>expected the question in quotes</source>
        <translation>應為引號中的問題</translation>
    </message>
    <message>
        <source>%1 is empty: a step would send or expect nothing in its place</source>
        <translation>%1 是空的：步驟會在該處送出或等候空無一物</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; has no Big5 code</source>
        <translation>%1：「%2」沒有 Big5 碼</translation>
    </message>
</context>
<context>
    <name>SequenceReport</name>
    <message>
        <source>waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>running</source>
        <translation>執行中</translation>
    </message>
    <message>
        <source>passed</source>
        <translation>通過</translation>
    </message>
    <message>
        <source>FAILED</source>
        <translation>失敗</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>略過</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>不是一般檔案</translation>
    </message>
    <message>
        <source>no such folder</source>
        <translation>沒有這個資料夾</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>沒有權限</translation>
    </message>
    <message>
        <source>JUnit reports (*.xml)</source>
        <translation>JUnit 報告 (*.xml)</translation>
    </message>
    <message>
        <source>JSON records (*.json)</source>
        <translation>JSON 紀錄 (*.json)</translation>
    </message>
    <message>
        <source>JSON lines, a pass a line (*.jsonl)</source>
        <translation>JSON 行，每輪一行 (*.jsonl)</translation>
    </message>
</context>
<context>
    <name>SequenceRunner</name>
    <message>
        <source>nothing arrived</source>
        <translation>沒有收到任何資料</translation>
    </message>
    <message>
        <source>1 byte arrived:</source>
        <translation>收到 1 個位元組：</translation>
    </message>
    <message>
        <source>%1 bytes arrived:</source>
        <translation>收到 %1 個位元組：</translation>
    </message>
    <message>
        <source>(the first %1 shown)</source>
        <translation>（只顯示前 %1 個）</translation>
    </message>
    <message>
        <source>not received within %1 ms; %2</source>
        <translation>%1 ms 內未收到；%2</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>the port is not open</source>
        <translation>通訊埠未開啟</translation>
    </message>
    <message>
        <source>line lost</source>
        <translation>線路中斷</translation>
    </message>
    <message>
        <source>%1 bytes discarded: more than %2 bytes waited at once</source>
        <translation>丟棄了 %1 個位元組：一次等待的資料超過 %2 個位元組</translation>
    </message>
    <message>
        <source>the reply came after %1 ms, not within %2 ms</source>
        <translation>回應在 %1 ms 後才到，未在 %2 ms 內</translation>
    </message>
    <message>
        <source>%1 of %2 bytes not sent: the device held the line back (flow control)</source>
        <translation>%2 個位元組中有 %1 個未送出：裝置暫停了線路（流量控制）</translation>
    </message>
    <message>
        <source>the port was open as the step says; kept as it is</source>
        <translation>通訊埠已依步驟開啟，保持原狀</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>沒有回答</translation>
    </message>
    <message>
        <source>%1: not a number</source>
        <translation>%1：不是數字</translation>
    </message>
    <message>
        <source>%1, not between %2 and %3</source>
        <translation>%1，不在 %2 與 %3 之間</translation>
    </message>
    <message>
        <source>%1, not &quot;%2&quot;</source>
        <translation>%1，不是「%2」</translation>
    </message>
    <message>
        <source>the pattern went past the engine&apos;s match limit</source>
        <translation>樣式超過比對引擎的上限</translation>
    </message>
    <message>
        <source>%1, does not match &quot;%2&quot;</source>
        <translation>%1，不符合「%2」</translation>
    </message>
    <message>
        <source>the pattern went past the engine&apos;s match limit on %1 bytes</source>
        <translation>樣式在 %1 個位元組上超過比對引擎的上限</translation>
    </message>
    <message>
        <source>%1: not finite</source>
        <translation>%1：不是有限的數</translation>
    </message>
    <message>
        <source>after the failure at %1</source>
        <translation>因 %1 失敗而略過</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>An unexpected error ended the program.</source>
        <translation>程式因意外的錯誤而結束。</translation>
    </message>
    <message>
        <source>This system cannot convert Big5 (code page 950).
Only ASCII will be sent and shown; every other character is sent as &quot;?&quot; and shown as &quot;�&quot;.</source>
        <translation>本系統無法轉換 Big5（字碼頁 950）。
只有 ASCII 字元能送出與顯示；其他字元送出時為「?」，顯示為「�」。</translation>
    </message>
</context>
<context>
    <name>TComPort</name>
    <message>
        <source>No device is named for this port.</source>
        <translation>此埠沒有指定裝置。</translation>
    </message>
    <message>
        <source>Serial devices belong to the group &quot;dialout&quot;. Join it with
  sudo adduser $USER dialout
then log out and in again.</source>
        <translation>序列裝置屬於群組「dialout」。請以
  sudo adduser $USER dialout
加入該群組，然後登出再重新登入。</translation>
    </message>
    <message>
        <source>Another program has this port open (or this tool is running twice).
Close it there first.</source>
        <translation>另一個程式正在使用此埠（或本工具同時開了兩個）。
請先在那裡關閉它。</translation>
    </message>
</context>
<context>
    <name>TLineMonitor</name>
    <message>
        <source>Line monitor - GLOW_PANEL</source>
        <translation>線路監視器 - GLOW_PANEL</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>另存新檔…</translation>
    </message>
    <message>
        <source>Save the line monitor</source>
        <translation>儲存線路監視器內容</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>未儲存：%1</translation>
    </message>
    <message>
        <source>Record to file</source>
        <translation>記錄到檔案</translation>
    </message>
    <message>
        <source>Recording to %1</source>
        <translation>正在記錄到 %1</translation>
    </message>
    <message>
        <source>NOT RECORDING, the file cannot be written: %1</source>
        <translation>沒有在記錄，無法寫入檔案：%1</translation>
    </message>
    <message numerus="yes">
        <source>%n older row(s) no longer shown</source>
        <translation>
            <numerusform>另有 %n 列較舊的內容已不再顯示</numerusform>
        </translation>
    </message>
    <message>
        <source>Stop recording</source>
        <translation>停止記錄</translation>
    </message>
    <message>
        <source>Record to file…</source>
        <translation>記錄到檔案…</translation>
    </message>
    <message>
        <source>Line monitor - NOT RECORDING - GLOW_PANEL</source>
        <translation>線路監視器 - 沒有在記錄 - GLOW_PANEL</translation>
    </message>
    <message>
        <source>Save as sequence…</source>
        <translation>另存為序列…</translation>
    </message>
    <message>
        <source>Save as sequence</source>
        <translation>另存為序列</translation>
    </message>
    <message>
        <source>Sequences (*.seq)</source>
        <translation>序列 (*.seq)</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>複製</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>全選</translation>
    </message>
</context>
<context>
    <name>TPortMenu</name>
    <message>
        <source>No serial ports found</source>
        <translation>找不到序列埠</translation>
    </message>
    <message>
        <source>%1 (not present)</source>
        <translation>%1（不存在）</translation>
    </message>
    <message>
        <source>Other device…</source>
        <translation>其他裝置…</translation>
    </message>
    <message>
        <source>Device for %1:</source>
        <translation>%1 使用的裝置：</translation>
    </message>
    <message>
        <source>Default (%1)</source>
        <translation>預設（%1）</translation>
    </message>
    <message>
        <source>Named on the command line (--com%1)</source>
        <translation>由命令列指定（--com%1）</translation>
    </message>
    <message>
        <source>Named by GLOW_PANEL_COM%1</source>
        <translation>由 GLOW_PANEL_COM%1 指定</translation>
    </message>
    <message>
        <source>Saved choice</source>
        <translation>已儲存的選擇</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>預設</translation>
    </message>
    <message>
        <source>%1: %2
%3; right-click to choose another device.</source>
        <translation>%1：%2
%3；按右鍵可選擇其他裝置。</translation>
    </message>
    <message>
        <source>Reopen when the device returns</source>
        <translation>裝置回來時重新開啟</translation>
    </message>
    <message>
        <source>unknown device</source>
        <translation>未知的裝置</translation>
    </message>
</context>
<context>
    <name>TResultsKeeper</name>
    <message>
        <source>no store</source>
        <translation>沒有儲存處</translation>
    </message>
    <message>
        <source>NOT STORING: %1</source>
        <translation>沒有在儲存：%1</translation>
    </message>
    <message numerus="yes">
        <source>Results go to %1; %n record(s) wait: %2</source>
        <translation>
            <numerusform>結果存入 %1；%n 筆紀錄等待中：%2</numerusform>
        </translation>
    </message>
    <message>
        <source>Results go to %1</source>
        <translation>結果存入 %1</translation>
    </message>
</context>
<context>
    <name>TResultsWindow</name>
    <message>
        <source>Results - GLOW_PANEL</source>
        <translation>結果 - GLOW_PANEL</translation>
    </message>
    <message>
        <source>Serial number, typed or scanned</source>
        <translation>序號，輸入或掃描</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>尋找</translation>
    </message>
    <message>
        <source>Use</source>
        <translation>使用</translation>
    </message>
    <message>
        <source>When</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>測試台</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>裝置</translation>
    </message>
    <message>
        <source>Sequence</source>
        <translation>序列</translation>
    </message>
    <message>
        <source>Failed step</source>
        <translation>失敗的步驟</translation>
    </message>
    <message>
        <source>Unit:</source>
        <translation>單元：</translation>
    </message>
    <message>
        <source>History</source>
        <translation>歷史</translation>
    </message>
    <message>
        <source>Results go to:</source>
        <translation>結果存入：</translation>
    </message>
    <message>
        <source>UNFINISHED</source>
        <translation>未完成</translation>
    </message>
    <message>
        <source>reply %1 ms</source>
        <translation>回應 %1 ms</translation>
    </message>
    <message>
        <source>No runs of %1 are stored.</source>
        <translation>沒有 %1 的已存執行。</translation>
    </message>
    <message>
        <source>%1 (this run only: the choice could not be saved)</source>
        <translation>%1（只限本次執行：無法儲存此選擇）</translation>
    </message>
    <message>
        <source>Yield</source>
        <translation>良率</translation>
    </message>
</context>
<context>
    <name>TSequenceWindow</name>
    <message>
        <source>Test sequences - GLOW_PANEL</source>
        <translation>測試序列 - GLOW_PANEL</translation>
    </message>
    <message>
        <source>Open…</source>
        <translation>開啟…</translation>
    </message>
    <message>
        <source>From recording</source>
        <translation>取自記錄</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>執行</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Save report…</source>
        <translation>儲存報告…</translation>
    </message>
    <message>
        <source>Repeat </source>
        <translation>重複 </translation>
    </message>
    <message>
        <source>Line</source>
        <translation>行</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>步驟</translation>
    </message>
    <message>
        <source>State</source>
        <translation>狀態</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>Open sequence</source>
        <translation>開啟序列</translation>
    </message>
    <message>
        <source>Sequences (*.seq);;All files (*)</source>
        <translation>序列 (*.seq);;所有檔案 (*)</translation>
    </message>
    <message>
        <source>Pass %1 of %2 running</source>
        <translation>正在執行第 %1 輪，共 %2 輪</translation>
    </message>
    <message>
        <source>recorded</source>
        <translation>記錄內容</translation>
    </message>
    <message>
        <source>Nothing recorded yet: open the port and press a button first.</source>
        <translation>尚未記錄任何內容：請先開啟通訊埠並按下按鈕。</translation>
    </message>
    <message numerus="yes">
        <source>%n step(s)</source>
        <translation>
            <numerusform>%n 個步驟</numerusform>
        </translation>
    </message>
    <message>
        <source>Save report</source>
        <translation>儲存報告</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>Station…</source>
        <translation>測試站…</translation>
    </message>
    <message>
        <source>stopped by the operator</source>
        <translation>已由操作員停止</translation>
    </message>
    <message>
        <source>FAILED at %1: %2</source>
        <translation>%1 失敗：%2</translation>
    </message>
    <message>
        <source>Results…</source>
        <translation>結果…</translation>
    </message>
    <message>
        <source>NOT STORED: %1</source>
        <translation>未儲存：%1</translation>
    </message>
</context>
<context>
    <name>TStationBoard</name>
    <message>
        <source>Station - GLOW_PANEL</source>
        <translation>測試站 - GLOW_PANEL</translation>
    </message>
    <message>
        <source>Devices, separated by commas</source>
        <translation>裝置，以逗號分隔</translation>
    </message>
    <message>
        <source>Start all</source>
        <translation>全部開始</translation>
    </message>
    <message>
        <source>Start every tile (F5)</source>
        <translation>開始每一格 (F5)</translation>
    </message>
    <message>
        <source>Stop all</source>
        <translation>全部停止</translation>
    </message>
</context>
<context>
    <name>TStationTile</name>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>就緒</translation>
    </message>
    <message>
        <source>Waiting for %1 to return</source>
        <translation>等待 %1 重新連接</translation>
    </message>
    <message>
        <source>%1 is back</source>
        <translation>%1 已重新連接</translation>
    </message>
    <message>
        <source>RUNNING</source>
        <translation>測試中</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message numerus="yes">
        <source>%n step(s) passed</source>
        <translation>
            <numerusform>%n 個步驟通過</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TYieldView</name>
    <message>
        <source>any</source>
        <translation>不限</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>顯示</translation>
    </message>
    <message>
        <source>From</source>
        <translation>從</translation>
    </message>
    <message>
        <source>to</source>
        <translation>到</translation>
    </message>
    <message>
        <source>Sequence</source>
        <translation>序列</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>測試台</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>裝置</translation>
    </message>
    <message>
        <source>The span ends before it begins.</source>
        <translation>期間的結束早於開始。</translation>
    </message>
    <message>
        <source>No runs in this span.</source>
        <translation>此期間沒有任何執行。</translation>
    </message>
    <message>
        <source>First-pass yield %1, final yield %2</source>
        <translation>首次通過良率 %1，最終良率 %2</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>單元</translation>
    </message>
    <message>
        <source>Runs</source>
        <translation>執行</translation>
    </message>
    <message>
        <source>Retests</source>
        <translation>重測</translation>
    </message>
    <message>
        <source>Failed runs</source>
        <translation>失敗的執行</translation>
    </message>
    <message>
        <source>Without a serial number</source>
        <translation>沒有序號</translation>
    </message>
    <message>
        <source>Attempt</source>
        <translation>第幾次</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>通過</translation>
    </message>
    <message>
        <source>Yield</source>
        <translation>良率</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>步驟</translation>
    </message>
    <message>
        <source>Share</source>
        <translation>比例</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>累計</translation>
    </message>
    <message>
        <source>The limits of %1 changed in this span: each pair is shown apart.</source>
        <translation>%1 的上下限在此期間內有變更：每組上下限分開顯示。</translation>
    </message>
    <message>
        <source>%1 values are no number, counted apart.</source>
        <translation>%1 個數值不是數字，另外計算。</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>數值</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>上下限</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均</translation>
    </message>
    <message>
        <source>SD</source>
        <translation>標準差</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Outside</source>
        <translation>超出</translation>
    </message>
    <message>
        <source>Expect</source>
        <translation>等待回應</translation>
    </message>
    <message>
        <source>Median</source>
        <translation>中位數</translation>
    </message>
    <message>
        <source>Worst</source>
        <translation>最差</translation>
    </message>
</context>
<context>
    <name>TrdCom</name>
    <message>
        <source>Line monitor</source>
        <translation>線路監視器</translation>
    </message>
    <message>
        <source>Test sequences</source>
        <translation>測試序列</translation>
    </message>
    <message>
        <source>Waiting for %1 to return</source>
        <translation>等待 %1 重新連接</translation>
    </message>
    <message>
        <source>Reopened as %1; the port item still names %2.</source>
        <translation>已改以 %1 重新開啟；此埠項目仍指定 %2。</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>結果</translation>
    </message>
</context>
<context>
    <name>Yield</name>
    <message>
        <source>--since %1: not a date or a time</source>
        <translation>--since %1：不是日期或時間</translation>
    </message>
    <message>
        <source>--until %1: not a date or a time</source>
        <translation>--until %1：不是日期或時間</translation>
    </message>
    <message>
        <source>--since %1 is not before --until %2</source>
        <translation>--since %1 不早於 --until %2</translation>
    </message>
    <message>
        <source>--results none: no runs to count</source>
        <translation>--results none：沒有可計算的執行</translation>
    </message>
    <message>
        <source>--sequence %1: no run of it is stored</source>
        <translation>--sequence %1：沒有此序列的已存執行</translation>
    </message>
    <message>
        <source>the others</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>What fails most</source>
        <translation>最常失敗的步驟</translation>
    </message>
    <message>
        <source>Nothing failed</source>
        <translation>沒有任何失敗</translation>
    </message>
    <message>
        <source>Yield, %1</source>
        <translation>良率，%1</translation>
    </message>
    <message>
        <source>sequence</source>
        <translation>序列</translation>
    </message>
    <message>
        <source>station</source>
        <translation>測試台</translation>
    </message>
    <message>
        <source>device</source>
        <translation>裝置</translation>
    </message>
    <message>
        <source>No runs in this span.</source>
        <translation>此期間沒有任何執行。</translation>
    </message>
    <message>
        <source>First-pass yield %1, final yield %2</source>
        <translation>首次通過良率 %1，最終良率 %2</translation>
    </message>
    <message>
        <source>Figure</source>
        <translation>項目</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>數量</translation>
    </message>
    <message>
        <source>Units tested</source>
        <translation>測試的單元</translation>
    </message>
    <message>
        <source>Runs</source>
        <translation>執行</translation>
    </message>
    <message>
        <source>Retests</source>
        <translation>重測</translation>
    </message>
    <message>
        <source>Failed runs</source>
        <translation>失敗的執行</translation>
    </message>
    <message>
        <source>%1 runs had no serial number: counted as runs, in no unit.</source>
        <translation>%1 次執行沒有序號：計入執行次數，不屬於任何單元。</translation>
    </message>
    <message>
        <source>Each attempt</source>
        <translation>每次嘗試</translation>
    </message>
    <message>
        <source>Attempt</source>
        <translation>第幾次</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>單元</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>通過</translation>
    </message>
    <message>
        <source>Yield</source>
        <translation>良率</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>步驟</translation>
    </message>
    <message>
        <source>Share</source>
        <translation>比例</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>累計</translation>
    </message>
    <message>
        <source>Values with limits</source>
        <translation>有上下限的數值</translation>
    </message>
    <message>
        <source>The limits of %1 changed in this span: each pair is shown apart.</source>
        <translation>%1 的上下限在此期間內有變更：每組上下限分開顯示。</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>數值</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>上下限</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均</translation>
    </message>
    <message>
        <source>SD</source>
        <translation>標準差</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Outside</source>
        <translation>超出</translation>
    </message>
    <message>
        <source>%1 values are no number, counted apart.</source>
        <translation>%1 個數值不是數字，另外計算。</translation>
    </message>
    <message>
        <source>The latest failures</source>
        <translation>最近的失敗</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>單元</translation>
    </message>
    <message>
        <source>When</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>Why</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>Reply times</source>
        <translation>回應時間</translation>
    </message>
    <message>
        <source>Expect</source>
        <translation>等待回應</translation>
    </message>
    <message>
        <source>Median</source>
        <translation>中位數</translation>
    </message>
    <message>
        <source>Worst</source>
        <translation>最差</translation>
    </message>
    <message>
        <source>Made by %1 %2 at %3.</source>
        <translation>由 %1 %2 於 %3 產生。</translation>
    </message>
    <message>
        <source>no value is a number</source>
        <translation>沒有任何數值是數字</translation>
    </message>
    <message>
        <source>one value: no spread, no Cpk</source>
        <translation>只有一個數值：沒有分布，沒有 Cpk</translation>
    </message>
    <message>
        <source>all values equal: Cpk undefined</source>
        <translation>所有數值相同：Cpk 無定義</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 到 %2</translation>
    </message>
    <message>
        <source>No runs in this span.
</source>
        <translation>此期間沒有任何執行。
</translation>
    </message>
    <message>
        <source>First-pass yield</source>
        <translation>首次通過良率</translation>
    </message>
    <message>
        <source>Final yield</source>
        <translation>最終良率</translation>
    </message>
    <message>
        <source>  %1 runs had no serial number: counted as runs, in no unit.
</source>
        <translation>  %1 次執行沒有序號：計入執行次數，不屬於任何單元。
</translation>
    </message>
    <message>
        <source>What fails most (%1 failed runs):
</source>
        <translation>最常失敗的步驟（%1 次失敗的執行）：
</translation>
    </message>
    <message>
        <source>  Nothing failed.
</source>
        <translation>  沒有任何失敗。
</translation>
    </message>
    <message>
        <source>Values with limits:
</source>
        <translation>有上下限的數值：
</translation>
    </message>
    <message>
        <source>  %1 (%2..%3): %4 values are no number, counted apart
</source>
        <translation>  %1（%2..%3）：%4 個數值不是數字，另外計算
</translation>
    </message>
    <message>
        <source>  The limits of %1 changed in this span: each pair is shown apart.
</source>
        <translation>  %1 的上下限在此期間內有變更：每組上下限分開顯示。
</translation>
    </message>
    <message>
        <source>Reply times:
</source>
        <translation>回應時間：
</translation>
    </message>
    <message>
        <source>%1 (%2..%3): how the values fall</source>
        <translation>%1（%2..%3）：數值的分布</translation>
    </message>
    <message>
        <source>%1 (%2..%3) over time</source>
        <translation>%1（%2..%3）隨時間的變化</translation>
    </message>
</context>
</TS>
