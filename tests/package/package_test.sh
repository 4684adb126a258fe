#!/usr/bin/env bash
# The Debian package as a user meets it: made from this build tree, unpacked into a
# scratch root, its programs run from there.
#   package_test.sh CPACK BUILD_DIR VERSION
set -euo pipefail
cpack=$1 build=$2 version=$3

for tool in dpkg-deb dpkg-shlibdeps help2man; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (./dev deps installs it)"
        exit 77
    fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A package of its own: build/'s may be older than the programs it would test.
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/deb" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    fail "cpack could not make the package"
fi
debs=("$scratch"/deb/quillmark_"$version"_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || fail "no quillmark_${version}_<arch>.deb: $(ls "$scratch/deb")"

echo "== the control fields"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "Depends lacks the shared libraries' packages"
dpkg-deb -f "$deb" Recommends | grep -qx 'libreoffice-writer-nogui' || fail "Recommends"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin

echo "== the unpacked quillmark runs and converts"
[ "$("$bin/quillmark" --version)" = "quillmark $version" ] || fail "quillmark --version"
mkdir "$scratch/doc"
cat >"$scratch/doc/manual.htm" <<'PAGE'
<html xmlns:o="urn:schemas-microsoft-com:office:office"
xmlns:w="urn:schemas-microsoft-com:office:word">
<head>
<meta http-equiv=Content-Type content="text/html; charset=gb2312">
<meta name=ProgId content=Word.Document>
<meta name=Generator content="Microsoft Word 11">
<title>Manual</title>
</head>
<body lang=ZH-CN>
<div class=Section1>
<h1><a name="_Toc1">Overview</a></h1>
<p class=MsoNormal>What the program does.</p>
<h1><a name="_Toc2">Setup</a></h1>
<p class=MsoNormal>See <a href="#_Toc1">Overview</a>.</p>
<h2><a name="_Toc3">Options</a></h2>
<p class=MsoNormal>The options.</p>
</div>
</body>
</html>
PAGE
# LD_DEBUG names the file the loader opened: the package's own compiler library, found
# relative to the program, not one the system's search happens to reach.
if ! LD_DEBUG=files LD_DEBUG_OUTPUT=$scratch/ld env -u LD_LIBRARY_PATH \
    "$bin/quillmark" -q -o "$scratch/out" "$scratch/doc/manual.htm" >"$scratch/run.log" 2>&1; then
    cat "$scratch/run.log"
    fail "quillmark could not convert the page"
fi
[ "$(head -c 4 "$scratch/out/manual.chm" 2>/dev/null)" = ITSF ] || fail "no CHM written"
grep -hq "file=$root/usr/lib/[^ ]*quillmark/libhha.so" "$scratch"/ld.* ||
    fail "the compiler library was not loaded from the package: $(grep -h 'libhha' "$scratch"/ld.* | head -3)"

echo "== manual pages"
for p in quillmark quillmark-hhc; do
    page=$root/usr/share/man/man1/$p.1.gz
    [ -f "$page" ] || fail "no manual page $p(1)"
    # From --help, plus the sections packaging/man/$p.h2m adds.
    zcat "$page" | grep -q 'B\\-\\-help' || fail "$p(1) does not list --help's options"
    zcat "$page" | grep -q '^\.SH "SEE ALSO"' || fail "$p(1) lacks its include file's sections"
done
if [ -x "$bin/quillmark-gui" ] && [ ! -f "$root/usr/share/man/man1/quillmark-gui.1.gz" ]; then
    fail "no manual page quillmark-gui(1)"
fi

echo "== bash completion"
completions=$root/usr/share/bash-completion/completions
for p in quillmark quillmark-hhc; do
    [ -f "$completions/$p" ] || fail "no completion for $p"
done
if [ ! -f /usr/share/bash-completion/bash_completion ]; then
    echo "bash-completion is not installed: completions not tried"
    exit 0
fi
mkdir -p "$scratch/files/sub"
touch "$scratch"/files/{a.docx,b.txt,c.HTM,d.hhp,e.odt}
complete_line() { # completion file, function, words...; prints the candidates, sorted
    (cd "$scratch/files" && PATH=$bin:$PATH bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        fn=$2
        shift 2
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"
        COMP_POINT=${#COMP_LINE}
        "$fn" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$@")
}
expect() { # what, got, expected
    [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"
}
expect "quillmark FILE" "$(complete_line "$completions/quillmark" _quillmark quillmark '')" \
    "a.docx c.HTM e.odt sub "
expect "quillmark --ou" "$(complete_line "$completions/quillmark" _quillmark quillmark --ou)" \
    "--output-dir "
expect "quillmark -o" "$(complete_line "$completions/quillmark" _quillmark quillmark -o '')" "sub "
expect "quillmark-hhc FILE" \
    "$(complete_line "$completions/quillmark-hhc" _quillmark_hhc quillmark-hhc '')" "d.hhp sub "
expect "quillmark-hhc --ti" \
    "$(complete_line "$completions/quillmark-hhc" _quillmark_hhc quillmark-hhc --ti)" "--timestamp "
echo "ok"
