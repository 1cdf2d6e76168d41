#!/usr/bin/env bash
# What a user gets from `cmake --install` and from the .deb:
#   install_test.sh BUILD_DIR DEMO_IMAGE
# 1. the staged install: every file in place and well-formed, the installed CLI runs;
# 2. its bash completion; 3. the .deb built by cpack: Depends, contents, an unpacked CLI.
set -euo pipefail

build=$(cd "$1" && pwd)
demo=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmar-install-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
note() { echo "-- $*"; }

gui=no
grep -q '^QUILLMAR_GUI:BOOL=ON' "$build/CMakeCache.txt" && [ -x "$build/quillmar" ] && gui=yes

# --- 1. cmake --install into a staging prefix -------------------------------
stage=$work/stage
cmake --install "$build" --prefix "$stage" >"$work/install.log" ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; exit 1; }

expected=(bin/quillmar-cli share/man/man1/quillmar-cli.1.gz share/bash-completion/completions/quillmar-cli
    share/doc/quillmar/copyright share/doc/quillmar/README.md lib/udev/rules.d/70-quillmar-greaseweazle.rules)
[ "$gui" = no ] || expected+=(bin/quillmar share/man/man1/quillmar.1.gz share/applications/quillmar.desktop
    share/icons/hicolor/scalable/apps/quillmar.svg share/metainfo/io.github.quillmar.Quillmar.metainfo.xml)
for f in "${expected[@]}"; do
    [ -e "$stage/$f" ] || fail "not installed: $f"
done
[ -x "$stage/bin/quillmar-cli" ] || fail "bin/quillmar-cli is not executable"

version=$("$stage/bin/quillmar-cli" --version) || fail "installed quillmar-cli --version failed"
[ "$version" = "quillmar-cli 2.0.0 (Quillmar v2.0.0)" ] || fail "unexpected --version: $version"

# Settings and logs of an installed copy must not land in the program folder.
listing=$(cd "$work" && env -u QUILLMAR_HOME HOME="$work/home" "$stage/bin/quillmar-cli" list "$demo") ||
    fail "installed quillmar-cli list failed"
[[ $listing == "Disk: "* ]] || fail "list did not start with 'Disk: ': ${listing:0:80}"
! ls "$stage/bin" | grep -qv '^quillmar\(-cli\)\?$' || fail "more than the programs in bin: $(ls "$stage/bin")"

