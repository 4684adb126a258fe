#!/usr/bin/env bash
# The Windows programs under Wine, against the Linux build:
#   wine-tests.sh LINUX_BUILD WINDOWS64_BUILD WINDOWS32_BUILD SAMPLES
# quillmark-hhc.exe gives the Linux build's CHM byte for byte (the sample projects, one
# in a folder with Chinese characters, one of pages in GB18030, EUC-JP and KOI8-R, one
# deeper than 260 characters), hhc.exe exits 1
# when the CHM was written and 0 when not, hha.dll (32 and 64-bit) compiles a sample for
# a program that loads it, and Wine's itss.dll (the storage the Windows help viewer
# reads CHMs with) reads every file of each CHM as chmlib does. Exit 77 (skipped) when
# wine or the Windows build is missing.
set -uo pipefail
linux=$(realpath -m "$1") win64=$(realpath -m "$2") win32=$(realpath -m "$3") samples=$(realpath -m "$4")
pages=$(realpath -m "$4/../html")

skip() { echo "SKIPPED: $*; ./dev windows installs and builds it"; exit 77; }
command -v wine >/dev/null || skip "wine is absent"
command -v extract_chmLib >/dev/null || skip "extract_chmLib (libchm-bin) is absent"
command -v pgrep >/dev/null || skip "pgrep (procps) is absent"
for f in "$win64/quillmark.exe" "$win64/quillmark-hhc.exe" "$win64/hhc.exe" "$win64/hha-load.exe" "$win64/hha.dll" \
         "$win64/itss-read.exe" "$win32/hha-load.exe" "$win32/hha.dll"; do
    [ -f "$f" ] || skip "$f is missing"
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A prefix of its own, made once (the first start takes a while); no Mono or Gecko asks.
export WINEPREFIX=$win64/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine reads the command line in the locale's charset: UTF-8 keeps Chinese paths.
export LC_ALL=C.UTF-8
wine wineboot --init >/dev/null 2>&1 || fail "wineboot could not make $WINEPREFIX"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
stamp=1700000000

# Reads CHM through itss.dll under Wine and with chmlib, and compares the files (the
# viewer's own "#" and "$" files aside).
readBack() { # chm name
    local chm=$1 name=$2 log
    rm -rf "$scratch/itss" "$scratch/chmlib"
    if ! log=$(wine "$win64/itss-read.exe" "Z:$chm" "Z:$scratch/itss" 2>&1); then
        fail "$name: itss.dll could not read the CHM: $(echo "$log" | grep itss-read)"
        return
    fi
    extract_chmLib "$chm" "$scratch/chmlib" >/dev/null
    find "$scratch/chmlib" -name '[#$]*' -prune -exec rm -rf {} +
    if diff -r "$scratch/itss" "$scratch/chmlib" >"$scratch/diff"; then
        readable=$((readable + 1))
    else
        fail "$name: itss.dll and chmlib read different files: $(head -3 "$scratch/diff")"
    fi
}

# Compiles PROJECT on Linux and under Wine into the same NAME.chm in two folders,
# compares the bytes and reads the CHM back through itss.dll.
compare() { # project name
    local project=$1 name=$2 log
    mkdir -p "$scratch/linux" "$scratch/windows"
    if ! log=$("$linux/quillmark-hhc" -q --timestamp $stamp -o "$scratch/linux/$name.chm" \
            "$project" 2>&1); then
        fail "$name: the Linux build did not compile it: $log"
        return
    fi
    if ! log=$(wine "$win64/quillmark-hhc.exe" -q --timestamp $stamp \
            -o "Z:$scratch/windows/$name.chm" "Z:$project" 2>&1); then
        fail "$name: quillmark-hhc.exe did not compile it: $log"
        return
    fi
    if cmp -s "$scratch/linux/$name.chm" "$scratch/windows/$name.chm"; then
        echo "identical: $name"
        identical=$((identical + 1))
        readBack "$scratch/windows/$name.chm" "$name"
    else
        fail "$name: the CHMs differ ($(cmp "$scratch/linux/$name.chm" "$scratch/windows/$name.chm" | head -1))"
    fi
}

