#!/usr/bin/env bash
# quillmark-gui.exe under Wine and Xvfb, driven through its controls by window-drive.exe:
#   window-test.sh WINDOWS64_BUILD SAMPLES SCREENSHOT
# A sample page opened through the open dialog and generated (the tree fills, the bar
# moves, the result box tells), a large page stopped during its run, the first page
# generated again; the files on disk are those quillmark.exe writes for the same page;
# the settings are there at the next start. SCREENSHOT is the screen during the large
# run, the window's Chinese texts in the prefix's Chinese font. Exit 77 (skipped) when
# wine, Xvfb, ImageMagick, the samples or the Windows build are missing.
set -uo pipefail
win64=$(realpath -m "$1") samples=$(realpath -m "$2") shot=$(realpath -m "$3")

skip() { echo "SKIPPED: $*; ./dev windows installs and builds it"; exit 77; }
for tool in wine Xvfb import; do
    command -v $tool >/dev/null || skip "$tool is absent"
done
for f in quillmark-gui.exe quillmark.exe window-drive.exe; do
    [ -f "$win64/$f" ] || skip "$win64/$f is missing"
done
small_dir=$samples/html/rstartree_rtree_filtered_cn
large_dir=$samples/html/graduate_ko
[ -d "$small_dir" ] && [ -d "$large_dir" ] || skip "the sample pages in $samples/html are absent"

scratch=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

# A display of its own.
for n in $(seq 90 130); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
export DISPLAY=":$n"

# The prefix of the other Wine tests (made once, which takes a minute); no Mono or Gecko
# asks. Wine reads the command line in the locale's charset: UTF-8 keeps Chinese paths.
# The CHMs carry this time.
export WINEPREFIX=$win64/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8 SOURCE_DATE_EPOCH=1700000000
# Wine's desktop takes the display it starts on: one left from an earlier test in this
# prefix, started without a display, would hide the window from ours.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
wine wineboot --init >/dev/null 2>&1 || { echo "FAIL: wineboot could not make $WINEPREFIX"; exit 1; }
# Windows' Chinese fonts and the dialog font are the Chinese font of this system here;
# the screen has 96 dpi, and the window starts with no settings of an earlier run.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"SimSun"="WenQuanYi Micro Hei"' '"宋体"="WenQuanYi Micro Hei"' \
    '"NSimSun"="WenQuanYi Micro Hei"' '"Microsoft YaHei"="WenQuanYi Micro Hei"' \
    '"Microsoft YaHei UI"="WenQuanYi Micro Hei"' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
    '"MS Shell Dlg"="SimSun"' '"MS Shell Dlg 2"="SimSun"' '' \
    '[HKEY_CURRENT_USER\Control Panel\Desktop]' '"LogPixels"=dword:00000060' '' \
    '[-HKEY_CURRENT_USER\Software\Quillmark]' '' |
    iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$scratch/setup.reg"
wine regedit /S "Z:${scratch//\//\\}\\setup.reg" >/dev/null 2>&1

# The pages are copies: the sample folder is not the program's to write.
cp -r "$small_dir" "$scratch/small"
cp -r "$large_dir" "$scratch/large"
small=$(find "$scratch/small" -maxdepth 1 -name '*.htm' | head -1)
large=$(find "$scratch/large" -maxdepth 1 -name '*.htm' | head -1)
mkdir -p "$scratch/signals"
windows() { printf 'Z:%s' "${1//\//\\}"; }

# The screenshot, when the driver says the large run works.
(
    for _ in $(seq 1200); do
        if [ -f "$scratch/signals/running" ]; then
            import -window root "$shot" && touch "$scratch/signals/shot"
            exit
        fi
        sleep 0.1
    done
) &
watcher=$!

failures=0
(cd "$win64" && wine ./window-drive.exe "$(windows "$win64/quillmark-gui.exe")" \
    "$(windows "$small")" "$(windows "$large")" "$(windows "$scratch/first")" \
    "$(windows "$scratch/stopped")" "$(windows "$scratch/again")" "$(windows "$scratch/signals")") ||
    failures=$((failures + 1))
kill "$watcher" 2>/dev/null
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
[ -f "$shot" ] && echo "the screen during the run: $shot"

# The same page through quillmark.exe: the same files; the run's lock file aside, which
# holds the process's number, and the times and the output folder in the run's record.
wine "$win64/quillmark.exe" -q -o "$(windows "$scratch/cli")" "$(windows "$small")" >"$scratch/cli.log" 2>&1 ||
    { echo "FAIL: quillmark.exe: $(cat "$scratch/cli.log")"; failures=$((failures + 1)); }
untimed() { iconv -f GBK -t UTF-8 "$1" | grep -v '时间：' | sed "s/\\\\$2\\\\/\\\\/g"; }
for run in first again; do
    different=$(diff -r -q -x '.*.lock' -x '*.log' "$scratch/cli" "$scratch/$run")
    for record in "$scratch/cli"/*.log; do
        cmp -s <(untimed "$record" cli) <(untimed "$scratch/$run/$(basename "$record")" $run) ||
            different+=" $(basename "$record")"
    done
    if [ -z "$different" ]; then
        echo "ok: the window's files ($run run) are quillmark.exe's: $(find "$scratch/$run" -type f | wc -l) files"
    else
        echo "FAIL: the window's files ($run run) differ from quillmark.exe's: $different"
        failures=$((failures + 1))
    fi
done
[ $failures -eq 0 ] || { echo "the window's checks failed"; exit 1; }
echo "all window checks passed"
