#!/usr/bin/env bash
# check-installed.sh CHECK PREFIX: one check of the files installed in PREFIX.
# Exits 77 (skipped) when the tool it needs is missing.
set -euo pipefail
check=$1 prefix=$2
share=$prefix/share

need() {
    command -v "$1" >/dev/null || { echo "$1 is missing: skipped"; exit 77; }
}
fail() {
    echo "FAIL: $*"
    exit 1
}

case $check in
desktop-entry)
    need desktop-file-validate
    entry=$share/applications/dyskel.desktop
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
    if grep -E 'error:|warning:' <<<"$out"; then fail "desktop-file-validate complains"; fi
    # Every type it opens is one the package defines, and its icon is installed.
    for type in $(sed -n 's/^MimeType=//p' "$entry" | tr ';' ' '); do
        grep -q "mime-type type=\"$type\"" "$share"/mime/packages/*.xml || fail "$type is defined nowhere"
    done
    icon=$(sed -n 's/^Icon=//p' "$entry")
    for size in 48x48/apps/$icon.png 256x256/apps/$icon.png scalable/apps/$icon.svg; do
        [ -s "$share/icons/hicolor/$size" ] || fail "no icon $size"
    done
    ;;
metainfo)
    need appstreamcli
    shopt -s nullglob
    files=("$share"/metainfo/*.metainfo.xml)
    [ ${#files[@]} -eq 1 ] || fail "expected one metainfo file, found ${#files[@]}"
    appstreamcli validate --no-net "${files[0]}" || fail "appstreamcli validate"
    grep -q '<launchable type="desktop-id">dyskel.desktop</launchable>' "${files[0]}" || fail "no launchable"
    # The screenshots are the README's pictures.
    for shot in $(grep -o 'docs/[a-z0-9-]*\.png' "${files[0]}"); do
        [ -f "$(dirname "$0")/../../$shot" ] || fail "$shot is not in the source tree"
    done
    ;;
mime-type)
    need update-mime-database
    data=$(mktemp -d)
    trap 'rm -rf "$data"' EXIT
    mkdir -p "$data/mime/packages"
    cp "$share"/mime/packages/dyskel.xml "$data/mime/packages/"
    err=$(XDG_DATA_HOME=$data XDG_DATA_DIRS=$data update-mime-database "$data/mime" 2>&1)
    [ -z "$err" ] || fail "update-mime-database: $err"
    # A glob without the case-sensitive flag matches its extension in any
    # letter case.
    for ext in d64 d71 d81; do
        grep -qx "50:application/x-$ext:\\*\\.$ext" "$data/mime/globs2" ||
            fail "no *.$ext glob: $(cat "$data/mime/globs2")"
    done
    ;;
man-pages)
    # Each command and option the programs' own usage texts name is in their
    # man page (a command as a heading), and groff renders the pages without
    # a warning.
    for prog in dyskel-cli dyskel; do
        page=$share/man/man1/$prog.1.gz
        [ -x "$prefix/bin/$prog" ] || continue
        text=$(gzip -dc "$page" | sed 's/\\-/-/g')
        usage=$("$prefix/bin/$prog" --help)
        # dyskel-cli names each command's options in that command's help.
        if [ "$prog" = dyskel-cli ]; then
            for command in $(sed -n 's/^  \([a-z][a-z]*\) .*/\1/p' <<<"$usage"); do
                usage+=$'\n'$("$prefix/bin/$prog" "$command" --help)
            done
        fi
        for option in $(grep -oE -- '--[a-z-]+|\[/[A-Z]+\]' <<<"$usage" | tr -d '[]' | sort -u); do
            grep -qF -- "$option" <<<"$text" || fail "$prog.1 does not mention $option"
        done
        for command in $(sed -n 's/^  \([a-z][a-z]*\) .*/\1/p' <<<"$usage"); do
            grep -qE "^\.B[IR]? $command( |\$)" <<<"$text" || fail "$prog.1 has no heading for $command"
        done
        if command -v groff >/dev/null; then
            warnings=$(gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>&1)
            [ -z "$warnings" ] || fail "groff on $prog.1: $warnings"
        fi
    done
    ;;
index-module)
    # dyskel-cli finds the index module beside it (lib/dyskel/modules) for a
    # search, and maps no SQLite for anything else.
    cli=$prefix/bin/dyskel-cli
    [ -x "$cli" ] || fail "no $cli"
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    mkdir "$tmp/images"
    err=$(cd "$tmp" && XDG_CACHE_HOME=$tmp/cache LD_DEBUG=libs "$cli" find --name X images 2>&1 >/dev/null) ||
        fail "dyskel-cli find: $err"
    if grep 'dyskel-cli:' <<<"$err"; then fail "dyskel-cli find complains"; fi
    grep -q 'libsqlite3' <<<"$err" || fail "find did not load the index"
    [ -s "$tmp/cache/dyskel/index.sqlite" ] || fail "find wrote no index"
    if LD_DEBUG=libs "$cli" --version 2>&1 >/dev/null | grep -q -e libsqlite3 -e libpng; then
        fail "dyskel-cli maps SQLite or libpng without a search or a picture"
    fi
    # dir --png finds the PNG module beside it.
    "$cli" new "$tmp/a.d64" PICTURE >/dev/null || fail "dyskel-cli new failed"
    err=$("$cli" dir --png "$tmp/a.png" "$tmp/a.d64" 2>&1) || fail "dyskel-cli dir --png: $err"
    [ "$(head -c 4 "$tmp/a.png" | tail -c 3)" = PNG ] || fail "dir --png wrote no PNG"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
