#!/bin/sh
# The dependency rule of docs/architecture.md, read from the includes: a folder of src/ includes
# only its own headers and those of the folders its rule names, and a folder built into the core
# target includes no GUI toolkit or web engine header. A folder's sources go into one target, so
# the folder tells whether its code is GUI-free.
set -u
src=$1

# folder: the folders it may include. Lower folders come first.
rules='seams:
settings: seams
logic: seams settings
platform: seams settings logic
kit: seams settings logic platform
refresher: seams settings logic platform kit
rotator: seams settings logic platform kit
shell: seams settings logic platform kit refresher rotator'

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

for dir in "$src"/*/; do
    folder=$(basename "$dir")
    allowed=$(printf '%s\n' "$rules" | sed -n "s/^$folder:\(.*\)/\1/p")
    printf '%s\n' "$rules" | grep -q "^$folder:" ||
        fail "src/$folder has no rule here: give it its place among the folders"

    targets=$(grep -o 'vantle_core\|vantle_gui' "$dir/CMakeLists.txt" 2>/dev/null | sort -u)
    [ "$(printf '%s\n' "$targets" | grep -c .)" -eq 1 ] ||
        fail "src/$folder/CMakeLists.txt must put its sources into one target, not: "$targets

    files=$(find "$dir" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.in' \) | sort)
    [ -n "$files" ] || continue
    # Every include of another folder's header, as file:line:folder/name.
    wrong=$(grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]*/' $files |
        sed 's/^\([^:]*:[0-9]*\):.*"\([^"]*\)".*/\1:\2/' | while IFS= read -r hit; do
        included=${hit##*:}
        other=${included%%/*}
        [ "$other" = "$folder" ] && continue
        case " $allowed " in *" $other "*) continue ;; esac
        echo "${hit%:*} includes \"$included\": src/$folder may include only${allowed:- itself}"
    done)
    [ -z "$wrong" ] || fail "$wrong"

    if [ "$targets" = vantle_core ]; then
        if grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*<\(wx\|gtk\|gdk\|webkit2\|glib\|gio\|X11\)[/.]' \
            $files >&2; then
            fail "src/$folder is built into the GUI-free core, yet includes the headers above"
        fi
    fi
done

[ "$failed" -eq 0 ] && echo "include rule kept in $(ls -d "$src"/*/ | wc -l) folders"
exit "$failed"
