#!/usr/bin/env bash
# Converts every sample document and page with the build's quillmark and
# reports which links still work in the CHM, blank pages and lost topics.
# Usage: bench/help-links/run.sh [--only TEXT] [--jobs N] [--timeout S] [--arg OPTION] [-v] [--keep]
# QUILLMARK_BUILD_DIR=dir uses another build than build/ of this repository.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
samples="$root/../shared/samples"
quillmark="${QUILLMARK_BUILD_DIR:-$root/build}/quillmark"
if [ ! -d "$samples/doc" ] || [ ! -d "$samples/html" ]; then
    echo "help-links: skipped, no samples in $samples"
    exit 0
fi
if [ ! -x "$quillmark" ]; then
    echo "help-links: $quillmark is missing; build first (cmake --build build)" >&2
    exit 1
fi
if ! command -v extract_chmLib >/dev/null && ! command -v 7zz >/dev/null; then
    echo "help-links: needs extract_chmLib (libchm-bin) or 7zz to read the CHMs" >&2
    exit 1
fi
exec python3 "$root/bench/help-links/help_links.py" \
    --quillmark "$quillmark" --samples "$samples" "$@"
