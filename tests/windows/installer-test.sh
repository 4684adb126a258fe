#!/usr/bin/env bash
# The Windows installer under Wine, as a user without administrator rights meets it:
#   installer-test.sh WINDOWS64_BUILD SAMPLES
# The silent install goes into a fresh prefix, under the user's profile, with a Start-menu
# entry and an entry in the user's own uninstall list (nothing in HKLM); the installed
# programs run (quillmark.exe converts a Word page, quillmark-hhc.exe compiles a project);
# the silent uninstall removes every file and key the installer made and keeps the user's
# settings and stored additional code, which only the user's "是" removes. Exit 77
# (skipped) when wine or the installer is missing.
set -uo pipefail
win64=$(realpath -m "$1") samples=$(realpath -m "$2")

skip() { echo "SKIPPED: $*; ./dev windows installs and builds it"; exit 77; }
command -v wine >/dev/null || skip "wine is absent"
setup=$(ls "$win64"/quillmark-*-setup.exe 2>/dev/null | head -1)
[ -n "$setup" ] || skip "the installer is missing in $win64"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { # description, command...
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else fail "$what"; fi
}

scratch=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$scratch"' EXIT
# A fresh prefix, so that nothing of an earlier install can stand in for this one; no
# Mono or Gecko asks; shortcuts are not mirrored into the host's menus.
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LC_ALL=C.UTF-8
wine wineboot --init >/dev/null 2>&1 || fail "wineboot could not make $WINEPREFIX"
wineserver -w

user=$(ls "$WINEPREFIX/drive_c/users" | grep -vx Public | head -1)
profile=$WINEPREFIX/drive_c/users/$user
installed=$profile/AppData/Local/Programs/Quillmark
shortcut="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quillmark.lnk"
userData=$profile/AppData/Roaming/Quillmark
uninstallKey='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark'

hasKey() { wine reg query "$1" >/dev/null 2>&1; }
snapshotMachine() { wine reg export 'HKLM\Software' "$scratch/$1.reg" /y >/dev/null 2>&1; }

snapshotMachine before
wine "$setup" /S >/dev/null 2>&1
wineserver -w
snapshotMachine after

check "installed under the user's profile" test -f "$installed/quillmark-hhc.exe"
for f in hhc.exe hha.dll x86/hha.dll README.md LICENSE.txt uninstall.exe; do
    check "installed $f" test -f "$installed/$f"
done
[ -f "$win64/quillmark.exe" ] && check "installed quillmark.exe" test -f "$installed/quillmark.exe"
if [ -f "$win64/quillmark-gui.exe" ]; then
    check "installed quillmark-gui.exe" test -f "$installed/quillmark-gui.exe"
    check "a Start-menu entry" test -f "$shortcut"
fi
check "the stored additional-code examples" \
    test "$(ls "$installed"/*.ahtml 2>/dev/null | wc -l)" -ge 1
check "listed among the user's programs" hasKey "$uninstallKey"
# Wine's own services touch HKLM too; the installer adds no Quillmark key there.
check "nothing of the program in HKLM" bash -c "! grep -qi quillmark '$scratch/after.reg'"

# The installed programs run from where they were installed.
page=$samples/html/resume_en
if [ -f "$installed/quillmark.exe" ] && [ -d "$page" ]; then
    cp -r "$page" "$scratch/page"
    htm=$(ls "$scratch/page"/*.htm* | head -1)
    wine "$installed/quillmark.exe" -q "Z:$htm" >/dev/null 2>&1
    check "the installed quillmark.exe converts a page" test -s "${htm%.*}.chm"
fi
project=$samples/hhp/othello-zh
if [ -d "$project" ]; then
    cp -r "$project" "$scratch/project"
    rm -f "$scratch/project"/*.chm
    wine "$installed/quillmark-hhc.exe" -q "Z:$scratch/project/Othello.hhp" >/dev/null 2>&1
    check "the installed quillmark-hhc.exe compiles a project" test -s "$scratch/project/Othello.chm"
fi

# What the user keeps: settings and a stored additional-code file of their own.
mkdir -p "$userData"
echo kept >"$userData/mine.ahtml"
wine reg add 'HKCU\Software\Quillmark' /v Level /d 3 /f >/dev/null 2>&1

wine "$installed/uninstall.exe" /S >/dev/null 2>&1
# The uninstaller runs from a copy of itself in the temporary folder: wait for it.
wineserver -w

check "the program's folder is gone" test ! -e "$installed"
check "the Start-menu entry is gone" test ! -e "$shortcut"
check "gone from the user's programs" bash -c "! wine reg query '$uninstallKey' >/dev/null 2>&1"
check "the user's stored additional code is kept" test -f "$userData/mine.ahtml"
check "the user's settings are kept" hasKey 'HKCU\Software\Quillmark'

if [ $failures -gt 0 ]; then
    echo "installer: $failures failed"
    exit 1
fi
echo "installer: all checks passed"