identical=0
compared=0
readable=0
if [ -d "$samples" ]; then
    for dir in "$samples"/*/; do
        project=$(find "$dir" -maxdepth 3 -iname '*.hhp' | sort | head -1)
        [ -n "$project" ] || continue
        compared=$((compared + 1))
        compare "$project" "$(basename "$dir")"
    done
    echo "$identical of $compared sample projects give the same CHM under Wine;" \
        "itss.dll reads $readable of them as chmlib does"
else
    echo "$samples is absent; the sample projects are not compared"
fi

# A project in a folder with Chinese characters, a page named in them too; its project
# file is GBK, as HTML Help Workshop writes it for Chinese.
folder="$scratch/帮助 项目"
mkdir -p "$folder"
printf '<html><head><meta charset="utf-8"><title>说明</title></head><body><p>中文帮助</p></body></html>\n' \
    >"$folder/说明.htm"
printf '[OPTIONS]\r\nCompiled file=帮助.chm\r\nDefault topic=说明.htm\r\nLanguage=0x804\r\nTitle=帮助\r\nFull-text search=Yes\r\n\r\n[FILES]\r\n说明.htm\r\n' |
    iconv -f UTF-8 -t GBK >"$folder/帮助.hhp"
compare "$folder/帮助.hhp" "chinese"

# Pages in the charsets the Windows build reads from its own tables: GB18030 with its
# four-byte characters, EUC-JP with a three-byte one, KOI8-R.
mixed="$scratch/charsets"
mkdir -p "$mixed"
page() { # file charset text
    printf '<html><head><meta http-equiv="Content-Type" content="text/html; charset=%s">' "$2" >"$mixed/$1"
    printf '<title>%s</title></head><body><p>%s</p></body></html>\n' "$3" "$3" |
        iconv -f UTF-8 -t "$2" >>"$mixed/$1"
}
page gb.htm GB18030 "中文 𠀀 😀 €"
page jp.htm EUC-JP "日本語のページ 丂"
page ru.htm KOI8-R "Русский текст"
printf '[OPTIONS]\r\nCompiled file=charsets.chm\r\nFull-text search=Yes\r\nLanguage=0x804\r\n\r\n[FILES]\r\ngb.htm\r\njp.htm\r\nru.htm\r\n' \
    >"$mixed/charsets.hhp"
compare "$mixed/charsets.hhp" "charsets"

# A project deeper than MAX_PATH's 260 characters: read, and its CHM written beside it.
deep="$scratch/$(printf 'a-folder-with-a-rather-long-name-%02d/' $(seq 1 9))"
mkdir -p "$deep"
cp "$folder/说明.htm" "$deep/"
cp "$folder/帮助.hhp" "$deep/deep.hhp"
compare "$deep/deep.hhp" "long-path"
if wine "$win64/quillmark-hhc.exe" -q "Z:$deep/deep.hhp" >"$scratch/deep.log" 2>&1 &&
        [ -f "$deep/帮助.chm" ]; then
    echo "a project ${#deep} characters deep compiles in place"
else
    fail "the project ${#deep} characters deep: $(cat "$scratch/deep.log")"
fi

# quillmark.exe on every sample Word page gives the Linux build's project and CHM, byte for
# byte (the CHM's time stamp fixed). The run log names the CHM by its full path, which
# differs between the two; the lock file holds the process id.
export SOURCE_DATE_EPOCH=$stamp
convertPage() { # page place [runs]: place is the page folder's path under the scratch folders
    local page=$1 place=$2 runs=${3:-1} folder run name
    folder=$(dirname "$page") name=$(basename "$place")
    rm -rf "$scratch/lq" "$scratch/wq"
    mkdir -p "$(dirname "$scratch/lq/$place")" "$(dirname "$scratch/wq/$place")"
    cp -r "$folder" "$scratch/lq/$place"
    cp -r "$folder" "$scratch/wq/$place"
    local rel=${page#"$folder"/}
    for ((run = 0; run < runs; run++)); do
        "$linux/quillmark" -q "$scratch/lq/$place/$rel" >"$scratch/lq.log" 2>&1
        local linuxStatus=$?
        wine "$win64/quillmark.exe" -q "Z:$scratch/wq/$place/$rel" >"$scratch/wq.log" 2>&1
        local windowsStatus=$?
        if [ $linuxStatus -ne $windowsStatus ]; then
            fail "$name: quillmark.exe exited $windowsStatus, the Linux build $linuxStatus: $(tail -3 "$scratch/wq.log")"
            return 1
        fi
    done
    if diff -r -x '*.log' -x '.*.lock' "$scratch/lq/$place" "$scratch/wq/$place" >"$scratch/diff"; then
        echo "identical: page $name"
    else
        fail "$name: the projects differ: $(head -3 "$scratch/diff")"
        return 1
    fi
}
pagesIdentical=0
pagesCompared=0
if [ -f "$pages/MANIFEST.tsv" ]; then
    while IFS=$'\t' read -r file _; do
        [ "$file" = file ] && continue
        pagesCompared=$((pagesCompared + 1))
        convertPage "$pages/$file" "$(dirname "$file")" && pagesIdentical=$((pagesIdentical + 1))
    done <"$pages/MANIFEST.tsv"
    echo "$pagesIdentical of $pagesCompared sample Word pages give the same project and CHM under Wine"
    # A page with pictures in folders named in Chinese, deeper than 260 characters: made,
    # then made again over its own project (the ID map, the record of pages, the lock).
    deepPlace=$(printf '深层文件夹-a-folder-with-a-long-name-%02d/' $(seq 1 8))tosall112
    if convertPage "$pages/tosall112_filtered_gb/告全体成员书.html" "$deepPlace" 2; then
        echo "a page in a folder $((${#scratch} + 4 + ${#deepPlace})) characters deep gives the same project twice"
    fi
else
    echo "$pages is absent; quillmark.exe is not compared on the sample pages"
fi
unset SOURCE_DATE_EPOCH

# Hostile additional-code files: quillmark.exe refuses each with the Linux build's message
# (the path aside) and exit status, reads no file they point at, and writes no project;
# an XInclude is not followed, and the run then goes as on Linux.
hostile() { # name content
    local name=$1 side
    for side in lh wh; do
        mkdir -p "$scratch/$side"
        printf '%s\n' "$2" >"$scratch/$side/$name.ahtml"
        printf '<html><body><h1>A</h1><p>a</p></body></html>\n' >"$scratch/$side/$name.htm"
    done
    "$linux/quillmark" -q --no-compile --addcode "$scratch/lh/$name.ahtml" "$scratch/lh/$name.htm" \
        >"$scratch/lh.out" 2>&1
    local linuxStatus=$?
    wine "$win64/quillmark.exe" -q --no-compile --addcode "Z:$scratch/wh/$name.ahtml" \
        "Z:$scratch/wh/$name.htm" >"$scratch/wh.out" 2>&1
    local windowsStatus=$?
    sed -i "s|$scratch/lh/||g" "$scratch/lh.out"
    # The console's line ends are CR LF.
    sed -i "s|Z:$scratch/wh[/\\]||g; s|\r\$||" "$scratch/wh.out"
    if [ $linuxStatus -ne $windowsStatus ]; then
        fail "$name.ahtml: quillmark.exe exited $windowsStatus, the Linux build $linuxStatus: $(head -3 "$scratch/wh.out")"
    elif ! cmp -s "$scratch/lh.out" "$scratch/wh.out"; then
        fail "$name.ahtml: quillmark.exe says $(head -3 "$scratch/wh.out"), the Linux build $(head -3 "$scratch/lh.out")"
    elif grep -rq "private text" "$scratch/wh"/*.* "$scratch/wh.out"; then
        fail "$name.ahtml: the text of the file it points at came out"
    elif ! diff -r -x '*.log' -x '.*.lock' "$scratch/lh" "$scratch/wh" >"$scratch/diff"; then
        fail "$name.ahtml: the projects differ: $(head -3 "$scratch/diff")"
    else
        hostileSame=$((hostileSame + 1))
        echo "as on Linux (exit $windowsStatus): $name.ahtml"
    fi
}
hostileSame=0
echo "the user's private text" >"$scratch/secret.txt"
printf '<!ENTITY x SYSTEM "file://%s">\n' "$scratch/secret.txt" >"$scratch/evil.dtd"
laughs='<!ENTITY a0 "lol">'
for i in $(seq 1 9); do
    laughs+="<!ENTITY a$i \"$(printf "&a$((i - 1));%.0s" $(seq 1 10))\">"
done
hostile external-entity "$(printf '<?xml version="1.0" encoding="GB2312"?>\n<!DOCTYPE r [<!ENTITY x SYSTEM "file://%s">]>\n<r><BeforeEntry>&x;</BeforeEntry></r>' "$scratch/secret.txt")"
hostile billion-laughs "$(printf '<?xml version="1.0"?>\n<!DOCTYPE r [%s]>\n<r><BeforeEntry>&a9;</BeforeEntry></r>' "$laughs")"
hostile external-dtd "$(printf '<?xml version="1.0"?>\n<!DOCTYPE r SYSTEM "file://%s">\n<r><BeforeEntry>&x;</BeforeEntry></r>' "$scratch/evil.dtd")"
hostile parameter-entity '<?xml version="1.0"?>
<!DOCTYPE r [<!ENTITY % p SYSTEM "http://example.invalid/p"> %p;]>
<r><BeforeEntry>a</BeforeEntry></r>'
hostile undeclared-entity '<r><BeforeEntry>&nbsp;</BeforeEntry></r>'
hostile mismatched-tags '<Root>
<BeforeEntry>x</AfterEntry></Root>'
hostile xinclude "<r xmlns:xi=\"http://www.w3.org/2001/XInclude\"><BeforeEntry>a</BeforeEntry><xi:include href=\"$scratch/secret.txt\" parse=\"text\"/></r>"
echo "$hostileSame of 7 hostile additional-code files are answered as on Linux"

# Links where the run writes or copies (Unix links, which Wine shows the program as
# reparse points, as Windows shows its own links and junctions): quillmark.exe refuses a
# linked content folder and leaves out a linked pictures folder with the Linux build's
# messages, writing nothing through either.
linksSame=0
for side in ll wl; do
    mkdir -p "$scratch/$side/elsewhere" "$scratch/$side/pictures"
    echo old >"$scratch/$side/elsewhere/Alias.h"
    echo png >"$scratch/$side/pictures/a.png"
    printf '<html><body><div><h1>A</h1><p>a</p></div></body></html>\n' >"$scratch/$side/x.htm"
    printf '<html><body><div><h1>A</h1><p><img src="y.files/a.png"></p></div></body></html>\n' \
        >"$scratch/$side/y.htm"
    ln -s elsewhere "$scratch/$side/x.Content"
    ln -s pictures "$scratch/$side/y.files"
done
for page in x y; do
    "$linux/quillmark" -q --no-compile "$scratch/ll/$page.htm" >"$scratch/ll.out" 2>&1
    linuxStatus=$?
    wine "$win64/quillmark.exe" -q --no-compile "Z:$scratch/wl/$page.htm" >"$scratch/wl.out" 2>&1
    windowsStatus=$?
    sed -i "s|$scratch/ll/||g" "$scratch/ll.out"
    sed -i "s|Z:$scratch/wl[/\\]||g; s|\r\$||" "$scratch/wl.out"
    if [ $linuxStatus -ne $windowsStatus ] || ! cmp -s "$scratch/ll.out" "$scratch/wl.out"; then
        fail "$page.htm beside a link: quillmark.exe exited $windowsStatus saying $(head -3 "$scratch/wl.out"), the Linux build $linuxStatus saying $(head -3 "$scratch/ll.out")"
    else
        linksSame=$((linksSame + 1))
    fi
done
if [ "$(ls "$scratch/wl/elsewhere")" != Alias.h ] || [ "$(cat "$scratch/wl/elsewhere/Alias.h")" != old ]; then
    fail "quillmark.exe wrote through a linked content folder: $(ls "$scratch/wl/elsewhere")"
elif ! diff -r -x '*.log' -x '.*.lock' "$scratch/ll" "$scratch/wl" >"$scratch/diff"; then
    fail "the projects beside links differ: $(head -3 "$scratch/diff")"
fi
echo "$linksSame of 2 runs beside links go as on Linux"

# Ctrl-C: Wine hands a SIGINT to the program as Windows' CTRL_C_EVENT, which reaches the
# console control handler as a Ctrl-C in a console does. Stopped once its scan has begun,
# the run exits 130 and its log says so; the finished project's ID list and project file
# stay as they were, no working file is left, and the next run works.
stopped=$scratch/interrupt
mkdir -p "$stopped"
small='<html><body><div><h1>Old</h1>x</div></body></html>'
printf '%s' "$small" >"$stopped/big.htm"
wine "$win64/quillmark.exe" -q --no-compile "Z:$stopped/big.htm" >/dev/null 2>&1 ||
    fail "quillmark.exe did not make the small project to interrupt"
cp "$stopped/big.txt" "$scratch/big.txt.before"
cp "$stopped/big.hhp" "$scratch/big.hhp.before"
line=$(printf 'x%.0s' $(seq 1 6000))
{
    printf '<html><body><div>'
    for i in $(seq 0 2999); do printf '<h1>T%d</h1><p>%s</p>\r\n' "$i" "$line"; done
    printf '</div></body></html>'
} >"$stopped/big.htm"
wine "$win64/quillmark.exe" --no-compile "Z:$stopped/big.htm" >"$scratch/stopped.log" 2>&1 &
launcher=$!
for ((i = 0; i < 1200; i++)); do
    [ -e "$stopped/big.Content/T0.2.htm" ] && break
    sleep 0.1
done
# Wine runs the program in a process of its own, which its command line names.
program=$(pgrep -f -- "Z:$stopped/big.htm" | grep -vx "$launcher" | head -1)
[ -n "$program" ] && kill -INT "$program"
wait $launcher
status=$?
if [ $status -eq 0 ]; then
    echo "Ctrl-C not checked: the run ended before the signal arrived"
elif [ $status -ne 130 ]; then
    fail "an interrupted quillmark.exe exited $status, not 130: $(tail -3 "$scratch/stopped.log")"
elif ! iconv -f GBK -t UTF-8 "$stopped/big.run.txt" 2>/dev/null | tail -1 | grep -q '用户中断操作。'; then
    fail "the run log of an interrupted run does not say so: $(tail -2 "$stopped/big.run.txt")"
elif ! cmp -s "$stopped/big.txt" "$scratch/big.txt.before" ||
        ! cmp -s "$stopped/big.hhp" "$scratch/big.hhp.before"; then
    fail "an interrupted run changed the finished project's ID list or project file"
elif [ -n "$(find "$stopped" -name '*.tmp*' -o -name '*.gbk*')" ]; then
    fail "an interrupted run left working files: $(find "$stopped" -name '*.tmp*' -o -name '*.gbk*')"
else
    printf '%s' "$small" >"$stopped/big.htm"
    if wine "$win64/quillmark.exe" -q --no-compile "Z:$stopped/big.htm" >/dev/null 2>&1; then
        echo "Ctrl-C stops quillmark.exe with exit 130, its log written and nothing half-written left"
    else
        fail "the run after an interrupted one failed"
    fi
fi

# hhc.exe: HTML Help Workshop's exit statuses.
wine "$win64/hhc.exe" "Z:$folder/帮助.hhp" >"$scratch/hhc.log" 2>&1
status=$?
[ $status -eq 1 ] || fail "hhc.exe exited $status, not 1, for a written CHM: $(cat "$scratch/hhc.log")"
[ -f "$folder/帮助.chm" ] || fail "hhc.exe wrote no $folder/帮助.chm"
wine "$win64/hhc.exe" "Z:$scratch/none.hhp" >"$scratch/hhc.log" 2>&1
status=$?
[ $status -eq 0 ] || fail "hhc.exe exited $status, not 0, when no CHM was written"

# hha.dll, 64 and 32-bit, loaded by a program and compiling a sample of its own.
for build in "$win64" "$win32"; do
    copy="$scratch/hha-$(basename "$build")"
    if [ -d "$samples/far-newarc-ru" ]; then
        cp -r "$samples/far-newarc-ru" "$copy"
        rm -f "$copy/newarc.chm"
    else
        cp -r "$folder" "$copy"
        mv "$copy/帮助.hhp" "$copy/newarc.hhp"
        LC_ALL=C sed -i 's/^Compiled file=.*/Compiled file=newarc.chm\r/' "$copy/newarc.hhp"
    fi
    if ! log=$(cd "$build" && wine ./hha-load.exe "Z:$copy/newarc.hhp" 2>&1); then
        fail "$(basename "$build")/hha-load.exe: $log"
    elif [ "$(head -c 4 "$copy/newarc.chm" 2>/dev/null)" != ITSF ]; then
        fail "$(basename "$build")/hha.dll wrote no CHM: $log"
    else
        echo "hha.dll of $(basename "$build") compiled the sample"
    fi
done

[ $failures -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "all Windows checks passed"
