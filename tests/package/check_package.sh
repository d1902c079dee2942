#!/usr/bin/env bash
# check_package.sh contents|lintian|round_trip PACKAGE_DIR
#   contents    the files, the dependencies and a desktop entry that desktop-file-validate accepts
#   lintian     lintian reports no error
#   round_trip  the program unpacked into a read-only root keeps its settings and its SQL history
#               in the user's data folder across two runs and writes nothing anywhere else; it is
#               driven as a user would drive it, on the X display in $DISPLAY (xvfb-run)
set -euo pipefail
check=$1
debs=("$2"/quorvant_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "no package in $2" >&2; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
chmod 755 "$work"
root=$work/root
dpkg-deb -x "$deb" "$root"

contents() {
    local f
    for f in usr/bin/quorvant usr/share/quorvant/HELP/index.htm usr/share/quorvant/SQLKYWD.TXT \
        usr/share/applications/quorvant.desktop usr/share/icons/hicolor/48x48/apps/quorvant.png \
        usr/share/icons/hicolor/scalable/apps/quorvant.svg usr/share/man/man1/quorvant.1.gz \
        usr/share/doc/quorvant/copyright; do
        [ -f "$root/$f" ] || fail "$f is not in the package"
    done
    local depends recommends
    depends=$(dpkg-deb -f "$deb" Depends)
    recommends=$(dpkg-deb -f "$deb" Recommends)
    for p in libqt6widgets6 libodbc2 libxlsxwriter4 libqt6keychain1 qt6-qpa-plugins fonts-ipafont-gothic; do
        [[ $depends == *"$p"* ]] || fail "Depends lacks $p: $depends"
    done
    for p in libsqliteodbc odbc-postgresql; do
        [[ $recommends == *"$p"* ]] || fail "Recommends lacks $p: $recommends"
    done
    desktop-file-validate "$root/usr/share/applications/quorvant.desktop"
    grep -qx 'Categories=Development;Database;' "$root/usr/share/applications/quorvant.desktop" ||
        fail "desktop entry categories"
    grep -q '^Name\[ja\]=' "$root/usr/share/applications/quorvant.desktop" ||
        fail "desktop entry has no Japanese name"
}

run_lintian() {
    # Errors fail; warnings and notes are shown for the reader.
    lintian --fail-on error --allow-root "$deb"
}

# pid log why: waits up to 30 s for the process to end; else kills it and fails with why.
ends_within_30s() {
    local i
    for i in $(seq 1 300); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -9 "$1"
    cat "$2"
    fail "$3"
}

# One run of the installed program: started with a temporary home, driven by the given steps
# (a function name), then ended with SIGTERM as a log-out would end it (the program handles the
# signal before it makes any file), or by the user's ファイル → 終了 when the third argument is
# "menu": the process must then end by itself.
run_installed() {
    local log=$work/run$1.log steps=$2 ending=${3:-signal} pid
    "${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 DISPLAY="$DISPLAY" \
        ODBCSYSINI="$work/odbc" ODBCINI="$work/odbc/odbc.ini" \
        "$root/usr/bin/quorvant" >"$log" 2>&1 &
    pid=$!
    local i
    for i in $(seq 1 200); do
        [ -f "$data/SQLKYWD.TXT" ] && break
        kill -0 "$pid" 2>/dev/null || { cat "$log"; fail "the program ended by itself"; }
        sleep 0.1
    done
    [ -f "$data/SQLKYWD.TXT" ] || { kill -9 "$pid"; fail "no data folder after 20 s"; }
    "$steps" || { kill -9 "$pid"; cat "$log"; fail "run $1: $steps did not get through"; }
    if [ "$ending" = menu ]; then
        xdotool windowfocus --sync "$(window '^QUORVANT$')" key alt+f
        sleep 0.5
        xdotool key x
        ends_within_30s "$pid" "$log" "the program did not end after ファイル → 終了"
    fi
    kill -TERM "$pid" 2>/dev/null || true
    ends_within_30s "$pid" "$log" "the program did not end on SIGTERM"
    wait "$pid" || { cat "$log"; fail "run $1 ended with status $?"; }
}

# The user's side of a run, with xdotool. Positions are relative to the main window, whose
# layout the settings file fixes: the input area's text box at (500,150), the history tab at
# (330,32), or (330,67) below the toolbar of the second run.
window() { timeout 20 xdotool search --sync --name "$1" | head -1; }
connect_to_the_data_source() {
    local dialog main
    dialog=$(window '^データベース接続$') || return 1
    xdotool windowfocus --sync "$dialog" key Down Return # the one data source, then OK
    main=$(window '^QUORVANT$') || return 1
    sleep 1 # the tree is read
    xdotool mousemove --window "$main" 500 150 click 1
}
run_and_confirm() {
    xdotool key ctrl+i
    local box
    box=$(window '^QUORVANT - ＳＱＬ正常終了$') || return 1
    xdotool windowfocus --sync "$box" key Return
    sleep 1.5 # the history is written once a second
}
type_and_run_a_statement() {
    connect_to_the_data_source || return 1
    xdotool type --delay 10 "$statement"
    run_and_confirm
}
run_the_statement_from_the_history() {
    connect_to_the_data_source || return 1
    local main
    main=$(window '^QUORVANT$')
    xdotool mousemove --window "$main" 330 67 click 1
    sleep 0.3
    xdotool mousemove --window "$main" 500 150 click 1 key ctrl+Up
    sleep 0.3
    run_and_confirm
}
# Leaves an INSERT uncommitted with the question at disconnect on, then opens the external
# editor (a script that marks that it runs and waits) on the input area.
insert_then_edit() {
    connect_to_the_data_source || return 1
    xdotool type --delay 10 "INSERT INTO t VALUES(2)"
    run_and_confirm || return 1
    xdotool mousemove --window "$(window '^QUORVANT$')" 500 150 click 1 key ctrl+e
    local i
    for i in $(seq 1 100); do
        [ -f "$home/editor.running" ] && return 0
        sleep 0.1
    done
    return 1
}
history_count() { grep -ac "	$statement"$'\r'"\$" "$data/SQLHIST.TXT" 2>/dev/null || true; }

ini_value() { # section key: the value as the program wrote it (CR LF lines)
    tr -d '\r' <"$data/QUORVANT.INI" | awk -v s="[$1]" -v k="$2" \
        '$0 == s { on = 1; next } /^\[/ { on = 0 } on && index($0, k "=") == 1 { print substr($0, length(k) + 2) }'
}

round_trip() {
    home=$work/home
    data=$home/.local/share/quorvant
    statement="SELECT 42 AS answer FROM t"
    # The database has a folder of its own: SQLite writes its journal beside it.
    mkdir -p "$home" "$work/odbc" "$work/db"
    : >"$work/odbc/odbcinst.ini"
    printf '[QVPKG]\nDriver=%s\nDatabase=%s\n' \
        "$(find /usr/lib -name libsqlite3odbc.so -print -quit)" "$work/db/t.sqlite" >"$work/odbc/odbc.ini"
    sqlite3 "$work/db/t.sqlite" 'CREATE TABLE t(a INT); INSERT INTO t VALUES(1);'
    chmod 666 "$work/db/t.sqlite"
    chmod -R a-w "$root"
    as_user=()
    # Root may write anywhere: the program runs as an ordinary user, for whom the root is
    # read-only, as for anyone who installed it.
    if [ "$(id -u)" = 0 ]; then
        chown -R nobody:nogroup "$home" "$work/odbc" "$work/db"
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    fi
    local before
    before=$(find "$root" -printf '%p %m %s\n' | sort)

    run_installed 1 type_and_run_a_statement
    [ "$(stat -c %a "$data")" = 700 ] || fail "data folder mode $(stat -c %a "$data")"
    [ "$(stat -c %a "$data/QUORVANT.INI")" = 600 ] || fail "settings file mode"
    cmp -s "$data/SQLKYWD.TXT" "$root/usr/share/quorvant/SQLKYWD.TXT" || fail "keyword list copy"
    [ "$(ini_value WINDOW ToolBar)" = OFF ] || fail "first run wrote ToolBar=$(ini_value WINDOW ToolBar)"
    [ -n "$(ini_value WINDOW MAIN)" ] || fail "first run wrote no window placement"
    [ "$(history_count)" = 1 ] || fail "first run wrote $(history_count) history entries"

    # The user turns the toolbar and the status bar on; the second run must read that and write
    # it back at its end. It runs the statement again from the history, which it can only do
    # when it has read the history of the first run.
    sed -i 's/^ToolBar=OFF\r$/ToolBar=ON\r/; s/^StatusBar=OFF\r$/StatusBar=ON\r/' "$data/QUORVANT.INI"
    run_installed 2 run_the_statement_from_the_history menu
    [ "$(history_count)" = 2 ] || fail "second run left $(history_count) history entries"
    [ "$(ini_value WINDOW ToolBar)" = ON ] || fail "second run lost ToolBar=ON"
    [ "$(ini_value WINDOW StatusBar)" = ON ] || fail "second run lost StatusBar=ON"

    [ "$(find "$root" -printf '%p %m %s\n' | sort)" = "$before" ] || fail "the installation changed"

    # SIGTERM while the external editor runs still ends the program, and work left
    # uncommitted is rolled back: nobody is there at log-out to answer the question.
    printf '#!/bin/sh\n: >"$0.running"\nexec sleep 120\n' >"$home/editor"
    chmod 755 "$home/editor"
    if grep -q $'^\\[SET\\]\r$' "$data/QUORVANT.INI"; then
        sed -i "s|^\\[SET\\]\r\$|[SET]\r\nASKPENDING=ON\r\nEDITOR=$home/editor\r|" "$data/QUORVANT.INI"
    else
        printf '[SET]\r\nASKPENDING=ON\r\nEDITOR=%s\r\n' "$home/editor" >>"$data/QUORVANT.INI"
    fi
    run_installed 3 insert_then_edit
    [ "$(sqlite3 "$work/db/t.sqlite" 'SELECT COUNT(*) FROM t WHERE a = 2')" = 0 ] ||
        fail "the uncommitted INSERT was committed at SIGTERM"
    echo "round trip: $(ls "$data" | tr '\n' ' ')"
}

case $check in
contents) contents ;;
lintian) run_lintian ;;
round_trip) round_trip ;;
*) fail "unknown check $check" ;;
esac
