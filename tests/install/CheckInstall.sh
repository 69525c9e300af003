#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a user's system gets from it: exactly
# the expected files, icons of the size their folder names, a project-file type that the MIME
# database takes, and manual pages that render without warnings.
# Usage: CheckInstall.sh BUILD_FOLDER SCRATCH_FOLDER
set -euo pipefail
build="$1"
scratch="$2"
prefix="$scratch/usr"
rm -rf "$scratch"
mkdir -p "$scratch"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The help file must lie in ../share/korvo2 beside bin/, where the program looks for it.
sizes=(16 22 24 32 48 64 128 256)
expected=(bin/korvo2 bin/korvo2-album share/applications/korvo2.desktop share/korvo2/Korvo2.htm
    share/man/man1/korvo2-album.1.gz share/man/man1/korvo2.1.gz share/mime/packages/korvo2.xml
    share/icons/hicolor/scalable/apps/korvo2.svg share/metainfo/org.example.korvo2.metainfo.xml)
for size in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/korvo2.png")
done
want="$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)"
got="$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)"
if [[ "$got" != "$want" ]]; then
    diff <(echo "$want") <(echo "$got") >&2 || true
    fail "the installed files differ from the expected ones (< expected, > installed)"
fi

# A PNG names its width and height in bytes 16 to 23, big-endian.
for size in "${sizes[@]}"; do
    read -r -a header < <(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/korvo2.png")
    width=$(( (header[0] << 24) | (header[1] << 16) | (header[2] << 8) | header[3] ))
    height=$(( (header[4] << 24) | (header[5] << 16) | (header[6] << 8) | header[7] ))
    [[ "$width" == "$size" && "$height" == "$size" ]] || fail "the ${size}x${size} icon is ${width}x${height}"
done

if command -v update-mime-database >/dev/null; then
    mime="$scratch/mime"
    cp -r "$prefix/share/mime" "$mime"
    # Named as a data folder, so that the tool does not remark that it is outside the search path.
    XDG_DATA_HOME="$scratch" XDG_DATA_DIRS="$scratch" update-mime-database "$mime" 2>"$scratch/mime.err" || fail "update-mime-database: $(cat "$scratch/mime.err")"
    [[ ! -s "$scratch/mime.err" ]] || fail "update-mime-database: $(cat "$scratch/mime.err")"
    grep -qx '50:application/x-korvo2-project:\*\.kv2' "$mime/globs2" || fail "no *.kv2 pattern in globs2"
    grep -qa '<Korvo2Project' "$mime/magic" || fail "no <Korvo2Project magic"
else
    echo "update-mime-database not found (package shared-mime-info): MIME type not checked"
fi

if command -v man >/dev/null; then
    for page in korvo2-album korvo2; do
        text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man1/$page.1.gz" \
            2>"$scratch/man.err")" || fail "man $page: $(cat "$scratch/man.err")"
        [[ ! -s "$scratch/man.err" ]] || fail "man $page warns: $(cat "$scratch/man.err")"
        grep -q "^NAME" <<<"$text" || fail "man $page has no NAME section"
    done
else
    echo "man not found (package man-db): manual pages not checked"
fi
echo "Install tree complete: $(wc -l <<<"$got") files"
