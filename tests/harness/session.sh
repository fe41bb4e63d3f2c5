#!/bin/bash
# session.sh COMMAND [ARG...]
#
# Runs COMMAND inside a throwaway Wine environment and removes that environment afterwards, also when COMMAND
# fails or the run is interrupted: an Xvfb display of its own, a fresh 64-bit prefix (WoW64, as on 64-bit Windows,
# where wine32 is installed) and HOME configured for the tests, its fonts pinned, keyboard cues shown only once keys
# are used, and a hidden keep-alive program for the length of the run. COMMAND sees DISPLAY, WINEPREFIX, HOME,
# WINEDEBUG, WINEDLLOVERRIDES, FONTCONFIG_FILE, KST_TEST_ROOT and KST_SESSION_ACTIVE=1. The exit code is COMMAND's;
# 125 means the environment could not be set up.
#
# Environment:
#   KST_TEST_ROOT   folder for the prefix, HOME and logs; default: a new temporary folder, removed at the end.
#                   A given folder is kept, but its prefix and HOME are made anew.
#   KST_DISPLAY     an existing X display to use instead of starting Xvfb, e.g. ":5".
#   KST_SCREEN      the Xvfb screen, default 1280x1024x24.
#   KST_DPI         the display DPI of the prefix (its LogPixels), written before any Wine program of the session
#                   starts, so that the desktop has it too; default: the prefix's own, 96.
#   KST_WINE_CACHE  where the pristine prefix is kept between runs; default /var/tmp/kst-wine-template.
#
# wineboot of a new prefix takes 15 s or more on these machines (it writes some 700 MB of DLLs), so the first run
# boots and configures one pristine prefix and every run copies it (about 2 s). The pristine prefix is keyed by the
# Wine build, the user, the keep-alive program and the code below that makes it, so changing any of them builds it
# anew.
set -u

if [[ ${KST_SESSION_ACTIVE:-} == 1 && -n ${WINEPREFIX:-} ]]; then
    exec "$@"
