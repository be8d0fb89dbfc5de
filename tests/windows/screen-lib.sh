# Helpers of the on-screen scenarios (sourced): Wine, the probe and the pointer.
# Needs WINE_RUN, WINE_PREFIX and PROBE (the probe program) in the environment.

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

wine_run() { "$WINE_RUN" "$WINE_PREFIX" "$@"; }
probe() { wine_run "$PROBE" "$@"; }

# A path of this machine as Windows programs under Wine see it (drive Z: is the root).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# find_window CLASS TITLE_PREFIX [TIMEOUT_MS]: sets window (its handle) and window_client
# (x,y,w,h of its client area on the screen).
find_window() {
    local found
    found=$(probe find "$1" "$2" "${3:-20000}") || return 1
    window=${found%%$'\t'*}
    window_client=${found#*$'\t'}
}

# control CLASS TEXT: the probe's line for the first control of that class and text in $window.
control() {
    # Through the environment: awk -v would read the backslashes of a Windows path as escapes.
    probe controls "$window" | CLASS=$1 TEXT=$2 awk -F'\t' \
        'tolower($1) == tolower(ENVIRON["CLASS"]) && $6 == ENVIRON["TEXT"] { print; exit }'
}

# click LINE: a click of the left button in the middle of the control of a probe line.
click() {
    local x y w h
    IFS=, read -r x y w h <<<"$(cut -f4 <<<"$1")"
    xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}

# type_into LINE TEXT: clicks into a text box and types TEXT with the keyboard. Keep TEXT to ASCII:
# xdotool types other characters by remapping a key for each, and Wine drops some of them.
type_into() {
    click "$1"
    sleep 0.3
    xdotool type --delay 30 "$2"
}