if command -v groff >/dev/null; then
    for page in "$stage"/share/man/man1/*.1.gz; do
        warnings=$(gzip -dc "$page" | groff -man -ww -z -Tutf8 2>&1 || true)
        [ -z "$warnings" ] || fail "groff warns about $(basename "$page"): $warnings"
    done
fi
if [ "$gui" = yes ]; then
    desktop=$stage/share/applications/quillmar.desktop
    grep -qx 'Exec=quillmar' "$desktop" || fail "desktop entry does not start quillmar"
    grep -qx 'Icon=quillmar' "$desktop" || fail "desktop entry does not name the quillmar icon"
    ! command -v desktop-file-validate >/dev/null || desktop-file-validate "$desktop" || fail "desktop-file-validate"
    metainfo=$stage/share/metainfo/io.github.quillmar.Quillmar.metainfo.xml
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
            { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
    elif command -v xmllint >/dev/null; then
        xmllint --noout "$metainfo" || fail "metainfo is not well-formed XML"
    fi
    ! command -v xmllint >/dev/null || xmllint --noout "$stage/share/icons/hicolor/scalable/apps/quillmar.svg" ||
        fail "icon is not well-formed"
fi

# --- 2. bash completion ------------------------------------------------------
if [ -r /usr/share/bash-completion/bash_completion ]; then
    complete_words() { # the words typed so far, the last one being completed
        bash --norc --noprofile -c '
            source /usr/share/bash-completion/bash_completion
            source "$1"; shift
            COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
            COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
            _quillmar_cli quillmar-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
            printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' \
            _ "$stage/share/bash-completion/completions/quillmar-cli" "$@"
    }
    check_completion() { # expected words, then the typed words
        local want=$1 got
        shift
        got=$(cd "$work/complete" && complete_words "$@")
        [ "$got" = "$want" ] || fail "completing '$*': got '$got', want '$want'"
    }
    mkdir -p "$work/complete/sub"
    touch "$work/complete/a.opu" "$work/complete/b.OPD" "$work/complete/notes.txt"
    check_completion "basic check convert dump export extract hex list read scan search vars write " quillmar-cli ""
    check_completion "a.opu b.OPD sub " quillmar-cli list ""
    check_completion "1 2 3 " quillmar-cli export a.opu 2 s.bmp --zoom ""
    check_completion "--as --force --help " quillmar-cli extract --
    check_completion "notes.txt sub " quillmar-cli export a.opu 2 ""
else
    note "bash-completion is not installed; completion not tried"
fi

# --- 3. the Debian package ---------------------------------------------------
if ! command -v dpkg-shlibdeps >/dev/null; then
    note "dpkg-shlibdeps (dpkg-dev) is missing; the .deb is not built or checked"
    exit $((failures > 0))
fi
# Into a folder of its own, so that a .deb left from an older build is never the one checked.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; exit 1; }
deb=$(ls "$work"/cpack/quillmar_*.deb | head -n 1)
note "checking $(basename "$deb")"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = quillmar ] || fail "Package is not quillmar"
[ "$(field Version)" = 2.0.0 ] || fail "Version is not 2.0.0: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
[ -n "$depends" ] || fail "no Depends in $(dpkg-deb --info "$deb")"
# Every library the installed programs are linked with must come from a
# package that Depends names (what those libraries need in turn is their
# packages' business).
owner_of() { # the package that holds a library path (with or without /usr)
    local alt=/usr$1
    [[ $1 != /usr/* ]] || alt=${1#/usr}
    { dpkg -S "$1" 2>/dev/null || dpkg -S "$alt" 2>/dev/null; } | head -n 1 | cut -d: -f1
}
for program in "$stage"/bin/*; do
    ldd "$program" >"$work/ldd"
    for lib in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        # the dynamic loader is listed by its path alone, without "=>"
        path=$(awk -v lib="$lib" '$1 == lib && $2 == "=>" {print $3} $1 ~ ("/" lib "$") {print $1}' "$work/ldd")
        package=$(owner_of "$path")
        if [ -z "$package" ]; then
            fail "no package holds $lib ('$path'), needed by $(basename "$program")"
        elif ! grep -q "\b$package\b" <<<"$depends"; then
            fail "$(basename "$program") needs $lib from $package, which Depends lacks: $depends"
        fi
    done
done
if [ "$gui" = yes ]; then
    # Loaded as a plugin for the SVG icons, so no link shows it.
    grep -q '\blibqt6svg6\b' <<<"$depends" || fail "Depends lacks libqt6svg6: $depends"
fi
# Nothing that only builds or tests the program may be required to run it.
for lib in libgtest libbenchmark libgmock qt6-base-dev; do
    ! grep -q "$lib" <<<"$depends" || fail "Depends names $lib: $depends"
done

# The package holds exactly what the install rules put under the prefix.
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort >"$work/deb-files"
(cd "$stage" && find . -type f -o -type l) | sed 's|^\./||' | sort >"$work/stage-files"
diff -u "$work/stage-files" "$work/deb-files" >"$work/contents.diff" ||
    { cat "$work/contents.diff" >&2; fail ".deb contents differ from cmake --install"; }

dpkg-deb -x "$deb" "$work/unpacked"
unpacked_version=$("$work/unpacked/usr/bin/quillmar-cli" --version) || fail "quillmar-cli from the .deb does not run"
[ "$unpacked_version" = "$version" ] || fail "quillmar-cli from the .deb says: $unpacked_version"

if [ "$(id -u)" -eq 0 ]; then
    dpkg --dry-run --install "$deb" >"$work/dry-run.log" 2>&1 ||
        { cat "$work/dry-run.log" >&2; fail "dpkg --dry-run --install refused the package"; }
else
    note "not root: dpkg --dry-run --install skipped"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install and package checks passed"
