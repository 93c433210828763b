#!/usr/bin/env bash
# Writes a sample day of logs into FOLDER, as the program writes them (code page 932,
# CR LF, one row a second of all five columns): 7:00 to 18:00 on 2026/12/08, breezy with
# gusts and a stormy afternoon, output stopped from 12:00 to 12:40 (two files), and one
# gust of 32.4 m/s; the day's event log with the rule's changes on those rows and the
# storm's inspection signed at 15:05. For the pictures of the history window and the
# daily report.
#   scripts/sample-day.sh FOLDER
set -euo pipefail
dir=${1:?folder}
mkdir -p "$dir"
header=$(printf '年月日,時刻,瞬間風速,瞬間最大風速,平均風速,平均最大風速\r' | iconv -f UTF-8 -t CP932)
awk -v dir="$dir" -v header="$header" 'BEGIN {
  srand(4); avg = 4; file = dir "/wind2612080700.csv"; print header > file
  for (s = 7 * 3600; s < 18 * 3600; s++) {
    if (s >= 12 * 3600 && s < 12 * 3600 + 40 * 60) {
      if (file !~ /1240/) { close(file); file = dir "/wind2612081240.csv"; print header > file }
      continue
    }
    hr = (s - 7 * 3600) / 3600
    base = 4 + 3 * sin(hr / 2) + 8 * exp(-((hr - 7.3) ^ 2) / 0.5)
    v = base + (rand() + rand() + rand() - 1.5) * 2.1
    if (v < 0) v = 0
    if (s == 14 * 3600 + 21 * 60 + 7) v = 32.4
    avg = avg * 0.98 + v * 0.02
    printf "2026/12/08,%d:%02d:%02d,%.1f,%.1f,%.1f,%.1f\r\n", int(s / 3600), int(s / 60) % 60, s % 60, v, v + 0.6, avg, avg + 0.5 > file
  }
}'
printf '年月日,時刻,事象,10分平均,最大瞬間風速,瞬間風速,詳細\n%s' "\
2026/12/08,12:40:00,判定中,,3.0,3.0,
2026/12/08,12:49:00,通常,4.8,7.5,7.2,
2026/12/08,13:52:08,注意,8.0,11.0,8.4,
2026/12/08,14:07:10,作業中止,10.0,13.0,10.4,
2026/12/08,14:21:07,暴風 点検要,10.5,32.4,32.4,
2026/12/08,14:42:22,作業中止基準を下回る,8.6,11.7,7.3,
2026/12/08,14:56:27,通常,6.2,9.4,4.9,
2026/12/08,15:05:12,点検確認,5.9,9.4,5.1,点検者=佐藤 一郎;結果=異常なし
" | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 > "$dir/wind_events_20261208.csv"
printf '[Settings]\nPort=3\n[Site]\nEnabled=1\nName=第2工区 東棟 ﾀﾜｰｸﾚｰﾝ\nSerial=QV4750123\nPosition=東棟 ﾀﾜｰｸﾚｰﾝ ｼﾞﾌﾞ先端\nHeight=62 m\n' > "$dir/site.ini"