fi
if (($# == 0)); then
    echo "usage: $0 COMMAND [ARG...]" >&2
    exit 2
fi

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
keepalive_source=$here/../support/keepalive.c
cache=${KST_WINE_CACHE:-/var/tmp/kst-wine-template}

root=
made_root=
xvfb_pid=
keepalive_pid=
command_pid=

say() { echo "session.sh: $*" >&2; }
fail() {
    say "$*"
    exit 125
}

# Waits up to $2 seconds for process $1 to end.
wait_gone() {
    local pid=$1 i
    for ((i = 0; i < $2 * 10; i++)); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

stop_process() {
    kill -0 "$1" 2>/dev/null || return 0
    kill -TERM "$1" 2>/dev/null
    wait_gone "$1" 10 || kill -KILL "$1" 2>/dev/null
}

# A test that mounted something inside the prefix (a small tmpfs for "disk full") and died must not make the
# removal fail or reach into the mounted file system.
remove_tree() {
    local dir=$1 mount_point
    [[ -e $dir ]] || return 0
    awk '{ print $2 }' /proc/self/mounts | while read -r mount_point; do
        mount_point=$(printf '%b' "$mount_point")
        [[ $mount_point == "$dir"/* ]] && echo "$mount_point"
    done | sort -r | while read -r mount_point; do
        umount -l "$mount_point" || say "could not unmount $mount_point"
    done
    rm -rf --one-file-system "$dir"
}

stop_wine() {
    [[ -d $1 ]] || return 0
    WINEPREFIX=$1 timeout 30 "$wineserver" -k 2>/dev/null
    WINEPREFIX=$1 timeout 30 "$wineserver" -w 2>/dev/null
}

cleanup() {
    local rc=$?
    trap - EXIT INT TERM HUP PIPE
    [[ -n $command_pid ]] && stop_process "$command_pid"
    [[ -n $root ]] && stop_wine "$root/prefix"
    [[ -n $keepalive_pid ]] && stop_process "$keepalive_pid"
    [[ -n $xvfb_pid ]] && stop_process "$xvfb_pid"
    [[ -n $made_root ]] && remove_tree "$root"
    exit "$rc"
}
trap cleanup EXIT
trap 'say "interrupted"; exit 130' INT
trap 'say "terminated"; exit 143' TERM
trap 'say "hung up"; exit 129' HUP
trap 'exit 141' PIPE

windows_path() {
    local path=${1//\//\\}
    echo "Z:$path"
}

# The fonts Wine sees are those of harness/fonts.conf and no others. Which fonts a machine has otherwise decides
# the system font and with it the dialog base units: with fonts-liberation or fonts-wine installed (a plain install
# of wine32 brings them) they are 7 x 16 instead of 9 x 16, and every page comes out at another size.
fonts=$here/fonts.conf
check_fonts() {
    local font
    for font in $(sed -n 's|.*<glob>\(/[^<]*\)</glob>.*|\1|p' "$fonts"); do
        [[ -f $font ]] || { say "missing font $font (scripts/setup.sh installs it)"; return 1; }
    done
}

# The prefix settings every test relies on, as a UTF-16 registry file for regedit.
write_settings() {
    local font_names=("MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Microsoft Sans Serif" "Segoe UI" "NSimSun"
        "宋体" "SimHei" "黑体" "Microsoft YaHei" "微软雅黑")
    local name
    {
        printf '\xef\xbb\xbfWindows Registry Editor Version 5.00\r\n\r\n'
        # "SimSun" stays: replacing it too changes the dialog base units from 9 x 16 to 7 x 16.
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for name in "${font_names[@]}"; do
            printf '"%s"="WenQuanYi Micro Hei"\r\n' "$name"
        done
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n'
        # No browser is installed; opening a web page must quietly do nothing.
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]\r\n"Browsers"="true"\r\n'
        # There is no window manager: a managed window that hides waits 2 s for one to withdraw it
        # (every message box, for example). Unmanaged windows hide at once.
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
    } | iconv -f UTF-8 -t UTF-16LE >"$1"
}

# Boots and configures a pristine prefix into $1/prefix and builds the keep-alive program next to it.
build_template() {
    local work=$cache/build-$$ link compile_pid
    say "building the pristine Wine prefix in $cache (once per Wine build; 20 s or more)"
    mkdir -p "$work/prefix" "$work/home" || return 1
    x86_64-w64-mingw32-gcc -Os -s -municode -mwindows -Wall -Wextra \
        -o "$work/keepalive.exe" "$keepalive_source" >"$work/keepalive.log" 2>&1 &
    compile_pid=$!
    write_settings "$work/settings.reg" || return 1
    if ! (
        export WINEPREFIX=$work/prefix HOME=$work/home WINEARCH=win64
        timeout 180 "$wine" wineboot -i &&
            # The first boot leaves a second services.exe behind for a while; nothing may start before it ends.
            timeout 120 "$wineserver" -w &&
            timeout 60 "$wine" regedit /S "$(windows_path "$work/settings.reg")" &&
            timeout 120 "$wineserver" -w
    ) >"$work/boot.log" 2>&1; then
        stop_wine "$work/prefix"
        tail -n 20 "$work/boot.log" >&2
        return 1
    fi
    if ! wait "$compile_pid"; then
        cat "$work/keepalive.log" >&2
        return 1
    fi
    # Wine links Desktop, Documents and the like to HOME; real folders keep the copies independent of the HOME
    # they were built with and look like Windows to the tests (no reparse points).
    while IFS= read -r -d '' link; do
        rm "$link" && mkdir "$link" || return 1
    done < <(find "$work/prefix/drive_c/users" -lname "$work/home*" -print0)
    rm -rf "$work/home" "$work/settings.reg" "$work/boot.log" "$work/keepalive.log"
    mv "$work" "$1"
}

# Leaves a copy of the pristine prefix in $WINEPREFIX and the keep-alive program in $root.
copy_template() {
    local key template lock
    key=$({
        "$wine" --version
        # Installing Wine's 32-bit loader makes new prefixes WoW64 prefixes.
        stat -c '%n %s %Y' "$wine" "$wineserver" /usr/lib/wine/wine 2>&1
        id -un
        cat "$fonts"
        declare -f write_settings build_template
        cat "$keepalive_source"
    } | sha256sum | cut -c1-16)
    template=$cache/$key
    mkdir -p "$cache" || return 1
    exec {lock}>"$cache/lock"
    # Copies share the lock; building and pruning take it alone.
    flock -s -w 600 "$lock" || return 1
    if [[ ! -d $template ]]; then
        flock -x -w 600 "$lock" || return 1
        if [[ ! -d $template ]]; then
            local entry
            for entry in "$cache"/*; do
                [[ $entry == "$cache/lock" ]] || remove_tree "$entry"
            done
            wait_display || return 1
            build_template "$template" || return 1
        fi
        flock -s -w 600 "$lock" || return 1
    fi
    cp -a "$template/prefix" "$WINEPREFIX" && cp "$template/keepalive.exe" "$root/"
    local rc=$?
    exec {lock}>&-
    return $rc
}

start_display() {
    if [[ -n ${KST_DISPLAY:-} ]]; then
        export DISPLAY=$KST_DISPLAY
        return
    fi
    : >"$root/display"
    Xvfb -displayfd 3 -screen 0 "${KST_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$root/display" >"$root/xvfb.log" 2>&1 &
    xvfb_pid=$!
}

wait_display() {
    [[ -n $xvfb_pid ]] || return 0
    local i number
    for ((i = 0; i < 200; i++)); do
        number=$(<"$root/display")
        if [[ $number =~ ^[0-9]+$ ]]; then
            export DISPLAY=:$number
            return 0
        fi
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    cat "$root/xvfb.log" >&2
    return 1
}

# Wine 8 takes the DPI from this value of the user's desktop settings, which wins over the one of the hardware
# profile that a fresh prefix has (96).
set_dpi() {
    [[ $1 =~ ^[1-9][0-9]*$ ]] || return 1
    sed -i '/^\[Control Panel\\\\Desktop\] /a "LogPixels"=dword:'"$(printf %08x "$1")" "$WINEPREFIX/user.reg" &&
        grep -q '^"LogPixels"=dword:' "$WINEPREFIX/user.reg"
}

# Wine's prefixes show keyboard cues always (SPI_GETKEYBOARDCUES, bit 0x20 of the first byte of UserPreferencesMask),
# and the installer then shows its focus cues from the start. The sessions show them only once keys are used, as
# Windows does by default, so that every page looks as a mouse user sees it; a test that wants them on sets them itself.
hide_keyboard_cues() {
    local mask first
    mask=$(sed -n 's/^"UserPreferencesMask"=hex:\([0-9a-f]\{2\}\),.*/\1/p' "$WINEPREFIX/user.reg")
    [[ $mask =~ ^[0-9a-f]{2}$ ]] || return 1
    first=$(printf %02x $((0x$mask & ~0x20)))
    sed -i "s/^\"UserPreferencesMask\"=hex:$mask,/\"UserPreferencesMask\"=hex:$first,/" "$WINEPREFIX/user.reg"
}

start_keepalive() {
    (cd "$root" && exec "$wine" "$root/keepalive.exe" </dev/null >"$root/keepalive.out" 2>/dev/null) &
    keepalive_pid=$!
    local i
    for ((i = 0; i < 600; i++)); do
        grep -q ready "$root/keepalive.out" 2>/dev/null && return 0
        kill -0 "$keepalive_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

if [[ -n ${KST_TEST_ROOT:-} ]]; then
    root=$(realpath -m "$KST_TEST_ROOT")
    mkdir -p "$root" || fail "cannot create $root"
    stop_wine "$root/prefix"
    remove_tree "$root/prefix"
    remove_tree "$root/home"
else
    root=$(mktemp -d /tmp/kst-test.XXXXXX) || fail "cannot create a temporary folder"
    made_root=1
fi

export KST_TEST_ROOT=$root WINEPREFIX=$root/prefix HOME=$root/home WINEDEBUG=-all FONTCONFIG_FILE=$fonts
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME WINEARCH WINESERVER WINELOADER
mkdir -p "$HOME" || fail "cannot create $HOME"

check_fonts || fail "the pinned fonts are not all installed"
start_display
copy_template || fail "could not prepare the Wine prefix"
if [[ -n ${KST_DISPLAY:-} ]]; then
    # A real display has a window manager; let it manage Wine's windows again.
    sed -i '/^"Managed"="N"$/d' "$WINEPREFIX/user.reg"
fi
if [[ -n ${KST_DPI:-} ]]; then
    set_dpi "$KST_DPI" || fail "could not set the display DPI to '$KST_DPI'"
fi
hide_keyboard_cues || fail "could not turn the keyboard cues off"
wait_display || fail "Xvfb did not start"
start_keepalive || fail "the keep-alive program did not start"

export KST_SESSION_ACTIVE=1
# In the background so that a signal reaches the traps at once; stdin is handed on explicitly because background
# commands of a script otherwise read /dev/null.
"$@" <&0 &
command_pid=$!
wait "$command_pid"
rc=$?
command_pid=
exit "$rc"
