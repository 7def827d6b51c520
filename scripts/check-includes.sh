#!/usr/bin/env bash
# Fails when a file under src/ includes a folder above its own. The folders are floors, listed
# from the top (docs/development.md): a file includes only its own floor and those below it.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

floors=(app automation components ui api controller config support services platform)

declare -A level
for i in "${!floors[@]}"; do
    level[${floors[$i]}]=$i
done

status=0
while IFS= read -r -d '' file; do
    folder=${file#src/}
    folder=${folder%%/*}
    if [[ -z ${level[$folder]+set} ]]; then
        echo "$file: src/$folder is not one of the floors" >&2
        status=1
        continue
    fi
    while IFS=: read -r line target; do
        included=${target%%/*}
        [[ -n ${level[$included]+set} ]] || continue
        if (( level[$included] < level[$folder] )); then
            echo "$file:$line: src/$folder includes $target from a floor above it" >&2
            status=1
        fi
    done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/;T;=;p' "$file" | paste -d: - -)
done < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
exit $status
