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
        <source>Use &lt;device&gt; for COM 1 in this run (not saved).</source>
        <translation>本次執行以 &lt;device&gt; 作為 COM 1（不儲存）。</translation>
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
</context>
<context>
    <name>TrdCom</name>
    <message>
        <source>Line monitor</source>
        <translation>線路監視器</translation>
    </message>
</context>
</TS>
