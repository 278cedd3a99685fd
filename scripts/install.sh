#!/usr/bin/env bash
# Builds the release Korvale (installing what is missing) and installs it for
# the current user:
#
#   scripts/install.sh [PROGRAM_DIR]
#
# PROGRAM_DIR (default ~/.local/lib/korvale) receives korvale,
# korvale-headless, the language files and the help page korvale.html.
# Korvale keeps its settings file korvale.ini and looks for its language
# files and COMn links in the directory of its executable, so PROGRAM_DIR must
# be writable by the user who runs it. An existing korvale.ini is never
# touched. Also installed: the icon (hicolor, scalable), the desktop entry
# and a `korvale` command in ~/.local/bin. Running it again updates the copy.
#
# KORVALE_BUILD_DIR picks another build directory, relative to the source
# tree (default build/release); KORVALE_NO_BUILD=1 installs what that
# directory already holds, without building.
set -euo pipefail

usage() {
    sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"
}
case "${1:-}" in
    -h | --help) usage; exit 0 ;;
esac
[ $# -le 1 ] || { usage >&2; exit 2; }

# A relative PROGRAM_DIR is taken from where the script was started.
program_dir=${1:-$HOME/.local/lib/korvale}
case $program_dir in
    /*) ;;
    *) program_dir=$PWD/$program_dir ;;
esac
cd "$(dirname "$0")/.."
build_dir=${KORVALE_BUILD_DIR:-build/release}
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
bin_dir=$HOME/.local/bin

# --- build ------------------------------------------------------------------
if [ "${KORVALE_NO_BUILD:-0}" != 1 ]; then
    scripts/install-deps.sh run
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVALE_TESTS=OFF \
        -DKORVALE_BENCHMARKS=OFF >/dev/null
    cmake --build "$build_dir" -j "$(nproc)" --target korvale korvale-headless
fi

# The first existing file among the arguments.
first_of() {
    for f in "$@"; do
        if [ -f "$f" ]; then
            printf '%s\n' "$f"
            return 0
        fi
    done
    return 1
}
korvale=$(first_of "$build_dir/korvale" "$build_dir/src/desktop/korvale") ||
    { echo "install.sh: no korvale executable in $build_dir" >&2; exit 1; }
headless=$(first_of "$build_dir/korvale-headless") ||
    { echo "install.sh: no korvale-headless executable in $build_dir" >&2; exit 1; }
help_page=$(first_of "$build_dir/korvale.html" help/korvale.html)
shopt -s nullglob
languages=("$build_dir"/*.lng)
[ ${#languages[@]} -gt 0 ] || languages=(lang/*.lng)
shopt -u nullglob

# --- helpers ----------------------------------------------------------------
# Copies a file into place through a temporary name in the target directory,
# so a running copy of the program keeps its file and readers never see half
# a file.
put() { # mode source target
    local tmp
    tmp=$(mktemp "$(dirname "$3")/.install.XXXXXX")
    cp "$2" "$tmp"
    chmod "$1" "$tmp"
    mv -f "$tmp" "$3"
}

# A path as one argument of a desktop entry's Exec key: quoted when it holds
# a character that needs it, with the escapes such an argument takes (a
# backslash, double quote, backquote or dollar sign gets a backslash, and
# every backslash is then doubled once more for the key's string value).
exec_argument() {
    case $1 in
        *[[:space:]\"\'\\\>\<~\|\&\;\$\*\?\#\(\)\`]*)
            printf '"%s"\n' "$(printf '%s' "$1" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g')" ;;
        *) printf '%s\n' "$1" ;;
    esac | sed 's/%/%%/g'
}

# A path as one word for sh, in single quotes.
sh_quote() {
    printf "'%s'\n" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"
}

# --- program directory --------------------------------------------------------
mkdir -p "$program_dir"
program_dir=$(cd "$program_dir" && pwd)
if [ ! -w "$program_dir" ]; then
    echo "install.sh: $program_dir is not writable; Korvale must be able to write korvale.ini there" >&2
    exit 1
fi
put 755 "$korvale" "$program_dir/korvale"
put 755 "$headless" "$program_dir/korvale-headless"
put 644 "$help_page" "$program_dir/korvale.html"
for language in "${languages[@]}"; do
    put 644 "$language" "$program_dir/$(basename "$language")"
done

# --- icon and desktop entry ---------------------------------------------------
icon_dir=$data_home/icons/hicolor/scalable/apps
applications_dir=$data_home/applications
mkdir -p "$icon_dir" "$applications_dir"
put 644 src/desktop/resources/korvale.svg "$icon_dir/korvale.svg"
touch "$data_home/icons/hicolor" # lets icon caches notice the change

entry=$(mktemp --suffix=.desktop)
launcher_text=$(mktemp)
trap 'rm -f "$entry" "$launcher_text"' EXIT
exec_value=$(exec_argument "$program_dir/korvale")
tryexec_value=$(printf '%s' "$program_dir/korvale" | sed 's/\\/\\\\/g')
EXEC_VALUE=$exec_value TRYEXEC_VALUE=$tryexec_value awk '
    /^Exec=/    { print "Exec=" ENVIRON["EXEC_VALUE"]; next }
    /^TryExec=/ { print "TryExec=" ENVIRON["TRYEXEC_VALUE"]; next }
    { print }
' desktop/korvale.desktop >"$entry"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry"
fi
put 644 "$entry" "$applications_dir/korvale.desktop"
if command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$applications_dir" || true
fi

# --- command --------------------------------------------------------------------
# A small script, not a symbolic link: Korvale finds its settings and
# language files in the directory of the path it was started by, and a link
# in ~/.local/bin would make that ~/.local/bin.
launcher=$bin_dir/korvale
launcher_mark="# Starts Korvale from its program directory (written by scripts/install.sh)."
launcher_note="$launcher"
if [ -e "$launcher" ] && ! grep -qxF "$launcher_mark" "$launcher" 2>/dev/null; then
    launcher_note="not written: $launcher exists and is not ours"
else
    mkdir -p "$bin_dir"
    printf '#!/bin/sh\n%s\nexec %s "$@"\n' "$launcher_mark" "$(sh_quote "$program_dir/korvale")" \
        >"$launcher_text"
    put 755 "$launcher_text" "$launcher"
    case ":$PATH:" in
        *":$bin_dir:"*) ;;
        *) launcher_note="$launcher (add $bin_dir to your PATH to use it)" ;;
    esac
fi

# --- report ---------------------------------------------------------------------
if [ -e "$program_dir/korvale.ini" ]; then
    settings_note="$program_dir/korvale.ini (kept as it was)"
else
    settings_note="$program_dir/korvale.ini (written by the first run)"
fi
cat <<EOF
Korvale installed.
  Program directory: $program_dir
    korvale, korvale-headless, korvale.html, ${#languages[@]} language file(s)
  Settings:          $settings_note
  Icon:              $icon_dir/korvale.svg
  Desktop entry:     $applications_dir/korvale.desktop
  Command:           $launcher_note
Put COMn links for your TNC into $program_dir (see korvale.html, "Connecting the TNC").
EOF
