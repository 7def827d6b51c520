#!/usr/bin/env bash
# Fails when a file under src/ includes a folder above its own. The folders are floors, listed
# from the top (docs/development.md): a file includes only its own floor and those below it.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

floors="app automation components ui api controller config support services platform"

# One awk over every file: starting a process per file made the check take seconds.
find src -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z | xargs -0 awk -v floors="$floors" '
BEGIN {
    count = split(floors, names, " ")
    for (i = 1; i <= count; i++)
        level[names[i]] = i
}
FNR == 1 {
    folder = FILENAME
    sub(/^src\//, "", folder)
    sub(/\/.*/, "", folder)
    known = folder in level
    if (!known) {
        printf "%s: src/%s is not one of the floors\n", FILENAME, folder > "/dev/stderr"
        status = 1
    }
}
known && /^[[:space:]]*#[[:space:]]*include[[:space:]]*"/ {
    target = $0
    sub(/^[^"]*"/, "", target)
    sub(/".*/, "", target)
    included = target
    sub(/\/.*/, "", included)
    if ((included in level) && level[included] < level[folder]) {
        printf "%s:%d: src/%s includes %s from a floor above it\n", FILENAME, FNR, folder, target > "/dev/stderr"
        status = 1
    }
}
END { exit status }
'
