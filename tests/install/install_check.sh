#!/usr/bin/env bash
# Checks what `cmake --install` puts on a machine, in a scratch prefix.
#
#   install_check.sh install   BUILD_DIR PREFIX   installs the build into PREFIX
#   install_check.sh layout    PREFIX             the programs, desktop entry, icons, metainfo
#   install_check.sh man-pages PREFIX             every program's page against its --help
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    status=1
}
status=0

# Width and height of a PNG, from its header.
png_size() {
    local b
    read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
    echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

# A man page as plain text: roff's escaped minus signs and font changes taken out.
man_text() {
    zcat "$1" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g'
}

install_tree() {
    local build="$1" prefix="$2"
    rm -rf "$prefix"
    cmake --install "$build" --prefix "$prefix" >/dev/null
}

check_layout() {
    local prefix="$1" share="$1/share"
    local desktop="$share/applications/transmitter-config.desktop"

    for program in transmitter-config transmitter-sim; do
        [[ -x "$prefix/bin/$program" ]] || fail "bin/$program is not installed"
    done

    if [[ -f "$desktop" ]]; then
        desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
        # What the entry starts and shows must be what the package installs.
        local exec icon
        exec="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
        icon="$(sed -n 's/^Icon=//p' "$desktop")"
        [[ -x "$prefix/bin/$exec" ]] || fail "the desktop entry starts '$exec', which is not installed"
        for side in 16 32 48 256; do
            local png="$share/icons/hicolor/${side}x${side}/apps/$icon.png"
            if [[ ! -f "$png" ]]; then
                fail "no $side px icon '$icon'"
            elif [[ "$(png_size "$png")" != "${side}x${side}" ]]; then
                fail "the $side px icon is $(png_size "$png")"
            fi
        done
        [[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ]] || fail "no scalable icon '$icon'"
    else
        fail "no desktop entry"
    fi

    local metainfo=("$share"/metainfo/*.metainfo.xml)
    if [[ ${#metainfo[@]} -ne 1 || ! -f "${metainfo[0]}" ]]; then
        fail "expected one metainfo file, found: ${metainfo[*]}"
    else
        appstreamcli validate --no-net "${metainfo[0]}" >/dev/null ||
            fail "$(appstreamcli validate --no-net "${metainfo[0]}")"
        grep -q '<launchable type="desktop-id">transmitter-config.desktop</launchable>' \
            "${metainfo[0]}" || fail "the metainfo does not launch transmitter-config.desktop"
        # Its file name is its id.
        local id
        id="$(basename "${metainfo[0]}" .metainfo.xml)"
        grep -q "<id>$id</id>" "${metainfo[0]}" || fail "the metainfo's id is not $id"
    fi
}

check_man_pages() {
    local prefix="$1" programs=("$1"/bin/*)
    ((${#programs[@]} > 0)) || fail "no programs installed"
    for program in "${programs[@]}"; do
        local name page help version text
        name="$(basename "$program")"
        page="$prefix/share/man/man1/$name.1.gz"
        if [[ ! -f "$page" ]]; then
            fail "$name has no manual page"
            continue
        fi
        help="$(QT_QPA_PLATFORM=offscreen "$program" --help)"
        version="$(QT_QPA_PLATFORM=offscreen "$program" --version | awk '{ print $NF }')"
        text="$(man_text "$page")"
        grep -q "^\.TH .*\"$name $version\"" <<<"$text" ||
            fail "$name.1 is not the page of version $version"
        # Every long option the program lists.
        local options
        options="$(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u)"
        [[ -n "$options" ]] || fail "$name --help lists no options"
        for option in $options; do
            grep -qF -e "$option" <<<"$text" || fail "$name.1 does not describe $option"
        done
    done
}

case "${1:-}" in
install) install_tree "$2" "$3" ;;
layout) check_layout "$2" ;;
man-pages) check_man_pages "$2" ;;
*)
    echo "usage: $0 install BUILD_DIR PREFIX | layout PREFIX | man-pages PREFIX" >&2
    exit 2
    ;;
esac
exit "$status"
