#!/usr/bin/env bash
# Checks that every include between the source folders points down: a folder
# includes only from folders listed before it here.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(ax25 gateway store lang kiss engine dialogs app desktop)
status=0
for ((i = 0; i < ${#layers[@]}; i++)); do
    folder=${layers[$i]}
    allowed=" ${layers[*]:0:$((i + 1))} "
    while IFS=: read -r file included; do
        target=${included%%/*}
        if [[ " ${layers[*]} " == *" $target "* && "$allowed" != *" $target "* ]]; then
            echo "$file includes $included: $folder may not include from $target"
            status=1
        fi
    done < <(grep -rhoP --with-filename '^#include "\K[a-z0-9_]+/[^"]+' "$folder" || true)
done
exit $status
