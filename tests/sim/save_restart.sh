#!/bin/sh
# Settings saved with scanner-sim command are there at the next start of the firmware on
# the same board, and a board whose flash holds the single-copy layout starts with its
# settings and keeps them through a save.
set -eu
sim=$1
board=$(mktemp -d)
trap 'rm -rf "$board"' EXIT

expect() { # name, printed, expected
    if [ "$2" != "$3" ]; then
        printf '%s:\n%s\nexpected:\n%s\n' "$1" "$2" "$3"
        exit 1
    fi
}

out=$("$sim" command --board "$board" 'set read/upc_a:false' 'set bank:2' 'set read/ean13:false' save)
expect save "$out" "$(printf '<ACK>\n<ACK>\n<ACK>\n<ACK>')"
out=$("$sim" command --board "$board" 'get bank' 'get read/ean13' 'set bank:0' 'get read/upc_a' 'get read/ean13')
expect restart "$out" "$(printf '2<CR>\nfalse<CR>\n<ACK>\nfalse<CR>\ntrue<CR>')"

rm -f "$board"/*
printf '{"read":{"upc_e":false}}\r{}\r{}\r{}\r{}\r{}\r{}\r{}\r' >"$board/mtd3.bin"
printf '{"factorysettings":{"interface":0}}' >"$board/mtd2.bin"
out=$("$sim" command --board "$board" 'get read/upc_e' 'set read/code128:false' save)
expect older-layout "$out" "$(printf 'false<CR>\n<ACK>\n<ACK>')"
out=$("$sim" command --board "$board" 'get read/upc_e' 'get read/code128')
expect older-layout-saved "$out" "$(printf 'false<CR>\nfalse<CR>')"
